#include "sets/assignment.h"

#include "activation/activation.h"
#include "catalogue/font_lists.h"
#include "catalogue/system_fonts.h"
#include "core/busy.h"
#include "core/schema.h"
#include "core/settings.h"
#include "sets/auto_assign.h"
#include "sets/set_maintenance.h"

#include <QCoreApplication>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(Assignment)
};
} // namespace

ButtonStates Handle_Buttons(const QString& s, const FontListModel& all,
                            const FontListModel& assigned) {
    ButtonStates b;
    const bool set = !s.isEmpty();
    b.assign = set && all.selectedCount > 0;
    b.assignAll = set;
    b.unassign = set && assigned.selectedCount > 0;
    b.unassignAll = set;
    b.setCommands = set;
    b.disableDelete = !set && all.selectedCount == 0;
    return b;
}

namespace {

bool sameSet(const QString& a, const QString& b) {
    return !a.isEmpty() && !b.isEmpty() && compareNoCase(a, b) == 0;
}

bool hasPair(AppState& app, const QString& set, const QString& font) {
    return app.datAssigned->findFirst(Criteria(fld::SetName, set).andEq(fld::FontName, font));
}

bool addPair(AppState& app, const QString& set, const QString& font) {
    Statement st = app.db->prepare(
        QStringLiteral("INSERT INTO [Assigned Fonts] ([Set Name], [Font Name]) VALUES (?, ?)"));
    st.bind(1, set).bind(2, font);
    try {
        st.step();
        return true;
    } catch (const DbError&) {
        return false; // already there, or refused: the operation goes on
    }
}

bool hasFiles(AppState& app, const QString& face) {
    return app.datFonts->findFirst(Criteria(fld::FaceName, face));
}

// A font joining the activated set becomes available at once and loses its strike-through.
void joinActivated(MainContext& ctx, int allRow, const QString& face) {
    loadFace(ctx, face);
    if (allRow >= 0 && ctx.allFonts.row(allRow).state == FaceState::Inactive)
        ctx.allFonts.setState(allRow, FaceState::Active);
    if (ctx.allFonts.selectedCount == 1) ctx.view.displayFont();
}

// A font leaving the activated set is hidden, unless the desktop depends on it.
bool leaveActivated(MainContext& ctx, const QString& face) {
    if (isSystemFont(ctx.app.systemFonts, face) || !hasFiles(ctx.app, face)) return false;
    unloadFace(ctx, face);
    ctx.app.fontsChanged = true;
    return true;
}

// A row the operation put into a set leaves the list while it shows only unassigned fonts.
bool removeIfFiltered(MainContext& ctx, int row) {
    if (!ctx.unassignedOnly) return false;
    ctx.allFonts.removeAt(row);
    return true;
}

bool refuseNoSet(MainContext& ctx, const QString& title) {
    if (!findSet(ctx.app, ctx.app.currentSetName).isEmpty()) return false;
    ctx.app.messages.ask(MessageKind::Critical, title, T::tr("You must first select a set."));
    ctx.view.focusSetBox();
    return true;
}

// The all-sets commands: refused without sets, then asked about one font (`one`, its name as
// %1) or several (`many`, their count as %1). `title` is the command ("Assign to All Sets").
bool confirmAllSets(MainContext& ctx, const QString& title, const QString& one,
                    const QString& many) {
    Messenger& m = ctx.app.messages;
    ctx.app.datSets->refresh();
    if (ctx.app.datSets->recordCount() == 0) {
        m.ask(MessageKind::Critical, title, T::tr("There are no sets available."));
        return false;
    }
    const int selected = ctx.allFonts.selectedCount;
    return m.askYes(MessageKind::YesNo, T::tr("Confirm %1").arg(title),
                    selected == 1 ? one.arg(ctx.app.pickedFontName) : many.arg(selected));
}

} // namespace

void redisplayAllFonts(MainContext& ctx, const QString& message) {
    ctx.view.keepAllFontsPosition();
    ctx.view.setMessage(message);
    ctx.view.yield();
    Fill_AllFonts(ctx);
    ctx.view.restoreAllFontsPosition();
}

void Remove_Assignment(MainContext& ctx, const QString& s, const QString& f,
                       const QString& active) {
    AppState& app = ctx.app;
    Statement del = app.db->prepare(
        QStringLiteral("DELETE FROM [Assigned Fonts] WHERE [Set Name] = ? AND [Font Name] = ?"));
    del.bind(1, s).bind(2, f);
    del.step();
    if (sameSet(s, ctx.assignedFonts.set)) {
        const int row = ctx.assignedFonts.find(f);
        if (row >= 0) ctx.assignedFonts.removeAt(row);
    }
    if (sameSet(s, active)) leaveActivated(ctx, f);
    if (app.removeAutoAssign) Unassign_Hook(app, s, f);
}

void Assign_AllFonts(MainContext& ctx, const QString& set) {
    Messenger& m = ctx.app.messages;
    ctx.app.currentSetName = set;
    if (m.askYes(MessageKind::Question, T::tr("Confirm Assign All"),
                 T::tr("Are you sure you want to assign all fonts to \"%1\"?")
                     .arg(ctx.app.currentSetName)))
        Assign_Fonts(ctx, set, true);
}

void Assign_Fonts(MainContext& ctx, const QString& box, bool all) {
    AppState& app = ctx.app;
    // The set in the set box is the target, as for unassigning, so the rows go where the
    // message says they went.
    app.currentSetName = box;
    app.datSets->refresh();
    if (refuseNoSet(ctx, T::tr("Assign Fonts"))) return;
    const QString set = findSet(app, app.currentSetName);
    const bool activated = sameSet(activatedSet(app), set);
    // The Assigned Fonts list may show another set than the one typed into the set box: then
    // it is filled with the target afterwards, rather than given rows of another set.
    const bool listShowsSet = sameSet(ctx.assignedFonts.set, set);
    FontListModel& list = ctx.allFonts;
    ctx.view.setMessage(T::tr("Assigning fonts..."));
    ctx.view.yield();
    Busy busy(ctx, list.size());
    app.datAssigned->refresh();
    app.datFonts->refresh();
    int added = 0;
    QString last;
    changeAssignments(ctx, [&] {
        walkRows(list, busy, [&](int i) {
            if (!all && !list.row(i).selected) return false;
            const QString f = list.row(i).name;
            if (hasPair(app, set, f)) return false;
            ++added;
            last = f;
            addPair(app, set, f);
            if (listShowsSet) ctx.assignedFonts.insertSorted(f);
            if (activated && hasFiles(app, f)) joinActivated(ctx, i, f);
            return removeIfFiltered(ctx, i);
        });
    });
    if (!listShowsSet) Fill_AssignedFonts(ctx);
    busy.done();
    if (added == 1)
        ctx.view.setMessage(T::tr("\"%1\" added to \"%2\" successfully.").arg(last, box));
    else if (added > 1)
        ctx.view.setMessage(
            T::tr("%1 fonts added to \"%2\" successfully.").arg(QString::number(added), box));
    ctx.view.handleButtons();
}

void Unassign_Fonts(MainContext& ctx, const QString& set, bool all) {
    AppState& app = ctx.app;
    Messenger& m = app.messages;
    FontListModel& list = ctx.assignedFonts;
    app.currentSetName = set;
    // The question names the font it removes: the one selected row, wherever the last click was.
    const QStringList selected = list.selectedNames();
    const QString f0 = selected.isEmpty() ? QString() : selected.first();
    QString question;
    if (all)
        question = T::tr("Are you sure you want to unassign all fonts from \"%1\"?").arg(set);
    else if (list.selectedCount == 1)
        question = T::tr("Are you sure you want to unassign \"%1\" from \"%2\"?").arg(f0, set);
    else
        question = T::tr("Are you sure you want to unassign %1 fonts from \"%2\"?")
                       .arg(QString::number(list.selectedCount), set);
    if (!m.askYes(MessageKind::YesNo, T::tr("Confirm Unassign"), question)) return;

    ctx.view.setMessage(T::tr("Unassigning fonts..."));
    ctx.view.yield();
    Busy busy(ctx, list.size());
    app.fontsChanged = false;
    const bool activated = sameSet(activatedSet(app), set);
    app.datAssigned->refresh();
    app.datFonts->refresh();
    app.datAuto->refresh();
    int count = 0;
    QString last;
    changeAssignments(ctx, [&] {
        walkRows(list, busy, [&](int i) {
            if (!all && !list.row(i).selected) return false;
            const QString f = list.row(i).name;
            if (!hasPair(app, set, f)) return false;
            ++count;
            last = f;
            app.datAssigned->remove();
            if (activated) leaveActivated(ctx, f);
            list.removeAt(i);
            if (app.removeAutoAssign) Unassign_Hook(app, set, f);
            return true;
        });
    });
    if (ctx.unassignedOnly || app.fontsChanged)
        redisplayAllFonts(ctx, T::tr("Redisplaying All Fonts due to unassigning from set."));
    busy.done();
    if (all)
        ctx.view.setMessage(T::tr("All fonts unassigned from \"%1\" successfully.").arg(set));
    else if (count == 1)
        ctx.view.setMessage(T::tr("\"%1\" unassigned from \"%2\" successfully.").arg(last, set));
    else
        ctx.view.setMessage(T::tr("%1 fonts unassigned from \"%2\" successfully.")
                                .arg(QString::number(count), set));
    ctx.view.handleButtons();
}

void Assign_AllSets(MainContext& ctx, const QString& box) {
    AppState& app = ctx.app;
    FontListModel& list = ctx.allFonts;
    if (!confirmAllSets(ctx, T::tr("Assign to All Sets"),
                        T::tr("Are you sure you want to assign \"%1\" to all sets?"),
                        T::tr("Are you sure you want to assign %1 fonts to all sets?")))
        return;

    ctx.view.setMessage(T::tr("Assigning fonts to all sets..."));
    ctx.view.yield();
    Busy busy(ctx, list.size());
    const QStringList sets = setNames(app);
    const QString active = activatedSet(app);
    app.datFonts->refresh();
    int count = 0;
    QString last;
    changeAssignments(ctx, [&] {
        walkRows(list, busy, [&](int i) {
            if (!list.row(i).selected) return false;
            const QString f = list.row(i).name;
            ++count;
            last = f;
            for (const QString& s : sets) {
                if (!addPair(app, s, f)) continue;
                if (sameSet(s, ctx.assignedFonts.set)) ctx.assignedFonts.insertSorted(f);
                if (sameSet(s, active) && hasFiles(app, f)) joinActivated(ctx, i, f);
            }
            return removeIfFiltered(ctx, i);
        });
    });
    busy.done();
    ctx.view.setMessage(count == 1
                            ? T::tr("\"%1\" assigned to all sets successfully.").arg(last)
                            : T::tr("%1 fonts assigned to all sets successfully.").arg(count));
    app.currentSetName = box;
    ctx.view.handleButtons();
}

void Unassign_AllSets(MainContext& ctx, const QString& box) {
    AppState& app = ctx.app;
    FontListModel& list = ctx.allFonts;
    if (!confirmAllSets(ctx, T::tr("Unassign from All Sets"),
                        T::tr("Are you sure you want to unassign \"%1\" from all sets?"),
                        T::tr("Are you sure you want to unassign %1 fonts from all sets?")))
        return;

    ctx.view.setMessage(T::tr("Unassigning fonts from all sets..."));
    ctx.view.yield();
    Busy busy(ctx, list.size());
    app.fontsChanged = false;
    const QString active = activatedSet(app);
    const QStringList selected = list.selectedNames();
    app.datFonts->refresh();
    app.datAuto->refresh();
    int count = 0;
    QString last;
    changeAssignments(ctx, [&] {
        for (const QString& f : selected) {
            Statement st = app.db->prepare(QStringLiteral(
                "SELECT [Set Name] FROM [Assigned Fonts] WHERE [Font Name] = ? ORDER BY rowid"));
            st.bind(1, f);
            QStringList sets;
            while (st.step())
                sets << st.text(0);
            if (!sets.isEmpty()) {
                ++count;
                last = f;
            }
            for (const QString& s : sets)
                Remove_Assignment(ctx, s, f, active);
            busy.step();
        }
    });
    if (ctx.unassignedOnly || app.fontsChanged)
        redisplayAllFonts(ctx, T::tr("Redisplaying All Fonts due to unassigning from sets."));
    busy.done();
    ctx.view.setMessage(count == 1
                            ? T::tr("\"%1\" unassigned from all sets successfully.").arg(last)
                            : T::tr("%1 fonts unassigned from all sets successfully.").arg(count));

    app.currentSetName = box;
    ctx.view.handleButtons();
}

} // namespace lb
