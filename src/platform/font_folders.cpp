#include "platform/font_folders.h"

#include <QSet>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

namespace lb {

namespace {
const FcChar8* fc(const QByteArray& bytes) {
    return reinterpret_cast<const FcChar8*>(bytes.constData());
}
QByteArray bytes(const FcChar8* s) {
    return QByteArray(reinterpret_cast<const char*>(s));
}
bool isUnder(const QByteArray& path, const QByteArray& folder) {
    return path == folder ||
           (path.startsWith(folder) && (folder.endsWith('/') || path.at(folder.size()) == '/'));
}

// The entries of a folder but "." and "..", sorted as fontconfig sorts them.
std::vector<QByteArray> entries(const QByteArray& folder) {
    std::vector<QByteArray> names;
    DIR* dir = ::opendir(folder.constData());
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

QByteArray join(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// The folder's regular files read one by one, its folders in `subdirs`.
FcFontSet* scanRegularFiles(const QByteArray& folder, std::vector<QByteArray>& subdirs) {
    FcFontSet* set = FcFontSetCreate();
    if (!set) return nullptr;
    for (const QByteArray& name : entries(folder)) {
        const QByteArray path = join(folder, name);
        struct stat st;
        if (::stat(path.constData(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode))
            subdirs.push_back(path);
        else if (S_ISREG(st.st_mode))
            FcFreeTypeQueryAll(fc(path), unsigned(-1), nullptr, nullptr, set);
    }
    return set;
}
} // namespace

bool holdsSpecialFiles(const QByteArray& folder) {
    for (const QByteArray& name : entries(folder)) {
        struct stat st;
        if (::stat(join(folder, name).constData(), &st) == 0 && !S_ISREG(st.st_mode) &&
            !S_ISDIR(st.st_mode))
            return true;
    }
    return false;
}

FcCache* readFolderCache(FcConfig* config, const QByteArray& folder, bool force) {
    // A valid cache is taken without looking at the entries: only a scan opens them, and
    // looking costs a stat per font.
    if (!force)
        if (FcCache* cache = FcDirCacheLoad(fc(folder), config, nullptr)) return cache;
    if (holdsSpecialFiles(folder))
        return force ? FcDirCacheLoad(fc(folder), config, nullptr) : nullptr;
    return FcDirCacheRead(fc(folder), force ? FcTrue : FcFalse, config);
}

void FontConfigDeleter::operator()(FcConfig* config) const {
    FcConfigDestroy(config);
}

FontConfigPtr loadUserFontConfig() {
    return FontConfigPtr(FcInitLoadConfig());
}

QByteArray canonicalFolder(const QByteArray& folder) {
    char resolved[PATH_MAX];
    if (::realpath(folder.constData(), resolved)) return QByteArray(resolved);
    return folder;
}

QByteArray parentFolder(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray fileNamePart(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

void walkFontFolders(FcConfig* config, const std::vector<QByteArray>& roots, const QByteArray& skip,
                     const std::function<void(const FontFolderVisit&)>& visit) {
    struct Pending {
        QByteArray path, parent;
    };
    std::vector<Pending> pending;
    if (roots.empty()) {
        FcStrList* dirs = FcConfigGetFontDirs(config);
        while (FcChar8* dir = FcStrListNext(dirs))
            pending.push_back({bytes(dir), {}});
        FcStrListDone(dirs);
    } else {
        for (const QByteArray& r : roots)
            pending.push_back({r, {}});
    }
    std::reverse(pending.begin(), pending.end());
    QSet<QByteArray> seen;
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        if (!skip.isEmpty() && isUnder(next.path, skip)) continue;
        FontFolderVisit v;
        v.path = next.path;
        v.parent = next.parent;
        v.canonical = canonicalFolder(next.path);
        if (!skip.isEmpty() && isUnder(v.canonical, skip)) continue;
        v.alias = seen.contains(v.canonical);
        seen.insert(v.canonical);
        std::vector<QByteArray> subdirs;
        if (!v.alias) {
            if (FcCache* cache = readFolderCache(config, next.path)) {
                v.fonts = FcCacheCopySet(cache);
                for (int i = 0; i < FcCacheNumSubdir(cache); ++i)
                    subdirs.push_back(bytes(FcCacheSubdir(cache, i)));
                FcDirCacheUnload(cache);
            } else if (holdsSpecialFiles(next.path)) {
                v.fonts = scanRegularFiles(next.path, subdirs);
            }
        }
        for (auto it = subdirs.rbegin(); it != subdirs.rend(); ++it)
            pending.push_back({*it, next.path});
        visit(v);
        if (v.fonts) FcFontSetDestroy(v.fonts);
    }
}

std::vector<QByteArray> cacheFiles(FcCache* cache) {
    FcFontSet* set = FcCacheCopySet(cache);
    if (!set) return {};
    std::vector<QByteArray> files = fontFiles(set);
    FcFontSetDestroy(set);
    return files;
}

std::vector<QByteArray> fontFiles(const FcFontSet* set) {
    std::vector<QByteArray> files;
    if (!set) return files;
    QSet<QByteArray> seen;
    for (int i = 0; i < set->nfont; ++i) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
        const QByteArray f = bytes(file);
        if (seen.contains(f)) continue;
        seen.insert(f);
        files.push_back(f);
    }
    return files;
}

// The entry's type comes with it, so only links and file systems that give no type cost a stat: a
// folder of 20,000 fonts is listed without 20,000 stats.
std::vector<QByteArray> filesIn(const QByteArray& folder, bool brokenLinks) {
    std::vector<QByteArray> out;
    DIR* dir = ::opendir(folder.constData());
    if (!dir) return out;
    while (const dirent* e = ::readdir(dir)) {
        bool file = e->d_type == DT_REG;
        if (e->d_type == DT_LNK || e->d_type == DT_UNKNOWN) {
            struct stat st {};
            file =
                ::fstatat(::dirfd(dir), e->d_name, &st, 0) == 0 ? S_ISREG(st.st_mode) : brokenLinks;
        }
        if (file) out.emplace_back(e->d_name);
    }
    ::closedir(dir);
    return out;
}

} // namespace lb
