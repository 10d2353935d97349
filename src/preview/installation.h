#pragma once

#include "platform/file_journal.h"
#include "preview/font_preview.h"

#include <QSet>

namespace lb {

// What an installation did.
struct InstallOutcome {
    // The typefaces of the selected rows whose every installable file is in place and catalogued.
    QStringList installedFaces;
    int installed() const { return int(installedFaces.size()); }
    int added = 0;                                     // typefaces new to the catalogue
    std::vector<std::pair<QString, QString>> failures; // file name, why it is not installed
    QString message;                                   // the closing message
};

// Installs the files of the rows selected in the preview into the user's fonts folder: each file
// is copied to a hidden temporary name there and renamed into place, and catalogued only once it
// is in place with the same content and fontconfig lists it. A file of the same name with other
// content is replaced only when the user says so. The fonts become visible to every program (also
// with a set active), AutoAssign runs for new typefaces when it is switched on, and the main
// window's lists and count follow. Everything is undone when the catalogue or the desktop's font
// state cannot be written. Shows the closing message.
InstallOutcome Install_Fonts(MainContext& ctx, FontPreview& preview, PreviewView& view);

// What an installation cut off in the middle left: its journal's placements undone (those of
// `names` only, when given), each replaced file back under its name. Returns the file names taken
// back; what could not be put right is added to `problems`.
QStringList undoPlacements(const FileJournal& journal, const QSet<QString>& names,
                           QStringList& problems);
// The installation stands: the old content of replaced files and any temporary file go. Returns
// what could not be removed.
QStringList finishPlacements(const FileJournal& journal);

// Why a file of the preview cannot be installed.
QString notInstallableReason(const PreviewEntry& e);

// Hidden names the installer works under in the fonts folder; fontconfig skips them.
inline const QString InstallTempPrefix = QStringLiteral(".letterbay-install-");
inline const QString InstallBackupPrefix = QStringLiteral(".letterbay-backup-");

} // namespace lb
