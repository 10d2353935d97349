#pragma once

#include "core/database.h"
#include "core/messages.h"
#include "core/recordset.h"

#include <QLockFile>
#include <QString>
#include <array>
#include <memory>

namespace lb {

// Up to eight face names that count as system fonts; slot 0 here is slot 1 of the list.
// The list ends at the first empty slot.
using SystemFontList = std::array<QString, 8>;

// The values every part of one run shares: one instance, alive for the run.
struct AppState {
    AppState(MessageBoxes& boxes, MousePointer& pointer) : messages(boxes, pointer) {}

    // Database path and connection, opened by start-up and closed by the shut-down.
    QString databasePath;
    QString connectSuffix;
    QString lineBreak = QStringLiteral("\n");
    std::unique_ptr<Database> db;
    std::unique_ptr<QLockFile> instanceLock;

    Messenger messages;
    // The main window is closing for good: closing it again asks nothing, and other programs'
    // changes are no longer shown.
    bool exiting = false;

    // The main window's data sources.
    std::unique_ptr<RecordSet> datFonts, datAssigned, datSets, datAuto, datSampleText, datVersion;

    // Fonts.
    QString fontsFolder;
    QString currentFontName;
    QString pickedFontName;
    SystemFontList systemFonts;

    // Sets and activation.
    QString currentSetName;
    bool fontsChanged = false;
    bool assignedStale = false;
    bool setActivated = false;

    // The AutoAssign switches, mirrored by the check marks of their menu items.
    bool addAutoAssign = false;
    bool removeAutoAssign = false;

    // Samples: what the pane shows (and the print target), the text drawn in every sample
    // cell, and the style toggles applied to the sample cells.
    int sampleMode = 0; // 0 one font in several sizes, 1 the All Fonts list, 2 Assigned Fonts
    QString sampleText;
    bool bold = false, italic = false, underline = false;

    // The printer reports go to, chosen at start and in Print Setup; never stored.
    QString printerName = QStringLiteral("No Printer");
    QString printerDriver, printerPort;

    // Which window's font the properties dialog shows: "frmMain" or "frmFontPreview".
    QString sourceFormName;

    // Opens the main window's data sources over the open database and refreshes each.
    void openMainDataSources();
    // Closes every record set and the database; errors are ignored.
    void closeAll();
};

} // namespace lb
