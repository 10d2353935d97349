#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace lb {

// One file written in full before it takes its name: write aside, sync, read back, rename.
struct CheckedWrite {
    QString path;     // the name the file takes
    QByteArray bytes; // its whole content
    // The temporary name it is written under, in the same folder; empty: a dot-name of our own.
    QString temporary;
    // Permission bits before the umask: configuration follows the desktop's habit, fonts the
    // user's umask alone.
    unsigned mode = 0644;
    // Runs after the temporary file is complete and synced, before the rename (a journal entry, a
    // backup of what the rename replaces); a non-empty answer stops the write with that reason.
    std::function<QString(const QString& temporary)> beforeRename;
    // Never replaces a file already there (another program made it first): the write then fails
    // with EEXIST's text and `existed` says so.
    bool noReplace = false;
    // The folder is synced after the rename; work that places many files syncs it once itself.
    bool syncFolder = true;
};

// Makes the names in `folder` (renames, removals) as lasting as the files' content.
void syncFolder(const QString& folder);

// Carries out `w`; on any failure the old file stays as it was and the temporary file is gone.
// With noReplace, `existed` tells whether the failure is only that the file is there already.
// Returns empty text on success, else what went wrong.
QString writeFileChecked(const CheckedWrite& w, bool* existed = nullptr);

// Replaces the file at `path` with `bytes` so that a reader sees the old file or the new one,
// never a part: a dot-named temporary file in the same folder is written, its length checked,
// flushed to disk, read back and compared, and only then renamed over the target. On any failure
// the old file stays as it was. Returns empty text on success, else what went wrong.
QString replaceFileChecked(const QString& path, const QByteArray& bytes);

// Removes a file; a file that is not there counts as removed. Empty text on success.
QString removeFileChecked(const QString& path);

// The contents of a file; an empty array when it cannot be read.
QByteArray readWholeFile(const QString& path);

} // namespace lb
