#include "platform/font_charmap.h"

#include <QFile>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace lb {

bool symbolMapOnly(const QStringList& files) {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return false;
    bool symbol = false, unicode = false, read = false;
    for (const QString& file : files) {
        FT_Face face = nullptr;
        if (FT_New_Face(lib, QFile::encodeName(file).constData(), 0, &face) != 0) continue;
        for (int i = 0; i < face->num_charmaps; ++i) {
            if (face->charmaps[i]->encoding == FT_ENCODING_MS_SYMBOL) symbol = true;
            if (face->charmaps[i]->encoding == FT_ENCODING_UNICODE) unicode = true;
        }
        FT_Done_Face(face);
        read = true;
        break;
    }
    FT_Done_FreeType(lib);
    return read && symbol && !unicode;
}

} // namespace lb
