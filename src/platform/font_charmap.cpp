#include "platform/font_charmap.h"

#include <QFile>
#include <QHash>
#include <algorithm>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace lb {

namespace {

// The first readable file's face, with its library; empty when none can be read.
struct FirstFace {
    FT_Library lib = nullptr;
    FT_Face face = nullptr;

    explicit FirstFace(const QStringList& files) {
        if (FT_Init_FreeType(&lib) != 0) {
            lib = nullptr;
            return;
        }
        for (const QString& file : files)
            if (FT_New_Face(lib, QFile::encodeName(file).constData(), 0, &face) == 0) return;
        face = nullptr;
    }
    ~FirstFace() {
        if (face) FT_Done_Face(face);
        if (lib) FT_Done_FreeType(lib);
    }
    FirstFace(const FirstFace&) = delete;
    FirstFace& operator=(const FirstFace&) = delete;
};

bool hasEncoding(FT_Face face, FT_Encoding encoding) {
    for (int i = 0; i < face->num_charmaps; ++i)
        if (face->charmaps[i]->encoding == encoding) return true;
    return false;
}

// A character a sample can show: drawn with ink, neither a space nor a control or format code.
bool visible(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_NotAssigned:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
        return false;
    default:
        return true;
    }
}

constexpr int SampleCharacters = 20;

} // namespace

bool symbolMapOnly(const QStringList& files) {
    const FirstFace f(files);
    if (!f.face) return false;
    return hasEncoding(f.face, FT_ENCODING_MS_SYMBOL) && !hasEncoding(f.face, FT_ENCODING_UNICODE);
}

QString drawableSample(const QStringList& files, const QString& text) {
    const FirstFace f(files);
    if (!f.face) return text;
    // Only a symbol map: the font draws character n from U+F000 + n, whatever n is.
    if (FT_Select_Charmap(f.face, FT_ENCODING_UNICODE) != 0) return text;
    bool all = true;
    for (char32_t c : text.toUcs4())
        if (!QChar::isSpace(c) && FT_Get_Char_Index(f.face, c) == 0) {
            all = false;
            break;
        }
    if (all) return text;

    // The letters of each script the font has, in code order, and its other visible characters.
    QHash<int, QList<char32_t>> letters;
    QList<char32_t> others;
    FT_UInt glyph = 0;
    for (FT_ULong c = FT_Get_First_Char(f.face, &glyph); glyph != 0;
         c = FT_Get_Next_Char(f.face, c, &glyph)) {
        const auto ch = char32_t(c);
        if (!visible(ch)) continue;
        const QChar::Script script = QChar::script(ch);
        if (QChar::isLetter(ch) && script != QChar::Script_Common &&
            script != QChar::Script_Inherited)
            letters[script].append(ch);
        else if (others.size() < SampleCharacters)
            others.append(ch);
    }
    const QList<char32_t>* chosen = &others;
    for (auto it = letters.cbegin(); it != letters.cend(); ++it)
        if (chosen == &others || it.value().size() > chosen->size() ||
            (it.value().size() == chosen->size() && it.value().first() < chosen->first()))
            chosen = &it.value();
    if (chosen->isEmpty()) return text;
    const qsizetype n = std::min<qsizetype>(chosen->size(), SampleCharacters);
    return QString::fromUcs4(chosen->constData(), n);
}

} // namespace lb
