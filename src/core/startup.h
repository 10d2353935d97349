#pragma once

#include "core/app_state.h"

#include <functional>
#include <memory>

namespace lb {

// What the start-up window does before it hands over to the main window.
class Startup {
public:
    explicit Startup(AppState& app) : app_(app) {}

    // Single instance, database path, open, upgrade of a data version 1 file.
    // False when the program must end (a message has been shown).
    bool load() { return claimInstance() && openData(); }
    // The two halves of load(), for a window shown between them: the single instance alone, then
    // the rest. The database's checks take longer the more fonts it catalogues.
    bool claimInstance();
    bool openData();

    static QString versionLabel() { return QStringLiteral("Version ") + ProgramVersionText(); }
    static QString ProgramVersionText();

    // The timer's work: converts when the data version differs. True when the main window
    // must rebuild the catalogue after its load. `repaint` lets the window show
    // "Conversion is running, please wait..." before the work starts.
    bool Timer1_Timer(const std::function<void()>& repaint);

    QString dataVersion();
    void Convert_Data(const std::function<void()>& repaint);

    // The data folder's lock file, one per user.
    static QString lockPath();

private:
    bool Add_InactiveField();
    bool Append_AutoAssign(Database& append);
    void Stamp_Version();
    void upgradeVersion1();

    AppState& app_;
    std::unique_ptr<RecordSet> datAuto_, datSampleText_, datVersion_;
};

// Opens the font database at app.databasePath with app.connectSuffix. A file that is missing,
// read-only, no font database or damaged is refused: the reason in words, and app.db stays empty.
// Reads only, so a refused file is left as it was. Empty text when the database is open.
// `wholeFile`: every page is read for damage first (see dataFileProblem).
QString openFontDatabase(AppState& app, bool wholeFile = true);

// The first write of a program that has taken the opened file as its own: indexes written in an
// earlier text order are rebuilt (rebuildIndexesOfEarlierOrder). Empty text on success; else the
// reason, worded as openFontDatabase words its refusals, with app.db closed and nothing changed.
QString orderFontDatabase(AppState& app);

// The first run's welcome text: the knowledge base's row count rounded down to whole hundreds.
QString welcomeText(int knowledgeBaseRows, const QString& lineBreak);

// The main window's load, over its open data sources: with no font catalogued yet this is the
// first run. Then `showWindow` runs (the question needs its window), the welcome text asks
// whether AutoAssign should assign the fonts as they are read, and the answer is recorded with
// AutoAssign's removal off. True on a first run, when the caller reads the fonts next; else
// nothing is asked or changed.
bool Begin_FirstRun(AppState& app, const std::function<void()>& showWindow);
QString formatThousands(int value); // "##,###": 0 gives empty text

} // namespace lb
