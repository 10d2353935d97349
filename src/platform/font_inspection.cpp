#include "platform/font_inspection.h"

#include "platform/font_folders.h"
#include "platform/font_selection.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
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
    // Sums in 64 bits: a face a collection places near 4 GB must not wrap round into the file.
    if (quint64(start) + 12 > quint64(size)) return QStringLiteral("The file is cut short.");
    const char* d = data.constData();
    const quint16 tables = be16(d + start + 4);
    if (quint64(start) + 12 + quint64(tables) * 16 > quint64(size))
        return QStringLiteral("The file is cut short: its list of tables is incomplete.");
    for (quint16 t = 0; t < tables; ++t) {
        const char* rec = d + start + 12 + t * 16;
        const quint32 checksum = be32(rec + 4), offset = be32(rec + 8), length = be32(rec + 12);
        if (quint64(offset) + length > quint64(size))
            return QStringLiteral("Its '%1' table runs past the end of the file: the file is cut "
                                  "short.")
                .arg(tableName(rec));
        quint32 sum = 0;
        const char* table = d + offset;
        const quint32 whole = length / 4;
        for (quint32 w = 0; w < whole; ++w)
            sum += be32(table + w * 4);
        if (length % 4) {
            char last[4] = {0, 0, 0, 0};
            std::memcpy(last, table + whole * 4, length % 4);
            sum += be32(last);
        }
        // The head table's checksum is taken with its whole-file adjustment as zero.
        if (std::memcmp(rec, "head", 4) == 0 && length >= 12) sum -= be32(table + 8);
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

FT_Library threadLibrary() {
    thread_local Library library;
    return library.lib;
}

// A Type 1 font's metrics file is not attached: it adds only kerning, which nothing here checks,
// and parsing it cost more than loading all the font's glyphs.
QString faceProblem(FT_Face face) {
    if (face->num_charmaps == 0)
        return QStringLiteral("It has no character map, so programs cannot find its letters.");
    const bool outlines = FT_IS_SCALABLE(face) && !FT_HAS_COLOR(face);
    for (FT_Long g = 0; outlines && g < face->num_glyphs; ++g)
        if (FT_Load_Glyph(face, FT_UInt(g), FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING) != 0)
            return QStringLiteral("Its glyph %1 cannot be drawn.").arg(g);
    return {};
}

QString freeTypeProblem(FT_Library lib, const QByteArray& data) {
    const auto bytes = reinterpret_cast<const FT_Byte*>(data.constData());
    // The first face also tells how many there are: most files hold one, opened once.
    FT_Long faces = 1;
    for (FT_Long i = 0; i < faces; ++i) {
        FT_Face face = nullptr;
        if (FT_New_Memory_Face(lib, bytes, FT_Long(data.size()), i, &face) != 0)
            return i == 0 ? QStringLiteral("It is not a font programs can open.")
                          : QStringLiteral("Face %1 of it cannot be opened.").arg(i + 1);
        if (i == 0) faces = face->num_faces;
        QString problem = faceProblem(face);
        FT_Done_Face(face);
        if (!problem.isEmpty()) return problem;
    }
    return {};
}

// A font file's bytes. Small files are read into this thread's buffer, which costs less than
// mapping them; large ones are mapped, so they are never copied.
class FontBytes {
public:
    explicit FontBytes(const QByteArray& path) {
        fd_ = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        if (::fstat(fd_, &st_) != 0) {
            st_ = {};
            return;
        }
        if (st_.st_size <= 0) return;
        const size_t size = size_t(st_.st_size);
        if (size > kReadLimit) {
            void* m = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd_, 0);
            if (m == MAP_FAILED) return;
            mapped_ = m;
            mappedSize_ = size;
            data_ = QByteArray::fromRawData(static_cast<const char*>(m), qsizetype(size));
            return;
        }
        thread_local QByteArray buffer;
        if (buffer.size() < qsizetype(size)) buffer.resize(qsizetype(size));
        size_t got = 0;
        while (got < size) {
            const ssize_t n = ::read(fd_, buffer.data() + got, size - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += size_t(n);
        }
        data_ = QByteArray::fromRawData(buffer.constData(), qsizetype(got));
    }
    ~FontBytes() {
        if (mapped_) ::munmap(mapped_, mappedSize_);
        if (fd_ >= 0) ::close(fd_);
    }
    FontBytes(const FontBytes&) = delete;
    FontBytes& operator=(const FontBytes&) = delete;
    bool opened() const { return fd_ >= 0; }
    int error() const { return error_; }
    const QByteArray& data() const { return data_; }
    // The opened file's status; all zero when it could not be taken.
    const struct stat& status() const { return st_; }

private:
    static constexpr size_t kReadLimit = 1 << 20;
    int fd_ = -1;
    int error_ = 0;
    struct stat st_ {};
    void* mapped_ = nullptr;
    size_t mappedSize_ = 0;
    QByteArray data_;
};

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
    if (!memoLoaded_) loadMemo();
    if (!programs_ && !programsLoad_.valid())
        programsLoad_ = std::async(std::launch::async, [this] { loadPrograms(); });
    FontConfigPtr config = loadUserFontConfig();
    if (!config) return;
    const SelectionMatcher removed(readFontSelection(removedFontsConfPath()));
    walkFontFolders(
        config.get(), {}, QFile::encodeName(FontconfigResources::defaultFarmRoot()),
        [&](const FontFolderVisit& v) {
            if (v.alias) return;
            QSet<QByteArray> listed;
            listed.reserve(v.fonts ? v.fonts->nfont : 0);
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
            for (const QByteArray& bytes : filesIn(v.path)) {
                const QString name = QFile::decodeName(bytes);
                if (passedOver(bytes) || !isFontFileName(name) || listed.contains(bytes)) continue;
                const QByteArray path = v.path + '/' + bytes;
                if (!removed.rejects(QFile::decodeName(path))) unlisted.push_back(path);
            }
        });
    // A table that grows while every file is judged hashes each name again at each growth.
    judged_.reserve(qsizetype(faces.size() + unlisted.size()));
}

namespace {

// What makes a file's findings stale: another file under the name, new contents or new
// permissions (the change time). Empty when the file cannot be seen.
QByteArray fileStamp(const struct stat& st) {
    if (st.st_ino == 0) return {};
    QByteArray stamp;
    for (const qint64 v :
         {qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_size), qint64(st.st_mtim.tv_sec),
          qint64(st.st_mtim.tv_nsec), qint64(st.st_ctim.tv_sec), qint64(st.st_ctim.tv_nsec)})
        stamp.append(reinterpret_cast<const char*>(&v), sizeof v);
    return stamp;
}

QString memoPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/letterbay/font-check");
}

// The memo says which judge wrote it: another FreeType may read a file otherwise.
QByteArray memoHeader() {
    FT_Int major = 0, minor = 0, patch = 0;
    FT_Library_Version(threadLibrary(), &major, &minor, &patch);
    return QByteArrayLiteral("letterbay font check 1 freetype ") + QByteArray::number(major) + '.' +
           QByteArray::number(minor) + '.' + QByteArray::number(patch);
}

} // namespace

void FontconfigInspector::loadMemo() {
    memoLoaded_ = true;
    QFile file(memoPath());
    if (!file.open(QIODevice::ReadOnly)) return;
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_6_0);
    QByteArray header;
    in >> header;
    if (header != memoHeader()) return;
    std::vector<std::pair<QByteArray, Judged>> read;
    while (!in.atEnd() && in.status() == QDataStream::Ok) {
        std::pair<QByteArray, Judged> entry;
        in >> entry.first >> entry.second.stamp >> entry.second.problem;
        if (in.status() == QDataStream::Ok) read.push_back(std::move(entry));
    }
    // A memo cut short is not trusted at all.
    if (in.status() != QDataStream::Ok) return;
    memo_.reserve(qsizetype(read.size()));
    for (auto& [path, judged] : read)
        memo_.insert(std::move(path), std::move(judged));
}

QString FontconfigInspector::damage(const QByteArray& path) {
    const QString name = QFile::decodeName(path);
    if (QFile::encodeName(name) != path)
        return QStringLiteral("Its file name is not valid text, so it cannot be catalogued.");
    // A file the memo does not know costs no stat of its own: its stamp comes from the opened file.
    if (const auto known = memo_.constFind(path); known != memo_.cend()) {
        struct stat st {};
        if (::stat(path.constData(), &st) == 0 && fileStamp(st) == known->stamp) {
            const std::lock_guard<std::mutex> hold(judgedLock_);
            judged_.insert(path, *known);
            return known->problem;
        }
    }
    const FontBytes bytes(path);
    const QByteArray stamp = fileStamp(bytes.status());
    // Not remembered: whether a file can be read may change with its folder, not the file.
    if (!bytes.opened())
        return QStringLiteral("It cannot be read (%1), so it cannot be hidden or shown.")
            .arg(QString::fromLocal8Bit(std::strerror(bytes.error())));
    QString problem;
    if (bytes.data().isEmpty()) problem = QStringLiteral("It is empty.");
    if (problem.isEmpty()) problem = sfntTableProblem(bytes.data());
    if (problem.isEmpty()) problem = freeTypeProblem(threadLibrary(), bytes.data());
    if (!stamp.isEmpty()) {
        const std::lock_guard<std::mutex> hold(judgedLock_);
        judged_.insert(path, {stamp, problem});
    }
    return problem;
}

void FontconfigInspector::remember() {
    QHash<QByteArray, Judged> judged;
    {
        const std::lock_guard<std::mutex> hold(judgedLock_);
        judged.swap(judged_);
    }
    // Only the files of this check are kept, so the memo never outgrows the installed fonts.
    memo_ = std::move(judged);
    const QString path = memoPath();
    if (!QDir().mkpath(QFileInfo(path).path())) return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return;
    QDataStream out(&file);
    out.setVersion(QDataStream::Qt_6_0);
    out << memoHeader();
    for (auto it = memo_.cbegin(); it != memo_.cend(); ++it)
        out << it.key() << it->stamp << it->problem;
    // A memo that cannot be written only costs the next check its speed.
    if (out.status() == QDataStream::Ok) file.commit();
}

QByteArray FontconfigInspector::digest(const QByteArray& path) {
    QFile file(QFile::decodeName(path));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file)) return {};
    return hash.result();
}

FontconfigInspector::~FontconfigInspector() {
    if (programsLoad_.valid()) programsLoad_.wait();
    if (programs_) FcConfigDestroy(programs_);
}

void FontconfigInspector::loadPrograms() {
    // The user's configuration with its fonts, hidden ones left out by the rules.
    programs_ = FcInitLoadConfigAndFonts();
    if (!programs_) return;
    // A match scores every font; a font of a family not asked for never wins when one asked for is
    // there, so each question is put to those families' fonts alone (a check asks once per group
    // of copies, and scoring 20,000 fonts each time cost more than the rest of it).
    FcFontSet* all = FcConfigGetFonts(programs_, FcSetSystem);
    for (int i = 0; all && i < all->nfont; ++i) {
        FcChar8* name = nullptr;
        for (int n = 0; FcPatternGetString(all->fonts[i], FC_FAMILY, n, &name) == FcResultMatch;
             ++n)
            byFamily_[QString::fromUtf8(reinterpret_cast<const char*>(name)).toCaseFolded()]
                .push_back(all->fonts[i]);
    }
}

QByteArray FontconfigInspector::inUse(const QString& family, const QString& style) {
    if (programsLoad_.valid())
        programsLoad_.get();
    else if (!programs_)
        loadPrograms();
    if (!programs_) return {};
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY,
                       reinterpret_cast<const FcChar8*>(family.toUtf8().constData()));
    FcPatternAddString(pattern, FC_STYLE,
                       reinterpret_cast<const FcChar8*>(style.toUtf8().constData()));
    FcConfigSubstitute(programs_, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    // Every family the rules put in the question (a preferred one, the generic fallbacks): one of
    // them wins when any of their fonts is there.
    std::vector<FcPattern*> candidates;
    QSet<QString> asked;
    FcChar8* name = nullptr;
    for (int n = 0; FcPatternGetString(pattern, FC_FAMILY, n, &name) == FcResultMatch; ++n) {
        const QString key = QString::fromUtf8(reinterpret_cast<const char*>(name)).toCaseFolded();
        if (asked.contains(key)) continue;
        asked.insert(key);
        const auto fonts = byFamily_.constFind(key);
        if (fonts != byFamily_.cend())
            for (FcPattern* f : *fonts)
                if (std::find(candidates.begin(), candidates.end(), f) == candidates.end())
                    candidates.push_back(f);
    }
    FcFontSet familySet{int(candidates.size()), int(candidates.size()), candidates.data()};
    FcFontSet* sets[] = {&familySet};
    FcResult result = FcResultNoMatch;
    FcPattern* match =
        candidates.empty() ? nullptr : FcFontSetMatch(programs_, sets, 1, pattern, &result);
    FcPatternDestroy(pattern);
    QByteArray file;
    if (match) {
        if (string(match, FC_FAMILY).compare(family, Qt::CaseInsensitive) == 0 &&
            string(match, FC_STYLE).compare(style, Qt::CaseInsensitive) == 0) {
            FcChar8* f = nullptr;
            // With a set active the font is reached through a link: name the file it leads to.
            if (FcPatternGetString(match, FC_FILE, 0, &f) == FcResultMatch) {
                char real[PATH_MAX];
                const char* path = reinterpret_cast<const char*>(f);
                file = QByteArray(::realpath(path, real) ? real : path);
            }
        }
        FcPatternDestroy(match);
    }
    return file;
}

} // namespace lb
