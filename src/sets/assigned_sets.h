#pragma once

#include "core/main_context.h"

namespace lb {

// The sets that hold `font`, sorted by character code, into the dialog's list.
void Fill_FontSets(AppState& app, FontListModel& list, const QString& font);

// Takes the font out of the selected sets of the dialog's list (or all of them). The list
// keeps the remaining sets; `box`, the set box's text, is the window's current set again.
void Unassign_FromSets(MainContext& ctx, FontListModel& list, const QString& font, bool all,
                       const QString& box);

} // namespace lb
