#pragma once

#include "core/main_context.h"

namespace lb {

// The sets that hold `font`, sorted by character code, into the dialog's list.
void Fill_FontSets(AppState& app, FontListModel& list, const QString& font);

// Takes the font out of the selected sets of the dialog's list (or all of them). The list
// keeps the remaining sets.
void Unassign_FromSets(MainContext& ctx, FontListModel& list, const QString& font, bool all);

} // namespace lb
