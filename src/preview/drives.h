#pragma once

#include <QString>
#include <vector>

namespace lb {

// A place the preview's drive list offers: the home folder, the computer's root, and the volumes
// the desktop shows (removable media, network shares it has mounted).
struct Drive {
    QString name;            // as the desktop names it
    QString root;            // the folder the folder tree starts at, ending in "/"
    bool mountPoint = false; // a volume: available only while it is mounted there
};

// The drives, the home folder first.
std::vector<Drive> mountedDrives();

// Whether a drive can be opened now: its folder is there and, for a volume, still mounted.
bool driveAvailable(const Drive& drive);

// The drive whose folder holds `path` (the innermost one); -1 when none does.
int driveOf(const std::vector<Drive>& drives, const QString& path);

// The message for a drive that cannot be opened.
QString driveProblemText(const Drive& drive);

} // namespace lb
