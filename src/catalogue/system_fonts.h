#pragma once

#include "platform/file_journal.h"

#include "core/app_state.h"
#include "core/main_context.h"
#include "platform/fonts.h"

namespace lb {

// Adds a face name to the first free slot unless listed already (exact comparison).
// An empty name never enters: it equals the first empty slot.
void Add_SystemFont(SystemFontList& list, const QString& faceName);

// Slots 1 and 2 are "Arial" and "Marlett"; the rest take the desktop's own fonts.
// Slots filled earlier in the run are kept.
void Load_SystemFonts(SystemFontList& list, DesktopFonts& desktop);

// Exact, case-sensitive test against the slots up to the first empty one.
bool isSystemFont(const SystemFontList& list, const QString& faceName);

// Sets the fonts folder from the platform; empty when it cannot be known.
void Get_FontsFolder(AppState& app, FontRegistry& registry);

// The face name of a font file, left in the current font name; returns the resource name.
QString Get_FaceName(AppState& app, FaceNameReader& faces, const QString& file);

// Sets installed font files aside for removal, each given as its `File Name` is stored, every step
// recorded in `journal` (see FontRegistry::setAsideFiles): once the catalogue's change commits,
// the registry's finishRemoval() deletes them (a file in the fonts folder; one installed
// system-wide stays hidden from the user for good and is deleted nowhere), else undoRemoval()
// puts them back. A removed file leaves the desktop's hidden fonts with the next broadcast; a file
// that stays keeps its state. Returns the files that could not be set aside, with the reason.
std::vector<std::pair<QString, QString>>
Remove_FontFiles(MainContext& ctx, const QStringList& fileNames, FileJournal& journal);

} // namespace lb
