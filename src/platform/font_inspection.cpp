#include "platform/font_inspection.h"

#include "platform/font_folders.h"
#include "platform/font_selection.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

namespace lb {

namespace {

QString string(FcPattern* p, const char* object) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(p, object, 0, &value) != FcResultMatch) return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(value));
}

// The program's view of visible fonts and the files a removal set aside are not installed fonts.
bool passedOver(const QByteArray& name) {
    return name.startsWith('.');
}

quint32 be32(const char* p) {
    return qFromBigEndian<quint32>(p);
}
quint16 be16(const char* p) {
    return qFromBigEndian<quint16>(p);
}

QString tableName(const char* tag) {
    return QString::fromLatin1(tag, 4).trimmed();
}

QString oneFaceProblem(const QByteArray& data, quint32 start) {
    const qsizetype size = data.size();
    if (start + 12 > quint64(size)) return QStringLiteral("The file is cut short.");
    const char* d = data.constData();
    const quint16 tables = be16(d + start + 4);
    if (start + 12 + quint64(tables) * 16 > quint64(size))
        return QStringLiteral("The file is cut short: its list of tables is incomplete.");
    for (quint16 t = 0; t < tables; ++t) {
        const char* rec = d + start + 12 + t * 16;
        const quint32 checksum = be32(rec + 4), offset = be32(rec + 8), length = be32(rec + 12);
        if (quint64(offset) + length > quint64(size))
            return QStringLiteral("Its '%1' table runs past the end of the file: the file is cut "
                                  "short.")
                .arg(tableName(rec));
        quint32 sum = 0;
        const quint32 words = (length + 3) / 4;
        for (quint32 w = 0; w < words; ++w) {
            char word[4] = {0, 0, 0, 0};
            const quint32 at = offset + w * 4;
            std::memcpy(word, d + at, std::min<quint64>(4, quint64(size) - at));
            // The head table's checksum is taken with its whole-file adjustment as zero.
            if (std::memcmp(rec, "head", 4) == 0 && w == 2) continue;
            sum += be32(word);
        }
        if (sum != checksum)
            return QStringLiteral("Its '%1' table does not match its checksum: the file is "
                                  "damaged.")
                .arg(tableName(rec));
    }
    return {};
}

// FreeType keeps one library per thread: faces of one library must not be used on two at once.
struct Library {
    FT_Library lib = nullptr;
    Library() { FT_Init_FreeType(&lib); }
    ~Library() {
        if (lib) FT_Done_FreeType(lib);
    }
};

QString freeTypeProblem(FT_Library lib, const QByteArray& path, const QByteArray& data) {
    FT_Face face = nullptr;
    const auto bytes = reinterpret_cast<const FT_Byte*>(data.constData());
    if (FT_New_Memory_Face(lib, bytes, FT_Long(data.size()), -1, &face) != 0)
        return QStringLiteral("It is not a font programs can open.");
    const FT_Long faces = face->num_faces;
    FT_Done_Face(face);
    for (FT_Long i = 0; i < faces; ++i) {
        if (FT_New_Memory_Face(lib, bytes, FT_Long(data.size()), i, &face) != 0)
            return QStringLiteral("Face %1 of it cannot be opened.").arg(i + 1);
        // Type 1 metrics sit in a file of their own, read with the font.
        for (const QString& companion : type1Companions(QFile::decodeName(path)))
            FT_Attach_File(face, QFile::encodeName(companion).constData());
        QString problem;
        if (face->num_charmaps == 0)
            problem = QStringLiteral("It has no character map, so programs cannot find its "
                                     "letters.");
        const bool outlines = FT_IS_SCALABLE(face) && !FT_HAS_COLOR(face);
        for (FT_Long g = 0; problem.isEmpty() && outlines && g < face->num_glyphs; ++g)
            if (FT_Load_Glyph(face, FT_UInt(g), FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0)
                problem = QStringLiteral("Its glyph %1 cannot be drawn.").arg(g);
        FT_Done_Face(face);
        if (!problem.isEmpty()) return problem;
    }
    return {};
}

} // namespace

QString sfntTableProblem(const QByteArray& data) {
    if (data.size() < 12) return {};
    const char* d = data.constData();
    if (std::memcmp(d, "ttcf", 4) == 0) {
        const quint32 faces = be32(d + 8);
        if (12 + quint64(faces) * 4 > quint64(data.size()))
            return QStringLiteral("The file is cut short: its list of faces is incomplete.");
        for (quint32 i = 0; i < faces; ++i)
            if (QString p = oneFaceProblem(data, be32(d + 12 + i * 4)); !p.isEmpty()) return p;
        return {};
    }
    const quint32 tag = be32(d);
    if (tag != 0x00010000 && tag != 0x4F54544F /* OTTO */ && tag != 0x74727565 /* true */)
        return {};
    return oneFaceProblem(data, 0);
}

void FontconfigInspector::survey(std::vector<InstalledFace>& faces,
                                 std::vector<QByteArray>& unlisted) {
    FontConfigPtr config = loadUserFontConfig();
    if (!config) return;
    const SelectionMatcher removed(readFontSelection(removedFontsConfPath()));
    walkFontFolders(
        config.get(), {}, QFile::encodeName(FontconfigResources::defaultFarmRoot()),
        [&](const FontFolderVisit& v) {
            if (v.alias) return;
            QSet<QByteArray> listed;
            for (int i = 0; v.fonts && i < v.fonts->nfont; ++i) {
                FcPattern* p = v.fonts->fonts[i];
                FcChar8* file = nullptr;
                if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) continue;
                InstalledFace f;
                f.path = QByteArray(reinterpret_cast<const char*>(file));
                listed.insert(fileNamePart(f.path));
                if (removed.rejects(QFile::decodeName(f.path))) continue;
                FcPatternGetInteger(p, FC_INDEX, 0, &f.index);
                f.family = string(p, FC_FAMILY);
                f.style = string(p, FC_STYLE);
                f.format = string(p, FC_FONTFORMAT);
                int revision = 0;
                if (FcPatternGetInteger(p, FC_FONTVERSION, 0, &revision) == FcResultMatch &&
                    revision > 0)
                    f.version = QString::number(revision / 65536.0, 'f', 3);
                faces.push_back(std::move(f));
            }
            // A file fontconfig could not read is in no cache: it is found by its name.
            QDir dir(QFile::decodeName(v.path));
            for (const QString& name : dir.entryList(QDir::Files | QDir::System | QDir::Hidden)) {
                const QByteArray bytes = QFile::encodeName(name);
                if (passedOver(bytes) || !isFontFileName(name) || listed.contains(bytes)) continue;
                const QByteArray path = v.path + '/' + bytes;
                if (!removed.rejects(QFile::decodeName(path))) unlisted.push_back(path);
            }
        });
}

QString FontconfigInspector::damage(const QByteArray& path) {
    const QString name = QFile::decodeName(path);
    if (QFile::encodeName(name) != path)
        return QStringLiteral("Its file name is not valid text, so it cannot be catalogued.");
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        const int error = errno;
        return QStringLiteral("It cannot be read (%1), so it cannot be hidden or shown.")
            .arg(QString::fromLocal8Bit(std::strerror(error)));
    }
    // Mapped, not read: the checks touch every byte once and a large font need not be copied.
    const qint64 size = file.size();
    uchar* mapped = size > 0 ? file.map(0, size) : nullptr;
    if (!mapped) return QStringLiteral("It is empty.");
    const QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), qsizetype(size));
    QString problem = sfntTableProblem(data);
    if (problem.isEmpty()) {
        thread_local Library library;
        problem = freeTypeProblem(library.lib, path, data);
    }
    file.unmap(mapped);
    return problem;
}

QByteArray FontconfigInspector::digest(const QByteArray& path) {
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return {};
    return hash.result();
}

FontconfigInspector::~FontconfigInspector() {
    if (programs_) FcConfigDestroy(programs_);
}

QByteArray FontconfigInspector::inUse(const QString& family, const QString& style) {
    // The user's configuration with its fonts, hidden ones left out by the rules.
    if (!programs_) programs_ = FcInitLoadConfigAndFonts();
    FcConfig* programs = programs_;
    if (!programs) return {};
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(family.toUtf8().constData()));
    FcPatternAddString(pattern, FC_STYLE,
                       reinterpret_cast<const FcChar8*>(style.toUtf8().constData()));
    FcConfigSubstitute(programs, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(programs, pattern, &result);
    FcPatternDestroy(pattern);
    QByteArray file;
    if (match) {
        if (string(match, FC_FAMILY).compare(family, Qt::CaseInsensitive) == 0 &&
            string(match, FC_STYLE).compare(style, Qt::CaseInsensitive) == 0) {
            FcChar8* f = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &f) == FcResultMatch)
                file = QByteArray(reinterpret_cast<const char*>(f));
        }
        FcPatternDestroy(match);
    }
    return file;
}

} // namespace lb
