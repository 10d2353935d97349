#pragma once

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

// Removes an installed font for good: hides the file, deletes it when it lies in the fonts
// folder (never elsewhere), and removes the registry value named by `Friendly Name` of the
// [Fonts] row the main window's data source stands on.
void Remove_FontFile(MainContext& ctx, const QString& fileName);

// Removes a registry value: a font outside the fonts folder is hidden from the user for good.
void Delete_FontValue(MainContext& ctx, const QString& valueName);

} // namespace lb
