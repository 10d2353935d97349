#include "sets/assigned_sets.h"

#include "catalogue/font_lists.h"
#include "core/schema.h"
#include "core/settings.h"
#include "sets/assignment.h"

#include <QCoreApplication>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(AssignedSets)
};
} // namespace

void Fill_FontSets(AppState& app, FontListModel& list, const QString& font) {
    list.beginFill();
    QStringList sets;
    RecordSet& assigned = *app.datAssigned;
    assigned.refresh();
    const Criteria byFont(fld::FontName, font);
    for (bool found = assigned.findFirst(byFont); found; found = assigned.findNext(byFont))
        sets << assigned.text(fld::SetName);
    std::sort(sets.begin(), sets.end());
    for (const QString& s : sets)
        list.append(s, FaceState::Active);
    list.endFill();
}

void Unassign_FromSets(MainContext& ctx, FontListModel& list, const QString& f, bool all,
                       const QString& box) {
    AppState& app = ctx.app;
    Messenger& m = app.messages;
    app.datSets->refresh();
    if (app.datSets->recordCount() == 0) {
        m.ask(MessageKind::Critical, T::tr("Unassign Fonts"),
              T::tr("There are no sets available."));
        return;
    }
    QString question;
    if (all)
        question = T::tr("Are you sure you want to unassign \"%1\" from all sets?").arg(f);
    else if (list.selectedCount == 1)
        // The set that is selected, not the row clicked last (a Ctrl-click may have cleared it).
        question = T::tr("Are you sure you want to unassign \"%1\" from \"%2\"?")
                       .arg(f, list.selectedNames().value(0));
    else
        question = T::tr("Are you sure you want to unassign \"%1\" from %2 sets?")
                       .arg(f, QString::number(list.selectedCount));
    if (!m.askYes(MessageKind::YesNo, T::tr("Confirm Unassign Fonts"), question)) return;

    m.pointer().set(MousePointer::Hourglass);
    app.fontsChanged = false;
    const QString active = activatedSet(app);
    app.datAssigned->refresh();
    app.datFonts->refresh();
    app.datAuto->refresh();
    int removed = 0;
    QString lastSet;
    struct NoProgress {
        void step() {}
    } none;
    changeAssignments(ctx, [&] {
        walkRows(list, none, [&](int i) {
            if (!all && !list.row(i).selected) return false;
            const QString s = list.row(i).name;
            if (!app.datAssigned->findFirst(Criteria(fld::SetName, s).andEq(fld::FontName, f)))
                return false;
            ++removed;
            lastSet = s;
            Remove_Assignment(ctx, s, f, active);
            list.removeAt(i);
            return true;
        });
    });
    if (ctx.unassignedOnly || app.fontsChanged)
        redisplayAllFonts(ctx, T::tr("Redisplaying All Fonts due to unassigning from set."));
    m.pointer().set(MousePointer::Default);
    if (all)
        ctx.view.setMessage(T::tr("\"%1\" unassigned from all sets successfully.").arg(f));
    else if (removed == 1)
        ctx.view.setMessage(T::tr("\"%1\" unassigned from \"%2\" successfully.").arg(f, lastSet));
    else
        ctx.view.setMessage(
            T::tr("\"%1\" unassigned from %2 sets successfully.").arg(f, QString::number(removed)));

    app.currentSetName = box;
    ctx.view.handleButtons();
}

} // namespace lb
