#pragma once

#include "activation/activation.h"
#include "core/main_context.h"

namespace lb {

// The selected fonts of the All Fonts list (or all of them) into `set`, the set box's text.
void Assign_Fonts(MainContext& ctx, const QString& set, bool all);
// Edit > Assign All Fonts to Set: asks first.
void Assign_AllFonts(MainContext& ctx, const QString& set);
// The selected fonts of the Assigned Fonts list (or all of them) out of `set`, the set box's text.
void Unassign_Fonts(MainContext& ctx, const QString& set, bool all);
// The selected fonts of the All Fonts list into, or out of, every set. `box` is the set box's
// text, the window's current set again afterwards.
void Assign_AllSets(MainContext& ctx, const QString& box);
void Unassign_AllSets(MainContext& ctx, const QString& box);

// Takes font f out of set s, keeping the lists and the activated set in step.
void Remove_Assignment(MainContext& ctx, const QString& s, const QString& f,
                       const QString& activatedSet);

// Runs `change` as one transaction over the assignments, together with the fonts it loads or
// unloads: when those cannot be written for the desktop, nothing of the change stays. Then
// re-reads the assignments.
template <typename F> void changeAssignments(MainContext& ctx, F&& change) {
    AppState& app = ctx.app;
    {
        FontTransaction t(ctx);
        change();
        t.commit();
    }
    app.datAssigned->refresh();
}

// Walks a list whose rows the walk may remove: `visit(i)` answers true when it removed row i,
// so the row that moved up is visited next. `progress` advances once per row walked.
template <typename Progress, typename F>
void walkRows(FontListModel& list, Progress& progress, F&& visit) {
    for (int i = 0; i < list.size();) {
        const bool removed = visit(i);
        progress.step();
        if (!removed) ++i;
    }
}

// Refills the All Fonts list after fonts were hidden, keeping its scroll position.
void redisplayAllFonts(MainContext& ctx, const QString& message);

// Which commands the window's state allows.
struct ButtonStates {
    bool assign = false, assignAll = false, unassign = false, unassignAll = false;
    bool setCommands = false;   // rename, copy, activate selected, display assigned
    bool disableDelete = false; // no set and no font selected
};
ButtonStates Handle_Buttons(const QString& setBoxText, const FontListModel& all,
                            const FontListModel& assigned);

} // namespace lb
