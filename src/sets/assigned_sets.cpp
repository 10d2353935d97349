#include "sets/assigned_sets.h"

#include "catalogue/font_lists.h"
#include "core/schema.h"
#include "core/settings.h"
#include "sets/assignment.h"

namespace lb {

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
        list.append(s, StateActive);
    list.endFill();
}

void Unassign_FromSets(MainContext& ctx, FontListModel& list, const QString& f, bool all) {
    AppState& app = ctx.app;
    Messenger& m = app.messages;
    app.datSets->refresh();
    if (app.datSets->recordCount() == 0) {
        m.title = QStringLiteral("Unassign Fonts");
        m.text = QStringLiteral("There are no sets available.");
        m.Msg_Critical();
        return;
    }
    m.title = QStringLiteral("Confirm Unassign Fonts");
    if (all)
        m.text = QStringLiteral("Are you sure you want to unassign \"") + f +
                 QStringLiteral("\" from all sets?");
    else if (list.selectedCount == 1)
        // The set that is selected, not the row clicked last (a Ctrl-click may have cleared it).
        m.text = QStringLiteral("Are you sure you want to unassign \"") + f +
                 QStringLiteral("\" from \"") + list.selectedNames().value(0) +
                 QStringLiteral("\"?");
    else
        m.text = QStringLiteral("Are you sure you want to unassign \"") + f +
                 QStringLiteral("\" from ") + QString::number(list.selectedCount) +
                 QStringLiteral(" sets?");
    m.Msg_YesNo();
    if (!m.answeredYes()) return;

    m.pointer().set(MousePointer::Hourglass);
    app.fontsChanged = false;
    const QString box = ctx.view.setBoxText();
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
        redisplayAllFonts(ctx,
                          QStringLiteral("Redisplaying All Fonts due to unassigning from set."));
    m.pointer().set(MousePointer::Default);
    if (all)
        ctx.view.setMessage(QStringLiteral("\"") + f +
                            QStringLiteral("\" unassigned from all sets successfully."));
    else if (removed == 1)
        ctx.view.setMessage(QStringLiteral("\"") + f + QStringLiteral("\" unassigned from \"") +
                            lastSet + QStringLiteral("\" successfully."));
    else
        ctx.view.setMessage(QStringLiteral("\"") + f + QStringLiteral("\" unassigned from ") +
                            QString::number(removed) + QStringLiteral(" fonts successfully."));
    app.currentSetName = box;
    ctx.view.handleButtons();
}

} // namespace lb
