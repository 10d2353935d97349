#pragma once

#include <QByteArray>
#include <functional>
#include <memory>
#include <vector>

typedef struct _FcConfig FcConfig;
typedef struct _FcCache FcCache;
typedef struct _FcFontSet FcFontSet;

namespace lb {

struct FontConfigDeleter {
    void operator()(FcConfig* config) const;
};
using FontConfigPtr = std::unique_ptr<FcConfig, FontConfigDeleter>;

// The user's fontconfig configuration, loaded on its own: the process's current one belongs to the
// toolkit. Loading it scans no fonts.
FontConfigPtr loadUserFontConfig();

// One font folder as fontconfig reaches it. File paths are the file system's bytes throughout: a
// name that is not valid UTF-8 is still a file fontconfig lists.
struct FontFolderVisit {
    QByteArray path;      // as fontconfig spells it
    QByteArray canonical; // with links resolved; the spelled path when it cannot be resolved
    QByteArray parent;    // the spelled folder it was reached from; empty for a configured one
    bool alias = false;   // its canonical folder was reached before: not read again
    FcFontSet* fonts = nullptr; // the folder's fonts; null for an alias or an unreadable folder
};

// Walks the font folders of `config` (or only `roots`, when given) and the folders below them,
// reading each folder's cache; a stale cache is rescanned and written back, as any program would.
// A folder holding a special file (see `holdsSpecialFiles`) without a valid cache is read here,
// its regular files only, and no cache is written. Every canonical folder is read once, so links
// and loops end. `skip` and the folders below it are passed over.
void walkFontFolders(FcConfig* config, const std::vector<QByteArray>& roots, const QByteArray& skip,
                     const std::function<void(const FontFolderVisit&)>& visit);

// The font files a cache or a set lists, each once, in its order.
std::vector<QByteArray> cacheFiles(FcCache* cache);
std::vector<QByteArray> fontFiles(const FcFontSet* set);

// Whether a folder holds an entry that is neither a regular file nor a folder (a FIFO, a device,
// a socket, or a link to one). fontconfig's scan opens every entry, and opening a FIFO waits for a
// writer for good, so such a folder is never scanned by fontconfig.
bool holdsSpecialFiles(const QByteArray& folder);

// A folder's cache as fontconfig reads it (a stale one rescanned and written back, `force`
// rescanning in any case); for a folder holding special files only a valid cache, never a scan.
FcCache* readFolderCache(FcConfig* config, const QByteArray& folder, bool force = false);

// The names of the regular files in a folder (links followed), as the file system spells them.
// With `brokenLinks`, an entry that cannot be followed is one too: it is still there to be named.
std::vector<QByteArray> filesIn(const QByteArray& folder, bool brokenLinks = false);

// The canonical form of a folder (links and ".." resolved); the path itself when it cannot be
// resolved (it does not exist).
QByteArray canonicalFolder(const QByteArray& folder);

// The parent folder of an absolute path; "/" for a top-level entry.
QByteArray parentFolder(const QByteArray& path);
QByteArray fileNamePart(const QByteArray& path);

} // namespace lb
