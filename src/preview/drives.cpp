#include "preview/drives.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(Drives)
};
} // namespace

namespace {

QString slashed(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    return clean.endsWith(QLatin1Char('/')) ? clean : clean + QLatin1Char('/');
}

// Where desktops mount what they show: removable media, and shares under the user's gvfs.
bool shownByDesktop(const QStorageInfo& v) {
    const QString root = v.rootPath();
    const QByteArray type = v.fileSystemType();
    if (type.startsWith("fuse.gvfsd-fuse")) return true;
    return root.startsWith(QLatin1String("/media/")) ||
           root.startsWith(QLatin1String("/run/media/")) || root.startsWith(QLatin1String("/mnt/"));
}

} // namespace

std::vector<Drive> mountedDrives() {
    std::vector<Drive> drives;
    drives.push_back(Drive{T::tr("Home"), slashed(QDir::homePath()), false});
    drives.push_back(Drive{T::tr("Computer"), QStringLiteral("/"), true});
    std::vector<Drive> volumes;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !shownByDesktop(v)) continue;
        const QByteArray type = v.fileSystemType();
        QString name = v.name();
        if (type.startsWith("fuse.gvfsd-fuse"))
            name = T::tr("Network");
        else if (name.isEmpty())
            name = QFileInfo(v.rootPath()).fileName();
        volumes.push_back(Drive{name, slashed(v.rootPath()), true});
    }
    std::sort(volumes.begin(), volumes.end(), [](const Drive& a, const Drive& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    drives.insert(drives.end(), volumes.begin(), volumes.end());
    return drives;
}

bool driveAvailable(const Drive& drive) {
    const QFileInfo folder(drive.root);
    if (!folder.isDir() || !folder.isReadable()) return false;
    if (!drive.mountPoint) return true;
    const QStorageInfo volume(drive.root);
    return volume.isValid() && volume.isReady() && slashed(volume.rootPath()) == drive.root;
}

int driveOf(const std::vector<Drive>& drives, const QString& path) {
    const QString p = slashed(path);
    int best = -1;
    for (int i = 0; i < int(drives.size()); ++i)
        if (p.startsWith(drives[size_t(i)].root) &&
            (best < 0 || drives[size_t(i)].root.size() > drives[size_t(best)].root.size()))
            best = i;
    return best;
}

QString driveProblemText(const Drive& drive) {
    return T::tr("Drive %1 is not available.  If this is a network drive, make sure the other PC "
                 "is available.")
        .arg(drive.name);
}

} // namespace lb
