#pragma once

#include "core/main_context.h"

#include <QSet>

namespace lb {

// Rebuilds the All Fonts list from the catalogue: one row per typeface with its state.
void Fill_AllFonts(MainContext& ctx);

// The All Fonts list after the fonts' states changed and nothing else did (an activation): while
// its rows are the catalogue's typefaces, their states are read again in place, without sorting
// the catalogue; otherwise it is filled again. The list is left as a fill leaves it.
void Restate_AllFonts(MainContext& ctx);

// Rebuilds the Assigned Fonts list for the current set name, sorted by character code.
void Fill_AssignedFonts(MainContext& ctx);

// Shows again what another program (the command line, the tray launcher) changed meanwhile: the
// sets, the active set and both lists. The set box, showing `shown`, keeps its set while that set
// exists.
void Show_OutsideChanges(MainContext& ctx, const QString& shown);

// The `Font Name`s (case-folded) of [Assigned Fonts] or [Auto Assign].
QSet<QString> fontNamesIn(AppState& app, const QString& table);

// The set names in table order, for the set box.
QStringList setNames(AppState& app);

// Puts a typeface into the All Fonts list at its place in the catalogue's order (by name without
// regard to case, case variants by character code); returns its row.
int insertFace(FontListModel& list, const QString& face, FaceState state);

// "Fonts: " and the count.
QString fontCountText(int count);

} // namespace lb
