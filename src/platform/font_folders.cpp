#include "platform/font_folders.h"

#include <QSet>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fontconfig/fontconfig.h>

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
} // namespace

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
        if (!v.alias) v.cache = FcDirCacheRead(fc(next.path), FcFalse, config);
        if (v.cache)
            for (int i = FcCacheNumSubdir(v.cache) - 1; i >= 0; --i)
                pending.push_back({bytes(FcCacheSubdir(v.cache, i)), next.path});
        visit(v);
        if (v.cache) FcDirCacheUnload(v.cache);
    }
}

std::vector<QByteArray> cacheFiles(FcCache* cache) {
    std::vector<QByteArray> files;
    FcFontSet* set = FcCacheCopySet(cache);
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
    FcFontSetDestroy(set);
    return files;
}

} // namespace lb
