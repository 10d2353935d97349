#pragma once

#include <QStringList>

namespace lb {

// True when the first readable of these font files maps characters only through a symbol
// character map (its codes at U+F020 to U+F0FF) and has no Unicode map. Such fonts come from
// systems where a symbol font's character n was simply code n.
bool symbolMapOnly(const QStringList& files);

// The text a sample of these font files shows: `text` when the first readable file has every
// character of it (a font with only a symbol map draws character n from U+F000 + n), else
// letters of the script the font covers most, else the first symbols it has. A font for Arabic,
// Thai or CJK, or an icon font, so shows what it draws instead of a row of missing-glyph boxes.
QString drawableSample(const QStringList& files, const QString& text);

} // namespace lb
