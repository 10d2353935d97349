#include "platform/hidden_fonts.h"

#include "core/paths.h"
#include "platform/checked_file.h"
#include "platform/font_folders.h"
#include "platform/font_selection.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QVarLengthArray>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(HiddenFonts)
};
} // namespace

namespace {

const QByteArray StateMagic = "letterbay-hidden-fonts 1";
const QByteArray SerialMark = "letterbay-serial ";

// Appends one line's value, with backslash, line break and NUL escaped. Most values have none of
// them and are appended whole: the state is written with every activation, a line per hidden font.
void appendLine(QByteArray& out, const char* key, const QByteArray& value) {
    out += key;
    out += ' ';
    if (std::none_of(value.begin(), value.end(),
                     [](char c) { return c == '\\' || c == '\n' || c == '\0'; })) {
        out += value;
    } else {
        for (const char c : value) {
            if (c == '\\')
                out += "\\\\";
            else if (c == '\n')
                out += "\\n";
            else if (c == '\0')
                out += "\\0";
            else
                out += c;
        }
    }
    out += '\n';
}

// A line's value as written by appendLine(); one copy, none made twice, since a start reads a
// line per hidden font.
QByteArray unescapeLine(QByteArrayView value) {
    if (!value.contains('\\')) return value.toByteArray();
    QByteArray out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            ++i;
            out += value[i] == 'n' ? '\n' : value[i] == '0' ? '\0' : value[i];
        } else {
            out += value[i];
        }
    }
    return out;
}

bool isUnder(const QByteArray& path, const QByteArray& folder) {
    if (folder == "/") return path.startsWith('/');
    return path == folder || (path.startsWith(folder) && path.size() > folder.size() &&
                              path.at(folder.size()) == '/');
}

QByteArray join(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

QString text(const QByteArray& path) {
    return QFile::decodeName(path);
}

// A hidden font is a file (links resolved), or one face of a file of several: the file, a NUL and
// the face's number. The first face of a file is named by the file alone.
QByteArray idFile(const QByteArray& id) {
    const qsizetype nul = id.indexOf('\0');
    return nul < 0 ? id : id.left(nul);
}

QByteArray faceId(const QByteArray& file, int face) {
    return face <= 0 ? file : file + '\0' + QByteArray::number(face);
}

// A hidden font as a person reads it.
QString shown(const QByteArray& id) {
    const qsizetype nul = id.indexOf('\0');
    if (nul < 0) return text(id);
    return QStringLiteral("%1 (face %2)")
        .arg(text(id.left(nul)), QString::fromLatin1(id.mid(nul + 1)));
}

// A file's fontconfig indices: nearly always one, kept without an allocation of its own.
using Indices = QVarLengthArray<int, 2>;

// The fontconfig indices of each font file of a folder's set, in the order first listed. A face
// number is the index's low 16 bits; the high bits number a variable font's named instances.
std::vector<std::pair<QByteArray, Indices>> fileIndices(const FcFontSet* set) {
    std::vector<std::pair<QByteArray, Indices>> out;
    if (!set) return out;
    out.reserve(size_t(set->nfont));
    // fontconfig lists a folder's files in name order, each file's faces together, so a file is
    // told from the one before it alone. A name out of that order is looked up among all.
    const char* previous = nullptr;
    size_t last = 0; // the entry of `previous`
    QHash<QByteArray, size_t> at;
    for (int i = 0; i < set->nfont; ++i) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
        int index = 0;
        FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
        const char* name = reinterpret_cast<const char*>(file);
        const int order = previous ? std::strcmp(name, previous) : 1;
        previous = name;
        if (order == 0) {
            out[last].second.append(index);
            continue;
        }
        if (order < 0 && at.isEmpty()) {
            at.reserve(set->nfont);
            for (size_t k = 0; k < out.size(); ++k)
                at.insert(out[k].first, k);
        }
        const QByteArray f(name);
        if (!at.isEmpty()) {
            if (const auto it = at.constFind(f); it != at.constEnd()) {
                last = it.value();
                out[last].second.append(index);
                continue;
            }
            at.insert(f, out.size());
        }
        last = out.size();
        out.push_back({f, Indices{index}});
    }
    return out;
}

// Which of a file's indices are hidden, by the hidden faces of `id`.
Indices hiddenIndices(const QSet<QByteArray>& hidden, const QByteArray& id,
                      const Indices& indices) {
    Indices out;
    for (const int index : indices)
        if (hidden.contains(faceId(id, index & 0xFFFF))) out.append(index);
    return out;
}

// Size, change time and inode: enough to tell that another program replaced the file.
QByteArray fileKey(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return QByteArray::number(qint64(st.st_size)) + ':' + QByteArray::number(qint64(st.st_ino)) +
           ':' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qint64(st.st_mtim.tv_nsec));
}

// The exclusive hold on the shared state: every program reads, changes and writes it under this.
class StateLock {
public:
    explicit StateLock(const QString& path) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) {
            error_ =
                T::tr("Cannot lock %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            error_ =
                T::tr("Cannot lock %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
            break;
        }
    }
    ~StateLock() {
        if (fd_ >= 0) ::close(fd_); // closing releases the lock
    }
    StateLock(const StateLock&) = delete;
    StateLock& operator=(const StateLock&) = delete;
    const QString& error() const { return error_; }

private:
    int fd_ = -1;
    QString error_;
};

// The serial number a configuration file was written with; 0 when it has none of ours.
quint64 confSerial(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    const QByteArray head = file.read(1024);
    const qsizetype at = head.indexOf(SerialMark);
    if (at < 0) return 0;
    qsizetype end = at + SerialMark.size();
    while (end < head.size() && head[end] >= '0' && head[end] <= '9')
        ++end;
    return head.mid(at + SerialMark.size(), end - at - SerialMark.size()).toULongLong();
}

} // namespace

// What the configuration of a hidden set looks like: rejected folders and the farm's files.
struct HiddenFontsPlan {
    QStringList rejectGlobs;
    QStringList rejectFiles;               // hidden files of folders no glob can name
    QList<QByteArray> folders;             // spelled folders holding hidden files, for the check
    std::map<QByteArray, QByteArray> farm; // file (links resolved) -> link target
    QSet<QByteArray> gone;                 // hidden files whose folder no longer lists them
    // Files of several faces, some hidden: offered through the farm (or left in their folder),
    // with their hidden faces' indices rejected by pattern. By file (links resolved), and by the
    // spelled file for those left in place.
    std::map<QByteArray, QList<int>> partial;
    std::vector<std::pair<QString, QList<int>>> partialInPlace;
    // What it was made from, to know when it can be taken again: the hidden files, the fonts
    // removed for good, the configured font folders and every folder read, with its device,
    // inode and times. fontconfig takes a folder's cache as valid exactly as long as its time.
    QByteArray hiddenKey, removedKey;
    QList<QByteArray> roots;
    std::vector<std::pair<QByteArray, QByteArray>> readFolders;
};

namespace {

using Plan = HiddenFontsPlan;

QByteArray folderStamp(const QByteArray& folder) {
    struct stat st {};
    if (::stat(folder.constData(), &st) != 0) return {};
    return QByteArray::number(qulonglong(st.st_dev)) + ':' +
           QByteArray::number(qulonglong(st.st_ino)) + ':' +
           QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qint64(st.st_mtim.tv_nsec)) + ':' +
           QByteArray::number(qint64(st.st_ctim.tv_sec)) + '.' +
           QByteArray::number(qint64(st.st_ctim.tv_nsec));
}

// Whether every folder a plan read still has the stamp it had then.
bool foldersUnchanged(const std::vector<std::pair<QByteArray, QByteArray>>& folders) {
    return std::all_of(folders.begin(), folders.end(),
                       [](const auto& f) { return folderStamp(f.first) == f.second; });
}

// The configured font folders the walk starts from; the farm, which it passes over, aside.
QList<QByteArray> fontRoots(FcConfig* config, const QByteArray& farmRoot) {
    QList<QByteArray> roots;
    FcStrList* dirs = FcConfigGetFontDirs(config);
    while (const FcChar8* dir = dirs ? FcStrListNext(dirs) : nullptr)
        if (const QByteArray d(reinterpret_cast<const char*>(dir)); !isUnder(d, farmRoot))
            roots << d;
    if (dirs) FcStrListDone(dirs);
    return roots;
}

// FNV-1a, then mixed: the key below is kept in the state file, and Qt's qHash is seeded afresh in
// every process.
quint64 mixed(quint64 h) {
    h ^= h >> 31;
    h *= 0xbf58476d1ce4e5b9ULL;
    return h ^ (h >> 29);
}

// The hidden files, in any order, as a key: a sum and an exclusive or of their hashes under two
// seeds, both taken in one pass over each name.
QByteArray hiddenKeyOf(const QSet<QByteArray>& hidden) {
    constexpr quint64 basis = 14695981039346656037ULL, prime = 1099511628211ULL;
    quint64 a = 0, b = 0;
    for (const QByteArray& name : hidden) {
        quint64 ha = basis ^ 0x9e3779b97f4a7c15ULL, hb = basis ^ 0xc2b2ae3d27d4eb4fULL;
        for (const char c : name) {
            ha = (ha ^ quint8(c)) * prime;
            hb = (hb ^ quint8(c)) * prime;
        }
        a += mixed(ha);
        b ^= mixed(hb);
    }
    return QByteArray::number(hidden.size()) + ':' + QByteArray::number(a) + ':' +
           QByteArray::number(b);
}

// A plan's sources as one key: the hidden files, the fonts removed for good, the configured
// folders.
QByteArray planKeyOf(const QByteArray& hiddenKey, const QByteArray& removedKey,
                     const QList<QByteArray>& roots) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(hiddenKey);
    hash.addData(QByteArrayView("\n", 1));
    hash.addData(removedKey);
    for (const QByteArray& root : roots) {
        hash.addData(QByteArrayView("\n", 1));
        hash.addData(root);
    }
    return hash.result().toHex();
}

// `config`: the user's configuration, loaded afresh by the caller.
Plan makePlan(FcConfig* config, const QSet<QByteArray>& hidden, const QByteArray& farmRoot) {
    Plan plan;
    // The smallest set of folders holding every hidden file: a rejected folder covers those below.
    // Most hidden files share a few folders: each is named once, not once a file.
    QSet<QByteArray> folders;
    QByteArrayView lastFolder;
    for (const QByteArray& h : hidden) {
        const qsizetype nul = h.indexOf('\0');
        const QByteArrayView file = nul < 0 ? QByteArrayView(h) : QByteArrayView(h).first(nul);
        const qsizetype slash = file.lastIndexOf('/');
        const QByteArrayView folder = slash <= 0 ? QByteArrayView("/") : file.first(slash);
        if (folder == lastFolder) continue;
        lastFolder = folder;
        folders.insert(folder.toByteArray());
    }
    QSet<QByteArray> roots;
    for (const QByteArray& f : std::as_const(folders)) {
        bool covered = false;
        for (QByteArray p = parentFolder(f); !covered; p = parentFolder(p)) {
            covered = folders.contains(p) && p != f;
            if (p == "/") break;
        }
        if (!covered) roots.insert(f);
    }
    const auto underRoot = [&](const QByteArray& folder) {
        for (QByteArray p = folder;; p = parentFolder(p)) {
            if (roots.contains(p)) return true;
            if (p == "/") return false;
        }
    };
    const auto holdsRoot = [&](const QByteArray& folder) {
        for (const QByteArray& r : std::as_const(roots))
            if (isUnder(r, folder)) return true;
        return false;
    };
    const SelectionMatcher removed(readFontSelection(removedFontsConfPath()));
    QSet<QByteArray> rejected;      // spelled folders a glob covers
    std::vector<QByteArray> listed; // hidden faces seen in a folder's cache, each once
    QSet<QByteArray> walked;        // canonical folders whose cache was read
    const auto noteListed = [&](const QByteArray& id, const Indices& off) {
        for (qsizetype i = 0; i < off.size(); ++i) {
            // A variable font's named instances share their face: it is seen once.
            const int face = off[i] & 0xFFFF;
            bool again = false;
            for (qsizetype j = 0; j < i && !again; ++j)
                again = (off[j] & 0xFFFF) == face;
            if (!again) listed.push_back(faceId(id, face));
        }
    };
    // The file with its folder's links resolved: the spelled name itself when the folder has no
    // link on its way, as nearly always, so that a walk of thousands makes no names.
    const auto idOf = [](const FontFolderVisit& v, const QByteArray& file) {
        const QByteArray& c = v.canonical;
        if (file.size() > c.size() + 1 && file.startsWith(c) && file[c.size()] == '/' &&
            file.indexOf('/', c.size() + 1) < 0)
            return file;
        return join(c, fileNamePart(file));
    };
    std::vector<std::pair<QByteArray, QByteArray>> exactKept; // (file, id) left visible by file
    if (!config) return plan;
    plan.roots = fontRoots(config, farmRoot);
    walkFontFolders(config, {}, farmRoot, [&](const FontFolderVisit& v) {
        plan.readFolders.emplace_back(v.path, folderStamp(v.path));
        bool covered = !v.parent.isEmpty() && rejected.contains(v.parent);
        if (!covered && (underRoot(v.canonical) || (v.alias && holdsRoot(v.canonical)))) {
            const QString spelled = text(v.path);
            plan.folders << v.path;
            if (!isXmlText(spelled)) {
                qWarning("Letterbay: cannot hide the fonts of %s: its name cannot be written",
                         v.path.constData());
            } else if (!isLiteralGlob(spelled)) {
                // A glob would take '*' and '?' in the name as wildcards and hide other folders:
                // its hidden files are rejected one by one, exactly, and the others stay.
                if (v.alias) {
                    for (const QByteArray& h : hidden)
                        if (h == idFile(h) && isUnder(h, v.canonical))
                            plan.rejectFiles << text(v.path + h.mid(v.canonical.size()));
                } else if (v.fonts) {
                    walked.insert(v.canonical);
                    for (const auto& [file, indices] : fileIndices(v.fonts)) {
                        const QByteArray id = idOf(v, file);
                        const Indices off = hiddenIndices(hidden, id, indices);
                        noteListed(id, off);
                        if (!off.isEmpty() && off.size() == indices.size()) {
                            plan.rejectFiles << text(file);
                            continue;
                        }
                        if (!off.isEmpty())
                            plan.partialInPlace.push_back(
                                {text(file), QList<int>(off.begin(), off.end())});
                        exactKept.emplace_back(file, id);
                    }
                }
                return;
            } else {
                plan.rejectGlobs << spelled
                                 << spelled + (spelled.endsWith(QLatin1Char('/'))
                                                   ? QStringLiteral("*")
                                                   : QStringLiteral("/*"));
                covered = true;
            }
        }
        if (!covered) return;
        rejected.insert(v.path);
        if (v.alias || !v.fonts) return;
        walked.insert(v.canonical);
        // Fonts the glob hides that nobody chose are offered again through the farm; so is a file
        // of several faces that are not all hidden, less those faces.
        for (const auto& [file, indices] : fileIndices(v.fonts)) {
            const QByteArray id = idOf(v, file);
            const Indices off = hiddenIndices(hidden, id, indices);
            noteListed(id, off);
            if (!off.isEmpty() && off.size() == indices.size()) continue;
            if (removed.rejects(text(file)) || removed.rejects(text(id))) continue;
            plan.farm.emplace(id, id);
            if (!off.isEmpty()) plan.partial.emplace(id, QList<int>(off.begin(), off.end()));
        }
    });
    // fontconfig compares file patterns regardless of case and spaces: a visible file whose name
    // differs from a hidden one only so is offered again through the farm.
    if (!plan.rejectFiles.isEmpty()) {
        FontSelection exact;
        exact.rejectFiles = plan.rejectFiles;
        const SelectionMatcher matcher(exact);
        for (const auto& [file, id] : exactKept)
            if (matcher.rejects(text(file))) plan.farm.emplace(id, id);
    }
    // Each face seen was hidden: when as many were seen, none is gone.
    if (qsizetype(listed.size()) != hidden.size()) {
        const QSet<QByteArray> seen(listed.begin(), listed.end());
        for (const QByteArray& h : hidden)
            if (!seen.contains(h) && walked.contains(parentFolder(idFile(h)))) plan.gone.insert(h);
    }
    return plan;
}

} // namespace

QString FontconfigResources::statePath() {
    return fontconfigUserConfD() + QStringLiteral(".letterbay-inactive.state");
}

QString FontconfigResources::lockPath() {
    return fontconfigUserConfD() + QStringLiteral(".letterbay-inactive.lock");
}

QString FontconfigResources::defaultFarmRoot() {
    return dataFolder() + QStringLiteral("/visible-fonts");
}

FontconfigResources::FontconfigResources(FontRegistry& registry, QString farmRoot)
    : registry_(registry),
      farmRoot_(farmRoot.isEmpty() ? defaultFarmRoot() : QDir::cleanPath(farmRoot)) {
    // Rules of an older version move where only the installation's file reads them; a failure
    // here comes back, said, at the first write.
    if (QFileInfo::exists(fontconfigUserConfD() + QStringLiteral("78-letterbay-inactive.conf")) ||
        QFileInfo::exists(fontconfigUserConfD() + QStringLiteral("78-letterbay-removed.conf")))
        includeRules();
}

QByteArray FontconfigResources::serialiseState(const State& s) {
    QByteArray out =
        "# Fonts hidden by Letterbay from every program. Letterbay rewrites this file.\n";
    out += StateMagic + '\n';
    appendLine(out, "stamp", s.stamp.toUtf8());
    appendLine(out, "serial", QByteArray::number(s.serial));
    appendLine(out, "farm", s.farm);
    appendLine(out, "hidden", QByteArray::number(s.hidden.size()));
    QList<QByteArray> hidden(s.hidden.begin(), s.hidden.end());
    std::sort(hidden.begin(), hidden.end());
    QList<QByteArray> farmed(s.farmed.begin(), s.farmed.end());
    std::sort(farmed.begin(), farmed.end());
    qsizetype size = out.size() + 16;
    for (const QList<QByteArray>* list : {&hidden, &farmed})
        for (const QByteArray& line : *list)
            size += line.size() + 3;
    out.reserve(size);
    for (const QByteArray& h : std::as_const(hidden))
        appendLine(out, "h", h);
    for (const QByteArray& f : std::as_const(farmed))
        appendLine(out, "f", f);
    if (!s.planKey.isEmpty()) {
        appendLine(out, "plan", s.planKey);
        for (const auto& [folder, stamp] : s.planFolders)
            appendLine(out, "r", stamp + ' ' + folder);
    }
    out += "end\n";
    return out;
}

FontconfigResources::State FontconfigResources::parseState(const QByteArray& bytes,
                                                           bool headerOnly) {
    State s;
    qsizetype at = 0;
    bool magic = false, complete = false;
    while (at < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', at);
        if (end < 0) end = bytes.size();
        const QByteArrayView line(bytes.constData() + at, end - at);
        at = end + 1;
        if (line.isEmpty() || line.startsWith('#')) continue;
        if (!magic) {
            if (line != StateMagic) return {};
            magic = true;
            continue;
        }
        const qsizetype space = line.indexOf(' ');
        const QByteArrayView key = space < 0 ? line : line.first(space);
        const QByteArray value = space < 0 ? QByteArray() : unescapeLine(line.sliced(space + 1));
        if (key == "h")
            s.hidden.insert(value);
        else if (key == "f")
            s.farmed.insert(value);
        else if (key == "stamp")
            s.stamp = QString::fromUtf8(value);
        else if (key == "serial")
            s.serial = value.toULongLong();
        else if (key == "farm")
            s.farm = value;
        else if (key == "plan")
            s.planKey = value;
        else if (key == "r" && value.indexOf(' ') > 0)
            s.planFolders.emplace_back(value.mid(value.indexOf(' ') + 1),
                                       value.left(value.indexOf(' ')));
        else if (key == "hidden") {
            s.hiddenCount = value.toLongLong();
            if (headerOnly) {
                s.exists = true;
                return s;
            }
            s.hidden.reserve(qMin<qsizetype>(s.hiddenCount, bytes.size() / 4));
        } else if (key == "end")
            complete = true;
    }
    // A file cut short is no state: it was not written by us, or not to the end.
    if (!magic || !complete) return {};
    s.exists = true;
    return s;
}

QByteArray FontconfigResources::identity(const QString& ref) {
    const int face = refFace(ref);
    if (face > 0) {
        const QByteArray file = identity(refFile(ref));
        return file.isEmpty() ? file : faceId(file, face);
    }
    const QString& file = ref;
    if (file.isEmpty()) return {};
    // A bare name lies in the fonts folder: the common case, and the one activations walk by the
    // thousand, so it costs no path cleaning.
    if (!file.contains(QLatin1Char('/'))) {
        if (fontsFolder_.isNull()) {
            const QString folder = registry_.fontsFolder();
            fontsFolder_ = folder.isEmpty()
                               ? QByteArray("")
                               : canonicalFolder(QFile::encodeName(QDir::cleanPath(folder)));
        }
        if (fontsFolder_.isEmpty() || file == QLatin1String(".") || file == QLatin1String(".."))
            return {};
        const bool ascii =
            std::all_of(file.begin(), file.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (!ascii || fontsFolder_.endsWith('/'))
            return join(fontsFolder_, QFile::encodeName(file));
        // The usual name, made in place: one allocation, where encoding and joining took two.
        QByteArray id(fontsFolder_.size() + 1 + file.size(), Qt::Uninitialized);
        char* at = std::copy(fontsFolder_.cbegin(), fontsFolder_.cend(), id.data());
        *at++ = '/';
        for (const QChar c : file)
            *at++ = char(c.unicode());
        return id;
    }
    if (!QDir::isAbsolutePath(file)) return {};
    const QByteArray path = QFile::encodeName(QDir::cleanPath(file));
    const QByteArray folder = parentFolder(path);
    auto it = canonicalDirs_.constFind(folder);
    if (it == canonicalDirs_.constEnd())
        it = canonicalDirs_.insert(folder, canonicalFolder(folder));
    return join(it.value(), fileNamePart(path));
}

QByteArray FontconfigResources::diskKey() {
    return fileKey(statePath()) + '|' + fileKey(inactiveFontsConfPath());
}

const FontconfigResources::State& FontconfigResources::current() {
    // Asked once per font by list fills: whether another program replaced the state is looked
    // at no more than a few times a second. Writers read it again under the lock in any case.
    if (!stateKey_.isEmpty() && checked_.isValid() && checked_.elapsed() < 200) return state_;
    const QByteArray key = diskKey();
    if (key != stateKey_) {
        state_ = QFileInfo::exists(statePath()) ? parseState(readWholeFile(statePath())) : State{};
        stateKey_ = key;
        readConfInForce();
    }
    checked_.start();
    return state_;
}

void FontconfigResources::readConfInForce() {
    const QString conf = inactiveFontsConfPath();
    inForce_ =
        state_.hidden.isEmpty() ? !QFileInfo::exists(conf) : confSerial(conf) == state_.serial;
    confRejects_ = SelectionMatcher();
    confFarmed_.clear();
    if (inForce_) return;
    const FontSelection selection = readFontSelection(conf);
    confRejects_ = SelectionMatcher(selection);
    for (const QString& glob : selection.acceptGlobs) {
        if (glob.endsWith(QLatin1Char('*'))) continue;
        QDirIterator it(glob, QDir::Files | QDir::System | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo entry = it.nextFileInfo();
            if (entry.isSymLink()) confFarmed_.insert(QFile::encodeName(entry.symLinkTarget()));
        }
    }
}

bool FontconfigResources::hiddenOnDisk(const QByteArray& id) {
    const State& s = current();
    if (inForce_) return s.hidden.contains(id);
    const QByteArray file = idFile(id);
    return confRejects_.rejects(text(file)) && !confFarmed_.contains(file);
}

bool FontconfigResources::hiddenNow(const QByteArray& id) {
    if (toHide_.contains(id)) return true;
    // An activation hides only what it was told to.
    return !replace_ && !toShow_.contains(id) && hiddenOnDisk(id);
}

bool FontconfigResources::isHidden(const QString& file) {
    // Nothing hidden, as for most of the time: no name to work out.
    const bool nothing = current().hidden.isEmpty() && inForce_;
    if (!hasPending() && nothing) return false;
    const QByteArray id = identity(file);
    if (id.isEmpty()) return false;
    return hasPending() ? hiddenNow(id) : hiddenOnDisk(id);
}

void FontconfigResources::load(const QString& file) {
    if (const QByteArray id = identity(file); !id.isEmpty()) {
        toHide_.remove(id);
        // An activation shows every file it does not hide.
        if (!replace_) toShow_.insert(id);
    }
}

void FontconfigResources::unload(const QString& file) {
    // A file that is gone is dropped from the state at the broadcast, when its folder is read.
    if (const QByteArray id = identity(file); !id.isEmpty()) {
        toShow_.remove(id);
        toHide_.insert(id);
    }
}

void FontconfigResources::beginActivation(qsizetype files) {
    toHide_.clear();
    toShow_.clear();
    toHide_.reserve(files);
    replace_ = true;
}

void FontconfigResources::discard() {
    toHide_.clear();
    toShow_.clear();
    replace_ = false;
    // Links may have changed by the next operation.
    canonicalDirs_.clear();
    fontsFolder_ = QByteArray();
}

bool FontconfigResources::broadcast(const QString& stamp) {
    error_.clear();
    keptStamp_.clear();
    StateLock lock(lockPath());
    if (!lock.error().isEmpty()) {
        error_ = lock.error();
        discard();
        return false;
    }
    stateKey_.clear(); // read it again: another program may have changed it
    State next = current();
    const State before = next;
    // Files shown while nothing is hidden and no rules are in force, as installing or deleting
    // fonts does then, change nothing: the state is kept, stamp and all. Writing it cost a
    // deletion of a thousand fonts a sixth of its time.
    if (!replace_ && toHide_.isEmpty() && before.exists && before.hidden.isEmpty() &&
        before.farm.isEmpty() && inForce_ && !before.stamp.isEmpty()) {
        discard();
        replaced_.reset();
        unmet_.clear();
        keptStamp_ = before.stamp;
        return true;
    }
    if (replace_) {
        next.hidden = std::move(toHide_);
    } else {
        next.hidden.unite(toHide_);
        next.hidden.subtract(toShow_);
    }
    const bool ok = write(std::move(next), stamp);
    discard();
    replaced_.reset();
    if (ok) {
        replaced_ = before;
        broadcastStamp_ = stamp;
    }
    return ok;
}

bool FontconfigResources::restore() {
    if (!replaced_) return true;
    error_.clear();
    StateLock lock(lockPath());
    if (!lock.error().isEmpty()) {
        error_ = lock.error();
        return false;
    }
    stateKey_.clear();
    const State now = current();
    State previous = *std::exchange(replaced_, std::nullopt);
    // Another program's later change is in force now: it is not ours to undo.
    if (!now.exists || now.stamp != broadcastStamp_) return true;
    const QString stamp = previous.stamp;
    return write(std::move(previous), stamp);
}

namespace {
QString buildCache(const QByteArray& folder, FcConfig* config);
QByteArray linkTarget(const QByteArray& link);
QStringList unmetPlan(const QSet<QByteArray>& hidden, const QSet<QByteArray>& farmed,
                      const QList<QByteArray>& folders, const QByteArray& farm);
} // namespace

std::shared_ptr<const HiddenFontsPlan> FontconfigResources::planFor(const QSet<QByteArray>& hidden,
                                                                    FcConfig* config) {
    // Activating a set shown a moment ago finds what it needs unchanged: the plan is taken again
    // rather than read from every font folder. What programs then list is checked in any case.
    const QByteArray hiddenKey = hiddenKeyOf(hidden);
    const QByteArray removedKey = fileKey(removedFontsConfPath());
    const QList<QByteArray> roots =
        config ? fontRoots(config, QFile::encodeName(farmRoot_)) : QList<QByteArray>();
    for (auto it = plans_.begin(); it != plans_.end(); ++it) {
        const Plan& p = **it;
        if (p.hiddenKey != hiddenKey || p.removedKey != removedKey || p.roots != roots) continue;
        if (!foldersUnchanged(p.readFolders)) continue;
        std::shared_ptr<const Plan> found = *it;
        plans_.erase(it);
        plans_.insert(plans_.begin(), found);
        return found;
    }
    auto made = std::make_shared<Plan>(makePlan(config, hidden, QFile::encodeName(farmRoot_)));
    made->hiddenKey = hiddenKey;
    made->removedKey = removedKey;
    plans_.insert(plans_.begin(), made);
    if (plans_.size() > 3) plans_.pop_back();
    return made;
}

bool FontconfigResources::write(State next, const QString& stamp) {
    unmet_.clear();
    const State before = current();
    const QString conf = inactiveFontsConfPath();
    const QByteArray oldConf = readWholeFile(conf);
    const bool hadConf = QFileInfo::exists(conf);
    const QByteArray rulesBefore = fontRulesKey();
    const bool hadInclude = QFileInfo::exists(rulesIncludePath());
    next.stamp = stamp;
    next.serial = before.serial + 1;
    next.exists = true;

    QByteArray newFarm;
    QString problem;
    QList<QByteArray> checkFolders;
    if (next.hidden.isEmpty()) {
        next.farm.clear();
        next.farmed.clear();
        next.planKey.clear();
        next.planFolders.clear();
        problem = removeFileChecked(conf);
    } else {
        // One reading of the configuration serves the plan and the farm: each costs milliseconds.
        const FontConfigPtr config = loadUserFontConfig();
        const std::shared_ptr<const Plan> made = planFor(next.hidden, config.get());
        const Plan& plan = *made;
        next.hidden.subtract(plan.gone);
        // Files gone from their folders change the hidden files: the next start plans again.
        next.planKey = plan.gone.isEmpty() ? planKeyOf(plan.hiddenKey, plan.removedKey, plan.roots)
                                           : QByteArray();
        next.planFolders = plan.readFolders;
        checkFolders = plan.folders;
        QSet<QByteArray> farmed;
        for (const auto& [id, target] : plan.farm)
            farmed.insert(id);
        if (farmed.isEmpty()) {
            next.farm.clear();
        } else if (farmed != before.farmed || before.farm.isEmpty() ||
                   !QFileInfo(text(before.farm)).isDir()) {
            problem = writeFarm(plan.farm, next.serial, newFarm, config.get());
            next.farm = newFarm;
        } else {
            next.farm = before.farm;
        }
        next.farmed = farmed;
        if (problem.isEmpty()) {
            FontSelection selection;
            selection.rejectGlobs = plan.rejectGlobs;
            selection.rejectFiles = plan.rejectFiles;
            selection.rejectFaces = plan.partialInPlace;
            if (!plan.partial.empty()) {
                // Faces are rejected where other programs find their file: its link in the farm.
                QHash<QByteArray, QByteArray> entryOf;
                QDirIterator it(text(next.farm), QDir::Files | QDir::System,
                                QDirIterator::Subdirectories);
                while (it.hasNext()) {
                    const QByteArray entry = QFile::encodeName(it.next());
                    entryOf.insert(linkTarget(entry), entry);
                }
                for (const auto& [id, indices] : plan.partial)
                    if (const auto e = entryOf.constFind(id); e != entryOf.constEnd())
                        selection.rejectFaces.push_back({text(e.value()), indices});
            }
            QStringList dirs;
            if (!next.farm.isEmpty()) {
                const QString farm = text(next.farm);
                dirs << farm;
                // The farm is never hidden, wherever it lies.
                selection.acceptGlobs << farm << farm + QStringLiteral("/*");
            }
            const QByteArray bytes = serialiseFontConfig(
                selection,
                QStringLiteral("Fonts hidden by Letterbay. Letterbay rewrites this file: edits "
                               "are lost. ") +
                    QString::fromLatin1(SerialMark) + QString::number(next.serial),
                dirs);
            problem = includeRules();
            if (problem.isEmpty()) problem = replaceFileChecked(conf, bytes);
        }
    }
    if (problem.isEmpty()) {
        problem = replaceFileChecked(statePath(), serialiseState(next));
        if (!problem.isEmpty()) {
            // The configuration must not run ahead of the state that records it.
            const QString undone =
                hadConf ? replaceFileChecked(conf, oldConf) : removeFileChecked(conf);
            if (!undone.isEmpty())
                problem += T::tr(" The fonts other programs see could not be put back either "
                                 "(%1); they follow the database again at the next start.")
                               .arg(undone);
        }
    }
    if (!problem.isEmpty()) {
        error_ = problem;
        if (!newFarm.isEmpty()) removeOldFarms(before.farm, before.farm);
        stateKey_.clear();
        return false;
    }
    if (removeOldFarms(next.farm, before.farm)) pruneStore();
    if (fontRulesKey() != rulesBefore) {
        announceFontChange();
        // Programs that started before the include existed watch none of our files, but they
        // watch the fonts folder.
        if (!hadInclude && QFileInfo::exists(rulesIncludePath())) touchFontsFolder();
    }
    state_ = next;
    stateKey_ = diskKey();
    readConfInForce();
    if (!checkFolders.isEmpty())
        unmet_ = unmetPlan(next.hidden, next.farmed, checkFolders, next.farm);
    return true;
}

void FontconfigResources::touchFontsFolder() {
    // Spelled as fontconfig spells its folders, without the trailing slash: the cache's name is
    // made from the spelling, and one written under another name leaves every program to scan
    // the folder again.
    const QByteArray fonts = QFile::encodeName(QDir::cleanPath(registry_.fontsFolder()));
    // Its cache is written again at once, so that no program pays a scan for the new time.
    if (QFileInfo(text(fonts)).isDir() && ::utimensat(AT_FDCWD, fonts.constData(), nullptr, 0) == 0)
        buildCache(fonts, loadUserFontConfig().get());
}

void FontconfigResources::announceToEarlierPrograms() {
    StateLock lock(lockPath());
    if (lock.error().isEmpty()) touchFontsFolder();
}

namespace {

QByteArray storeName(const QByteArray& target) {
    return QCryptographicHash::hash(target, QCryptographicHash::Sha1).toHex().left(24);
}

QByteArray linkTarget(const QByteArray& link) {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(link.constData(), buffer, sizeof buffer);
    return n < 0 ? QByteArray() : QByteArray(buffer, n);
}

QString systemError(const QString& what, const QByteArray& path) {
    return QStringLiteral("%1 %2: %3")
        .arg(what, text(path), QString::fromLocal8Bit(std::strerror(errno)));
}

// fontconfig names a folder's cache file after the MD5 of the folder's path, and locks it with
// "<cache>.LCK" (made from "<cache>.TMP-*", written as "<cache>.NEW"), which it takes as stale only
// after ten minutes. We build farm caches only under the state lock, so such a file left for one
// of our folders belongs to a writer that was killed: removed, the build works at once.
void removeDeadCacheLocks(FcConfig* config, const QByteArray& folder) {
    const QByteArray prefix =
        QCryptographicHash::hash(folder, QCryptographicHash::Md5).toHex() + '-';
    FcStrList* dirs = FcConfigGetCacheDirs(config);
    if (!dirs) return;
    while (const FcChar8* dir = FcStrListNext(dirs)) {
        const QString cacheDir = QFile::decodeName(reinterpret_cast<const char*>(dir));
        for (const QString& name : QDir(cacheDir).entryList(
                 QStringList{QFile::decodeName(prefix) + QStringLiteral("*")},
                 QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
            if (!name.endsWith(QLatin1String(".LCK")) && !name.endsWith(QLatin1String(".NEW")) &&
                !name.contains(QLatin1String(".TMP-")))
                continue;
            const QByteArray path = QFile::encodeName(cacheDir + QLatin1Char('/') + name);
            // Without hard links fontconfig locks with a folder.
            if (::unlink(path.constData()) != 0) ::rmdir(path.constData());
        }
    }
    FcStrListDone(dirs);
}

// Builds and writes the fontconfig cache of one folder of links; empty text on success.
QString buildCache(const QByteArray& folder, FcConfig* config) {
    if (!config) return T::tr("The font configuration could not be loaded.");
    removeDeadCacheLocks(config, folder);
    const FcChar8* dir = reinterpret_cast<const FcChar8*>(folder.constData());
    if (FcCache* cache = FcDirCacheRead(dir, FcTrue, config)) FcDirCacheUnload(cache);
    FcCache* written = FcDirCacheLoad(dir, config, nullptr);
    if (!written) return T::tr("The font cache of %1 could not be written.").arg(text(folder));
    FcDirCacheUnload(written);
    return {};
}

// The files the farm's caches hold, as their links point to them, before the configuration's own
// rules pass over any. A file held there but not listed is one those rules refuse wherever it
// lies (fonts of fixed sizes, where the desktop shows none): it was not shown before either.
QSet<QByteArray> farmOffers(FcConfig* config, const QByteArray& farm) {
    QSet<QByteArray> offered;
    QList<QByteArray> dirs{farm};
    while (!dirs.isEmpty()) {
        const QByteArray dir = dirs.takeLast();
        FcCache* cache =
            FcDirCacheLoad(reinterpret_cast<const FcChar8*>(dir.constData()), config, nullptr);
        if (!cache) continue;
        for (int i = 0; i < FcCacheNumSubdir(cache); ++i)
            dirs << QByteArray(reinterpret_cast<const char*>(FcCacheSubdir(cache, i)));
        if (FcFontSet* set = FcCacheCopySet(cache)) {
            for (const auto& [file, indices] : fileIndices(set))
                offered.insert(linkTarget(file));
            FcFontSetDestroy(set);
        }
        FcDirCacheUnload(cache);
    }
    return offered;
}

// What a program starting now lists of the folders holding hidden files and of the farm, against
// what was written: the hidden files it still lists and the farmed ones it does not. Only those
// folders are read, from their caches, so the check costs little.
QStringList unmetPlan(const QSet<QByteArray>& hidden, const QSet<QByteArray>& farmed,
                      const QList<QByteArray>& folders, const QByteArray& farm) {
    FontConfigPtr config = loadUserFontConfig();
    if (!config) return {T::tr("The font configuration could not be loaded.")};
    QList<QByteArray> dirs = folders;
    if (!farm.isEmpty()) dirs << farm;
    for (const QByteArray& d : std::as_const(dirs))
        FcConfigAppFontAddDir(config.get(), reinterpret_cast<const FcChar8*>(d.constData()));
    QSet<QByteArray> listed, listedFaces;
    QHash<QByteArray, QByteArray> canonical;
    if (FcFontSet* set = FcConfigGetFonts(config.get(), FcSetApplication)) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
            int index = 0;
            FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &index);
            const QByteArray path(reinterpret_cast<const char*>(file));
            QByteArray id;
            if (!farm.isEmpty() && isUnder(path, farm)) {
                id = linkTarget(path);
            } else {
                const QByteArray folder = parentFolder(path);
                auto it = canonical.constFind(folder);
                if (it == canonical.constEnd())
                    it = canonical.insert(folder, canonicalFolder(folder));
                id = join(it.value(), fileNamePart(path));
            }
            listed.insert(id);
            listedFaces.insert(faceId(id, index & 0xFFFF));
        }
    }
    QStringList unmet;
    for (const QByteArray& h : hidden)
        if (listedFaces.contains(h)) unmet << T::tr("%1 is not hidden").arg(shown(h));
    std::optional<QSet<QByteArray>> offered; // read only when a farmed file is missing
    for (const QByteArray& f : farmed) {
        if (listed.contains(f)) continue;
        if (!offered) offered = farmOffers(config.get(), farm);
        if (!offered->contains(f)) unmet << T::tr("%1 is hidden").arg(text(f));
    }
    unmet.sort();
    return unmet;
}

} // namespace

QString FontconfigResources::writeFarm(const std::map<QByteArray, QByteArray>& targets,
                                       quint64 serial, QByteArray& folder, FcConfig* config) {
    const QByteArray root = QFile::encodeName(farmRoot_);
    // Switching back to a set shown a moment ago finds its generation still there: taken again as
    // it is, caches and all.
    QCryptographicHash digest(QCryptographicHash::Sha1);
    for (const auto& [id, target] : targets) {
        digest.addData(target);
        digest.addData(QByteArrayView("\n", 1));
    }
    const QByteArray manifest = digest.result().toHex();
    {
        QDir rootDir(farmRoot_);
        for (const QString& g : rootDir.entryList(QStringList{QStringLiteral("g*")},
                                                  QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QByteArray candidate = QFile::encodeName(rootDir.filePath(g));
            if (readWholeFile(text(join(candidate, ".targets"))).trimmed() != manifest) continue;
            if (cachesValid(candidate, config)) {
                folder = candidate;
                return {};
            }
        }
    }
    // One link per font lives in the store for good; each generation holds hard links to those,
    // which cost a folder entry, not a new file, so switching sets does not create files by the
    // thousand.
    const QByteArray store = root + "/links";
    folder = root + "/g" + QByteArray::number(serial);
    QDir(text(folder)).removeRecursively();
    if (!QDir().mkpath(text(folder)))
        return T::tr("The folder %1 could not be created.").arg(text(folder));
    if (!QDir().mkpath(text(store)))
        return T::tr("The folder %1 could not be created.").arg(text(store));
    QSet<QByteArray> names;
    for (const auto& [id, target] : targets) {
        QByteArray name = fileNamePart(id);
        for (int k = 2; names.contains(name); ++k)
            name = QByteArray::number(k) + '~' + fileNamePart(id);
        names.insert(name);
        const QByteArray stored = join(store, storeName(target));
        // Most fonts of a set never shown before have no link yet: made at once, and only an
        // entry in the way is removed first.
        if (linkTarget(stored) != target &&
            ::symlink(target.constData(), stored.constData()) != 0 &&
            (errno != EEXIST || ::unlink(stored.constData()) != 0 ||
             ::symlink(target.constData(), stored.constData()) != 0))
            return systemError(T::tr("Cannot link"), stored);
        const QByteArray entry = join(folder, name);
        if (::linkat(AT_FDCWD, stored.constData(), AT_FDCWD, entry.constData(), 0) != 0 &&
            ::symlink(target.constData(), entry.constData()) != 0)
            return systemError(T::tr("Cannot link"), entry);
    }
    // Written before the cache is built: a file added to the folder afterwards would change its
    // time and make its cache stale at once. Dot-named: fontconfig passes it over.
    if (QString problem = replaceFileChecked(text(join(folder, ".targets")), manifest + '\n');
        !problem.isEmpty())
        return problem;
    // The cache is built here, once, so that no program starting later scans the farm itself.
    // On one thread: FreeType maps and unmaps every file it reads, and with a second thread each
    // unmapping waited on the other core, which made two threads slower than one.
    return buildCache(folder, config);
}

bool FontconfigResources::cachesValid(const QByteArray& folder, FcConfig* config) {
    if (!config) return false;
    QList<QByteArray> folders{folder};
    // Generations made by earlier versions hold their links in folders of their own.
    for (const QString& part : QDir(text(folder)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        folders << join(folder, QFile::encodeName(part));
    for (const QByteArray& f : folders) {
        FcCache* cache =
            FcDirCacheLoad(reinterpret_cast<const FcChar8*>(f.constData()), config, nullptr);
        if (!cache) return false;
        FcDirCacheUnload(cache);
    }
    return true;
}

void FontconfigResources::pruneStore() {
    // A link no generation holds a hard link to any more serves no set still kept: the store
    // stays as large as the fonts of the generations on disk. Called under the state lock, after
    // the state is written, so no generation is being made meanwhile; a generation made on a file
    // system without hard links links to the fonts themselves and needs none of these.
    // Read with readdir and one lstat a link: QDir's listing followed every link to its font
    // and sorted the names, a third of the pruning of a store of thousands.
    const QByteArray store = QFile::encodeName(farmRoot_ + QStringLiteral("/links"));
    DIR* dir = ::opendir(store.constData());
    if (!dir) return;
    while (const dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            !S_ISDIR(st.st_mode) && st.st_nlink <= 1)
            ::unlinkat(::dirfd(dir), e->d_name, 0);
    }
    ::closedir(dir);
}

bool FontconfigResources::removeOldFarms(const QByteArray& keep, const QByteArray& previous) {
    // The previous generation stays: programs that have not yet read the new configuration may
    // still open fonts through it. So do the two newest others, for switching back.
    QDir root(farmRoot_);
    QStringList generations =
        root.entryList(QStringList{QStringLiteral("g*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    if (generations.isEmpty()) return false;
    std::sort(generations.begin(), generations.end(), [](const QString& a, const QString& b) {
        return a.mid(1).toULongLong() > b.mid(1).toULongLong();
    });
    int spared = 0;
    generations.erase(std::remove_if(generations.begin(), generations.end(),
                                     [&](const QString& g) {
                                         const QByteArray f = QFile::encodeName(root.filePath(g));
                                         if (f == keep || f == previous) return true;
                                         return ++spared <= 2;
                                     }),
                      generations.end());
    // Read only when some cache is to go: most writes remove no generation.
    const FontConfigPtr config = generations.isEmpty() ? FontConfigPtr() : loadUserFontConfig();
    const auto unlinkCache = [&](const QByteArray& folder) {
        if (config)
            FcDirCacheUnlink(reinterpret_cast<const FcChar8*>(folder.constData()), config.get());
    };
    for (const QString& g : generations) {
        const QByteArray folder = QFile::encodeName(root.filePath(g));
        if (folder == keep || folder == previous) continue;
        for (const QString& part : QDir(text(folder)).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            unlinkCache(join(folder, QFile::encodeName(part)));
        unlinkCache(folder);
        QDir(text(folder)).removeRecursively();
    }
    return !generations.isEmpty();
}

bool FontconfigResources::inStep(const QString& stamp) {
    QFile file(statePath());
    const QString conf = inactiveFontsConfPath();
    if (!file.open(QIODevice::ReadOnly)) return stamp.isEmpty() && !QFileInfo::exists(conf);
    const State head = parseState(file.read(4096), true);
    if (!head.exists || head.stamp != stamp) return false;
    if (head.hiddenCount == 0) return !QFileInfo::exists(conf);
    if (confSerial(conf) != head.serial) return false;
    return head.farm.isEmpty() || QFileInfo(text(head.farm)).isDir();
}

bool FontconfigResources::reconcile() {
    error_.clear();
    StateLock lock(lockPath());
    if (!lock.error().isEmpty()) {
        error_ = lock.error();
        return false;
    }
    stateKey_.clear();
    const State now = current();
    if (now.hidden.isEmpty()) return false;
    const bool farmThere = now.farm.isEmpty() || QFileInfo(text(now.farm)).isDir();
    FontConfigPtr config = loadUserFontConfig();
    // Every program's start asks this: reading every font folder's cache to find out cost most
    // of a tray launcher's start at 20,000 fonts.
    if (farmThere && planStillHolds(config.get(), now)) return false;
    const Plan plan = makePlan(config.get(), now.hidden, QFile::encodeName(farmRoot_));
    QSet<QByteArray> farmed;
    for (const auto& [id, target] : plan.farm)
        farmed.insert(id);
    if (farmed == now.farmed && plan.gone.isEmpty() && farmThere) return false;
    return write(now, now.stamp);
}

bool FontconfigResources::planStillHolds(FcConfig* config, const State& state) {
    if (!config || state.planKey.isEmpty() || state.planFolders.empty()) return false;
    const QByteArray key = planKeyOf(hiddenKeyOf(state.hidden), fileKey(removedFontsConfPath()),
                                     fontRoots(config, QFile::encodeName(farmRoot_)));
    return key == state.planKey && foldersUnchanged(state.planFolders);
}

QStringList FontconfigResources::hiddenFiles() {
    QStringList files;
    for (const QByteArray& h : current().hidden)
        files << shown(h);
    files.sort();
    return files;
}

QString FontconfigResources::stamp() {
    return current().stamp;
}

QStringList FontconfigResources::hiddenFolders() {
    QStringList folders;
    for (const QString& glob : readFontSelection(inactiveFontsConfPath()).rejectGlobs)
        if (!glob.endsWith(QLatin1Char('*'))) folders << glob;
    return folders;
}

QString FontconfigResources::farmFolder() {
    return text(current().farm);
}

} // namespace lb
