#pragma once

#include <QStringList>

namespace lb {

// True when the first readable of these font files maps characters only through a symbol
// character map (its codes at U+F020 to U+F0FF) and has no Unicode map. Such fonts come from
// systems where a symbol font's character n was simply code n.
bool symbolMapOnly(const QStringList& files);

} // namespace lb
