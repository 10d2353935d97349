#include "platform/fontconfig_fonts.h"

#include "core/fault.h"

#include "platform/font_folders.h"
#include "platform/font_selection.h"
#include "platform/hidden_fonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <algorithm>
#include <fontconfig/fontconfig.h>
#include <functional>
#include <map>
#include <memory>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(FontconfigFonts)
};
} // namespace

namespace {

struct ConfigDeleter {
    void operator()(FcConfig* c) const { FcConfigDestroy(c); }
};
using Config = std::unique_ptr<FcConfig, ConfigDeleter>;

// A configuration of our own: the process's current one belongs to the toolkit and already
// leaves inactive fonts out. Loading it does not scan any fonts.
Config privateConfig() {
    return Config(FcInitLoadConfig());
}

const FcChar8* fc(const QByteArray& bytes) {
    return reinterpret_cast<const FcChar8*>(bytes.constData());
}

QString parentOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

bool isEnglish(const FcChar8* lang) {
    const char* l = reinterpret_cast<const char*>(lang);
    return qstrcmp(l, "en") == 0 || qstrncmp(l, "en-", 3) == 0;
}

// A name property in English when the font names several languages, else its first value.
QString englishValue(FcPattern* p, const char* object, const char* langObject) {
    FcChar8* first = nullptr;
    FcChar8* value = nullptr;
    for (int i = 0; FcPatternGetString(p, object, i, &value) == FcResultMatch; ++i) {
        if (i == 0) first = value;
        FcChar8* lang = nullptr;
        if (FcPatternGetString(p, langObject, i, &lang) == FcResultMatch && isEnglish(lang))
            return QString::fromUtf8(reinterpret_cast<const char*>(value));
    }
    return first ? QString::fromUtf8(reinterpret_cast<const char*>(first)) : QString();
}

// The family a face is listed under. A face of another width keeps the family of its width that
// fontconfig lists after the typographic one ("DejaVu Sans Condensed" beside "DejaVu Sans"), so
// that width variants stay typefaces of their own, as every program's font list shows them.
QString familyOf(FcPattern* p) {
    const QString family = englishValue(p, FC_FAMILY, FC_FAMILYLANG);
    int width = FC_WIDTH_NORMAL;
    if (family.isEmpty() || FcPatternGetInteger(p, FC_WIDTH, 0, &width) != FcResultMatch ||
        width == FC_WIDTH_NORMAL)
        return family;
    const QString prefix = family + QLatin1Char(' ');
    QString own;
    FcChar8* value = nullptr;
    for (int i = 1; FcPatternGetString(p, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
        FcChar8* lang = nullptr;
        if (FcPatternGetString(p, FC_FAMILYLANG, i, &lang) == FcResultMatch && !isEnglish(lang))
            continue;
        const QString name = QString::fromUtf8(reinterpret_cast<const char*>(value));
        if (name.startsWith(prefix) && (own.isEmpty() || name.size() < own.size())) own = name;
    }
    return own.isEmpty() ? family : own;
}

struct Face {
    unsigned id = 0;
    QString family;
    QString fullName;
    QString format;
    bool outline = true;
    bool scalable = true;
};
// Faces by face number (the low 16 bits of the index); named instances fold into their face.
using Faces = std::map<unsigned, Face>;
using FileFaces = std::map<QByteArray, Faces>;

void addPattern(FileFaces& files, FcPattern* p) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) return;
    int index = 0;
    FcPatternGetInteger(p, FC_INDEX, 0, &index);
    // Unsigned, so that the plain face (instance 0) wins over named instances and over the
    // variable pattern, whose index has the top bit set.
    const unsigned id = unsigned(index);
    Faces& faces = files[QByteArray(reinterpret_cast<const char*>(file))];
    const auto known = faces.find(id & 0xFFFFu);
    if (known != faces.end() && known->second.id <= id) return;
    Face face;
    face.id = id;
    face.family = familyOf(p);
    face.fullName = englishValue(p, FC_FULLNAME, FC_FULLNAMELANG);
    if (face.fullName.isEmpty()) {
        const QString style = englishValue(p, FC_STYLE, FC_STYLELANG);
        face.fullName = style.isEmpty() ? face.family : face.family + QLatin1Char(' ') + style;
    }
    FcChar8* format = nullptr;
    if (FcPatternGetString(p, FC_FONTFORMAT, 0, &format) == FcResultMatch)
        face.format = QString::fromUtf8(reinterpret_cast<const char*>(format));
    FcBool outline = FcTrue;
    if (FcPatternGetBool(p, FC_OUTLINE, 0, &outline) == FcResultMatch) face.outline = outline;
    FcBool scalable = FcTrue;
    if (FcPatternGetBool(p, FC_SCALABLE, 0, &scalable) == FcResultMatch) face.scalable = scalable;
    faces[id & 0xFFFFu] = face;
}

// The registry's suffix by outline format. Fonts of fixed sizes only are "(Bitmap)"; colour
// bitmaps that scale (emoji) are scalable to fontconfig and named by their container.
QString suffixFor(const Face& f) {
    if (!f.scalable || (!f.outline && f.format != QLatin1String("TrueType")))
        return QStringLiteral(" (Bitmap)");
    if (f.format == QLatin1String("TrueType")) return QStringLiteral(" (TrueType)");
    // CFF2 outlines (variable OpenType) are reported as "CFF" too.
    if (f.format == QLatin1String("CFF")) return QStringLiteral(" (OpenType)");
    if (f.format == QLatin1String("Type 1") || f.format == QLatin1String("CID Type 1"))
        return QStringLiteral(" (Type 1)");
    if (f.format == QLatin1String("BDF") || f.format == QLatin1String("PCF") ||
        f.format == QLatin1String("Windows FNT"))
        return QStringLiteral(" (Bitmap)");
    return f.format.isEmpty() ? QStringLiteral(" (Other)") : QStringLiteral(" (%1)").arg(f.format);
}

FontconfigFonts::InstalledFile describe(const QString& path, const Faces& faces) {
    FontconfigFonts::InstalledFile out;
    out.path = path;
    QStringList fullNames; // each name once: the faces of a collection may share one
    for (const auto& [number, face] : faces) {
        const QString name =
            face.fullName.isEmpty() ? QFileInfo(path).completeBaseName() : face.fullName;
        if (!fullNames.contains(name)) fullNames.append(name);
    }
    const Face& first = faces.begin()->second;
    out.resourceName = fullNames.join(QStringLiteral(" & "));
    out.faceName = first.family.isEmpty() ? fullNames.first() : first.family;
    out.valueName = out.resourceName + suffixFor(first);
    return out;
}

// One face of a file of several: a font of its own, under its own family.
FontconfigFonts::InstalledFile describeFace(const QString& path, unsigned number,
                                            const Face& face) {
    FontconfigFonts::InstalledFile out;
    out.path = path;
    out.face = int(number);
    const QString name =
        face.fullName.isEmpty() ? QFileInfo(path).completeBaseName() : face.fullName;
    out.resourceName = name;
    out.faceName = face.family.isEmpty() ? name : face.family;
    out.valueName = name + suffixFor(face);
    return out;
}

FaceNames unreadable(const QString& fileOrPath) {
    const QString base = QFileInfo(fileOrPath).completeBaseName();
    return FaceNames{base, base, false, {}, {}};
}

// Rescans one folder's fonts and writes its cache; true when a valid cache is on disk after.
bool refresh(FcConfig* config, const QString& dir) {
    const QByteArray d = QFile::encodeName(dir);
    // A folder fontconfig cannot scan without waiting for good keeps the cache it has.
    if (holdsSpecialFiles(d)) return false;
    FcCache* cache = FcDirCacheRead(fc(d), FcTrue, config);
    if (!cache) return false;
    FcDirCacheUnload(cache);
    FcCache* written = FcDirCacheLoad(fc(d), config, nullptr);
    if (!written) return false;
    FcDirCacheUnload(written);
    return true;
}

} // namespace

QStringList type1Companions(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot <= path.lastIndexOf(QLatin1Char('/'))) return {};
    const QString suffix = path.mid(dot + 1).toLower();
    if (suffix != QLatin1String("pfb") && suffix != QLatin1String("pfa") &&
        suffix != QLatin1String("t1"))
        return {};
    QStringList out;
    for (const char* ext : {"afm", "AFM", "pfm", "PFM"}) {
        const QString companion = path.left(dot + 1) + QLatin1String(ext);
        if (QFileInfo(companion).isFile()) out << companion;
    }
    return out;
}

QString FontconfigFonts::fontsFolder() {
    // Asked once per font by a refresh: the answer is kept while the environment says the same.
    const QByteArray key = qgetenv("XDG_DATA_HOME") + '\0' + qgetenv("HOME");
    if (key == fontsFolderKey_) return fontsFolder_;
    fontsFolderKey_ = key;
    fontsFolder_ = computeFontsFolder();
    return fontsFolder_;
}

QString FontconfigFonts::computeFontsFolder() {
    QString xdg = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
    if (xdg.isEmpty() || !QDir::isAbsolutePath(xdg)) {
        const QString home = QString::fromLocal8Bit(qgetenv("HOME"));
        if (home.isEmpty()) return {};
        xdg = home + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(xdg + QStringLiteral("/fonts")) + QLatin1Char('/');
}

QString FontconfigFonts::absolutePath(const QString& fileName) {
    if (fileName.isEmpty()) return {};
    if (QDir::isAbsolutePath(fileName)) return QDir::cleanPath(fileName);
    const QString folder = fontsFolder();
    if (folder.isEmpty()) return {};
    // A bare name, as the catalogue keeps most files: already clean.
    if (!fileName.contains(QLatin1Char('/')) && fileName != QLatin1String(".") &&
        fileName != QLatin1String(".."))
        return folder + fileName;
    return QDir::cleanPath(folder + fileName);
}

std::vector<FontconfigFonts::InstalledFile> FontconfigFonts::installedFiles() {
    settle();
    std::vector<InstalledFile> out;
    unusableNames_.clear();
    Config config = privateConfig();
    if (!config) return out;

    FileFaces files;
    // The folder of links to visible fonts is the program's own view, not installed fonts.
    walkFontFolders(config.get(), {}, QFile::encodeName(FontconfigResources::defaultFarmRoot()),
                    [&](const FontFolderVisit& v) {
                        if (!v.fonts) return;
                        for (int i = 0; i < v.fonts->nfont; ++i)
                            addPattern(files, v.fonts->fonts[i]);
                    });

    const SelectionMatcher removed(readFontSelection(removedFontsConfPath()));
    out.reserve(files.size());
    for (const auto& [file, faces] : files) {
        if (faces.empty()) continue;
        const QString path = QFile::decodeName(file);
        // A name that is not valid text cannot be stored or handed back exactly: left out, and
        // said so, rather than catalogued under a name that points nowhere.
        if (QFile::encodeName(path) != file) {
            unusableNames_.append(path);
            continue;
        }
        const bool gone = removed.rejects(path);
        if (faces.size() == 1) {
            InstalledFile f = describe(path, faces);
            f.removed = gone;
            out.push_back(std::move(f));
            continue;
        }
        for (const auto& [number, face] : faces) {
            InstalledFile f = describeFace(path, number, face);
            f.removed = gone;
            out.push_back(std::move(f));
        }
    }
    return out;
}

std::vector<FontValue> FontconfigFonts::enumerate() {
    const QString folder = fontsFolder();
    const QString folderDir = folder.isEmpty() ? QString() : folder.chopped(1);
    std::vector<FontValue> values;
    std::vector<InstalledFile> listed = installedFiles();
    values.reserve(listed.size());
    for (const InstalledFile& f : listed) {
        if (f.removed) continue;
        // Compared as spelled: bare names are resolved against fontsFolder() again later, and
        // fontconfig matches rejection globs against its own spelling of the path.
        const bool direct = !folderDir.isEmpty() && parentOf(f.path) == folderDir;
        values.push_back(FontValue{
            f.valueName, direct ? f.path.mid(f.path.lastIndexOf(QLatin1Char('/')) + 1) : f.path,
            f.face, f.faceName});
    }
    const std::lock_guard<std::mutex> hold(namesLock_);
    names_.clear();
    forgotten_.clear();
    listed_ = std::move(listed);
    return values;
}

const QHash<QString, FaceNames>& FontconfigFonts::names() {
    const std::lock_guard<std::mutex> hold(namesLock_);
    if (listed_.empty()) return names_;
    names_.reserve(qsizetype(listed_.size()));
    for (const InstalledFile& f : listed_) {
        // A collection's names are kept per face, in its values: read() names its file whole.
        if (f.face == 0)
            names_.insert(f.path, FaceNames{f.resourceName, f.faceName, true, f.valueName, {}});
        else
            names_.remove(f.path);
    }
    for (const QString& path : std::as_const(forgotten_))
        names_.remove(path);
    listed_ = {};
    forgotten_.clear();
    return names_;
}

void FontconfigFonts::forgetNames(const QString& path) {
    const std::lock_guard<std::mutex> hold(namesLock_);
    if (listed_.empty())
        names_.remove(path);
    else
        forgotten_.insert(path);
}

FaceNames FontconfigFonts::read(const QString& fileOrPath) {
    const QString path = absolutePath(fileOrPath);
    if (path.isEmpty()) return unreadable(fileOrPath);
    const QHash<QString, FaceNames>& known = names();
    if (const auto it = known.constFind(path); it != known.constEnd()) return *it;
    // Opening a FIFO or a device would wait for good: only regular files are read.
    if (!QFileInfo(path).isFile()) return unreadable(fileOrPath);
    FcFontSet* set = FcFontSetCreate();
    if (!set) return unreadable(fileOrPath);
    FcFreeTypeQueryAll(fc(QFile::encodeName(path)), unsigned(-1), nullptr, nullptr, set);
    FileFaces files;
    for (int i = 0; i < set->nfont; ++i)
        addPattern(files, set->fonts[i]);
    FcFontSetDestroy(set);
    if (files.empty() || files.begin()->second.empty()) return unreadable(fileOrPath);
    const Faces& faces = files.begin()->second;
    if (faces.size() == 1) {
        const InstalledFile f = describe(path, faces);
        return FaceNames{f.resourceName, f.faceName, true, f.valueName, {}};
    }
    // A collection's faces are catalogued one by one, as the listing names them.
    FaceNames out;
    out.readable = true;
    for (const auto& [number, face] : faces) {
        const InstalledFile f = describeFace(path, number, face);
        if (out.valueName.isEmpty()) {
            out.resourceName = f.resourceName;
            out.faceName = f.faceName;
            out.valueName = f.valueName;
        } else {
            out.furtherFaces.push_back({int(number), f.faceName, f.valueName, f.resourceName});
        }
    }
    return out;
}

FontconfigFonts::Location FontconfigFonts::locate(const QString& fileName) {
    const QString folder = fontsFolder();
    if (folder.isEmpty() || fileName.isEmpty()) return {};
    // Not cleaned: ".." must be resolved by the file system, after any link before it.
    const QString raw = QDir::isAbsolutePath(fileName) ? fileName : folder + fileName;
    const qsizetype slash = raw.lastIndexOf(QLatin1Char('/'));
    const QString name = raw.mid(slash + 1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return {};
    const QString realFolder = QFileInfo(folder).canonicalFilePath();
    const QString realDir =
        QFileInfo(slash == 0 ? QStringLiteral("/") : raw.left(slash)).canonicalFilePath();
    if (realFolder.isEmpty() || realDir.isEmpty()) return {};
    const QString folderDir = folder.chopped(1);
    if (realDir == realFolder) return {folderDir, name};
    if (realDir.startsWith(realFolder + QLatin1Char('/')))
        return {folderDir + realDir.mid(realFolder.size()), name};
    return {};
}

bool FontconfigFonts::registerFile(const QString& fileName) {
    return registerFiles({fileName}).isEmpty();
}

QStringList FontconfigFonts::registerFiles(const QStringList& fileNames) {
    settle();
    QStringList missing;
    std::map<QString, std::vector<std::pair<QString, QString>>> byDir; // given, name
    for (const QString& f : fileNames) {
        const Location at = locate(f);
        if (at.dir.isEmpty() || !QFileInfo(at.dir + QLatin1Char('/') + at.name).isFile()) {
            missing << f;
            continue;
        }
        forgetNames(at.dir + QLatin1Char('/') + at.name);
        byDir[at.dir].push_back({f, at.name});
    }
    if (byDir.empty()) return missing;
    Config config = privateConfig();
    if (!config) {
        for (const auto& [dir, files] : byDir)
            for (const auto& file : files)
                missing << file.first;
        return missing;
    }
    // A file in a new subfolder changes the folders above it as well; each folder is scanned
    // once, however many files arrived in it.
    const QString top = fontsFolder().chopped(1);
    QSet<QString> refreshed;
    for (const auto& [dir, files] : byDir) {
        for (QString d = dir;; d = parentOf(d)) {
            if (!refreshed.contains(d)) {
                refresh(config.get(), d);
                refreshed.insert(d);
            }
            if (d.size() <= top.size()) break;
        }
        // Installed means listed: a file fontconfig cannot read is in the folder, not installed.
        QSet<QByteArray> listed;
        if (FcCache* cache = readFolderCache(config.get(), QFile::encodeName(dir))) {
            for (const QByteArray& file : cacheFiles(cache))
                listed.insert(file);
            FcDirCacheUnload(cache);
        }
        for (const auto& [given, name] : files)
            if (!listed.contains(QFile::encodeName(dir + QLatin1Char('/') + name)))
                missing << given;
    }
    return missing;
}

QString FontconfigFonts::installProblem() {
    const QString folder = fontsFolder();
    if (folder.isEmpty())
        return T::tr("Your fonts folder is not known: neither XDG_DATA_HOME nor HOME is "
                     "set.");
    Config config = privateConfig();
    if (!config) return T::tr("The font configuration could not be loaded.");
    const QString want = folder.chopped(1);
    const QString wantReal = QFileInfo(want).canonicalFilePath();
    const auto covers = [](const QString& dir, const QString& path) {
        return !dir.isEmpty() && !path.isEmpty() &&
               (path == dir ||
                path.startsWith(dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/')));
    };
    bool read = false;
    FcStrList* dirs = FcConfigGetFontDirs(config.get());
    while (FcChar8* d = FcStrListNext(dirs)) {
        const QString dir = QDir::cleanPath(QFile::decodeName(reinterpret_cast<const char*>(d)));
        // Folders below a configured one are read too.
        if (covers(dir, want) || covers(QFileInfo(dir).canonicalFilePath(), wantReal)) {
            read = true;
            break;
        }
    }
    FcStrListDone(dirs);
    if (read) return {};
    return T::tr("Your fonts folder %1 is not one of the folders your font "
                 "configuration reads, so fonts copied there would not be installed.")
        .arg(folder);
}

std::vector<std::pair<QString, QString>>
FontconfigFonts::removeFiles(const QStringList& fileNames) {
    // At once: set aside and deleted in one go, with nothing to recover.
    const std::unique_ptr<FileJournal> journal = FileJournal::inMemory(QStringLiteral("delete"));
    std::vector<std::pair<QString, QString>> failed = setAsideFiles(fileNames, *journal);
    for (const QString& problem : finishRemoval(*journal))
        qWarning("Letterbay: %s", qUtf8Printable(problem));
    return failed;
}

std::vector<std::pair<QString, QString>>
FontconfigFonts::setAsideFiles(const QStringList& fileNames, FileJournal& journal) {
    settle();
    // Problems by the position of the file given, so they are told in the order asked.
    std::map<int, std::pair<QString, QString>> failed;
    QStringList toReject, rejectedGiven;
    // Every file to set aside, its Type 1 metrics after it, under a hidden name beside it:
    // fontconfig passes over such a name, and a rename takes no space.
    struct Aside {
        int given;
        QString file, aside;
        bool companion;
    };
    std::vector<Aside> asides;
    QSet<QString> targets;
    const auto asideIn = [](const QString& dir) {
        return dir + QStringLiteral("/.letterbay-deleted-") +
               QString::number(QRandomGenerator::global()->generate64(), 36);
    };
    for (int i = 0; i < fileNames.size(); ++i) {
        const QString& f = fileNames[i];
        const QString path = absolutePath(f);
        if (path.isEmpty()) {
            failed[i] = {f, T::tr("your fonts folder is not known")};
            continue;
        }
        const Location at = locate(f);
        const QFileInfo given(path);
        if (at.dir.isEmpty() && !given.exists() && !given.isSymLink() &&
            path.startsWith(fontsFolder()))
            continue; // its folder in the fonts folder is gone, and the file with it
        if (at.dir.isEmpty()) {
            // Installed system-wide (or the folder is gone): hidden for good, never deleted.
            if (!isXmlText(path)) {
                failed[i] = {f, T::tr("its name cannot be written to the list of removed fonts")};
                continue;
            }
            toReject << path;
            rejectedGiven << f;
            continue;
        }
        const QString target = at.dir + QLatin1Char('/') + at.name;
        const QFileInfo info(target);
        if (!info.exists() && !info.isSymLink()) continue; // gone already
        if (targets.contains(target)) continue;            // named twice
        targets.insert(target);
        // Never a folder; a link is removed itself, never what it points to.
        if (!info.isSymLink() && !info.isFile()) {
            failed[i] = {f, T::tr("it is not a file")};
            continue;
        }
        asides.push_back({i, target, asideIn(at.dir), false});
        // The font is gone whatever becomes of its metrics: a companion left behind is harmless.
        for (const QString& companion : type1Companions(target))
            asides.push_back({i, companion, asideIn(at.dir), true});
    }
    // Every rename is announced before the first is made, all with one sync.
    std::vector<QStringList> records;
    records.reserve(asides.size());
    for (const Aside& a : asides)
        records.push_back({a.file, a.aside});
    const bool announced = journal.recordAll(QStringLiteral("aside"), records);
    if (announced && !records.empty()) faultPoint("delete.announced");
    for (size_t k = 0; k < asides.size(); ++k) {
        const Aside& a = asides[k];
        if (a.companion) continue;
        const auto companionsEnd = std::find_if(asides.begin() + qsizetype(k) + 1, asides.end(),
                                                [](const Aside& next) { return !next.companion; });
        if (!announced) {
            failed[a.given] = {fileNames[a.given], journal.error()};
            continue;
        }
        if (::rename(QFile::encodeName(a.file).constData(),
                     QFile::encodeName(a.aside).constData()) != 0) {
            failed[a.given] = {fileNames[a.given], QString::fromLocal8Bit(std::strerror(errno))};
            continue;
        }
        forgetNames(a.file);
        for (auto c = asides.begin() + qsizetype(k) + 1; c != companionsEnd; ++c)
            ::rename(QFile::encodeName(c->file).constData(),
                     QFile::encodeName(c->aside).constData());
    }
    if (!toReject.isEmpty()) {
        std::vector<QStringList> rejects;
        for (const QString& path : std::as_const(toReject))
            rejects.push_back({path});
        QString problem = journal.recordAll(QStringLiteral("reject"), rejects)
                              ? addRemovals(toReject)
                              : journal.error();
        if (!problem.isEmpty())
            for (int i = 0; i < fileNames.size(); ++i)
                if (rejectedGiven.contains(fileNames[i]) && !failed.count(i))
                    failed[i] = {fileNames[i], problem};
    }
    std::vector<std::pair<QString, QString>> out;
    out.reserve(failed.size());
    for (auto& [i, f] : failed)
        out.push_back(std::move(f));
    return out;
}

namespace {

// Takes `step` over the files a removal's journal set aside, as (original, aside): the problems
// it answers are collected, and the folders it touched noted for a rescan.
QStringList forEachAside(const FileJournal& journal, QSet<QString>& dirs,
                         const std::function<QString(const QString&, const QString&)>& step) {
    QStringList problems;
    for (const QStringList& f : journal.fieldsOf(QStringLiteral("aside"))) {
        if (f.size() != 2) continue;
        if (const QString problem = step(f[0], f[1]); !problem.isEmpty()) problems << problem;
        dirs.insert(parentOf(f[0]));
    }
    return problems;
}

QString failedOn(const QString& path) {
    return path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QStringList FontconfigFonts::finishRemoval(const FileJournal& journal) {
    settle();
    QSet<QString> dirs;
    const QStringList problems =
        forEachAside(journal, dirs, [](const QString&, const QString& aside) {
            const bool gone =
                ::unlink(QFile::encodeName(aside).constData()) == 0 || errno == ENOENT;
            return gone ? QString() : failedOn(aside);
        });
    // One scan per folder, however many files left it, and nobody waits for it: a cache that
    // still lists the files is out of date by its folder's time, so every reader, this one
    // included, scans the folder itself until the new cache is written.
    if (!dirs.isEmpty()) refreshLater(QStringList(dirs.begin(), dirs.end()));
    return problems;
}

QStringList FontconfigFonts::undoRemoval(const FileJournal& journal) {
    settle();
    QSet<QString> dirs;
    QStringList problems =
        forEachAside(journal, dirs, [](const QString& original, const QString& aside) {
            const QFileInfo info(aside);
            if (!info.exists() && !info.isSymLink()) return QString(); // never set aside
            const bool back = ::rename(QFile::encodeName(aside).constData(),
                                       QFile::encodeName(original).constData()) == 0;
            return back ? QString() : failedOn(original);
        });
    QStringList rejected;
    for (const QStringList& f : journal.fieldsOf(QStringLiteral("reject")))
        if (!f.isEmpty()) rejected << f[0];
    if (!rejected.isEmpty())
        if (const QString problem = dropRemovals(rejected); !problem.isEmpty()) problems << problem;
    if (!dirs.isEmpty())
        if (Config config = privateConfig())
            for (const QString& dir : std::as_const(dirs))
                refresh(config.get(), dir);
    return problems;
}

void FontconfigFonts::refreshLater(const QStringList& dirs) {
    settle();
    rescan_ = std::thread([dirs] {
        if (Config config = privateConfig())
            for (const QString& dir : dirs)
                refresh(config.get(), dir);
    });
}

void FontconfigFonts::settle() {
    if (rescan_.joinable()) rescan_.join();
}

FontconfigFonts::~FontconfigFonts() {
    settle();
}

QString FontconfigFonts::addRemovals(const QStringList& paths) {
    const QString conf = removedFontsConfPath();
    FontSelection selection = readFontSelection(conf);
    for (const QString& path : paths) {
        QStringList& list = isLiteralGlob(path) ? selection.rejectGlobs : selection.rejectFiles;
        if (!list.contains(path)) list.append(path);
    }
    return writeFontSelection(conf, selection,
                              QStringLiteral("Fonts removed with Letterbay. They stay installed "
                                             "for other users; delete an entry to restore it."));
}

QString FontconfigFonts::dropRemovals(const QStringList& paths) {
    const QString conf = removedFontsConfPath();
    FontSelection selection = readFontSelection(conf);
    for (const QString& path : paths) {
        selection.rejectGlobs.removeAll(path);
        selection.rejectFiles.removeAll(path);
    }
    return writeFontSelection(conf, selection,
                              QStringLiteral("Fonts removed with Letterbay. They stay installed "
                                             "for other users; delete an entry to restore it."));
}

} // namespace lb
