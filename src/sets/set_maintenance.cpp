#include "sets/set_maintenance.h"

#include "activation/activation.h"
#include "catalogue/font_lists.h"
#include "core/schema.h"
#include "core/settings.h"

#include <QCoreApplication>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(SetMaintenance)
};
} // namespace

QString findSet(AppState& app, const QString& name) {
    RecordSet& sets = *app.datSets;
    if (!sets.findFirst(Criteria(fld::SetName, name))) return {};
    return sets.text(fld::SetName);
}

QString setNameProblem(const QString& name) {
    // A tab, a newline or an escape would reach terminals and documents as it is, and could not
    // be told apart from the text around it.
    for (const char32_t c : name.toUcs4())
        if (QChar::category(c) == QChar::Other_Control)
            return T::tr("You cannot use control characters (such as tab or newline) in "
                         "your set name.  Use another name instead.");
    if (name.contains(QLatin1Char('"')))
        return T::tr("You cannot use \" in your set name.  Use ' instead.");
    if (name.toUcs4().size() > SetNameSize)
        return T::tr("You cannot use more than %1 characters in your set "
                     "name.  Use a shorter name instead.")
            .arg(SetNameSize);
    return {};
}

bool refuseSetName(AppState& app, const QString& title, const QString& name) {
    const QString problem = setNameProblem(name);
    if (problem.isEmpty()) return false;
    app.messages.ask(MessageKind::Critical, title, problem);
    return true;
}

void Add_Set(MainContext& ctx, const QString& typed) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    const QString name = typed.trimmed();
    view.setSetBoxText(name);
    if (name.isEmpty()) return;
    if (refuseSetName(app, T::tr("Add Set"), name)) {
        view.focusSetBox();
        return;
    }
    app.datSets->refresh();
    if (findSet(app, name).isEmpty()) {
        RecordSet& sets = *app.datSets;
        sets.addNew();
        sets.setField(fld::SetName, name);
        sets.update();
        view.addSetEntry(name);
        view.setSetBoxText(name);
        view.setMessage(T::tr("\"%1\" added successfully.").arg(name));
        view.clearAssignedFonts();
        view.focusSetBox();
    }
    view.handleButtons();
}

void Select_Set(MainContext& ctx, const QString& set) {
    AppState& app = ctx.app;
    app.currentSetName = set;
    if (!app.currentSetName.isEmpty()) {
        // The set's own spelling: the stored reference must still name it after a rename.
        app.datSets->refresh();
        const QString stored = findSet(app, app.currentSetName);
        writeSetting(app, fld::SelectedSet, stored.isEmpty() ? app.currentSetName : stored);
    }
    ctx.view.enableDelete(T::tr("Delete Set"));
    Fill_AssignedFonts(ctx);
    ctx.view.setMessage(T::tr("Displaying fonts assigned to \"%1\"").arg(app.currentSetName));
}

void Rename_Set(MainContext& ctx, const QString& set) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    Messenger& m = app.messages;
    const QString title = T::tr("Rename Set");
    app.datSets->refresh();
    // The stored spelling, so a set typed in another letter case is still found.
    const QString old = findSet(app, set);
    if (old.isEmpty()) return;
    app.currentSetName = old;
    const QString renamed = m.InputBox(T::tr("Rename \"%1\" below and press OK.").arg(old), title);
    if (renamed.isEmpty()) return;
    if (refuseSetName(app, title, renamed)) return;
    if (!findSet(app, renamed).isEmpty()) {
        m.ask(MessageKind::Critical, title, T::tr("\"%1\" already exists.").arg(renamed));
        return;
    }
    Database::Transaction t(*app.db);
    Statement sets =
        app.db->prepare(QStringLiteral("UPDATE [Sets] SET [Set Name] = ? WHERE [Set Name] = ?"));
    sets.bind(1, renamed).bind(2, old);
    sets.step();
    const QVariant activated = readSetting(app, fld::ActivatedSet);
    const QVariant previous = readSetting(app, fld::PreviousSet);
    // Compared as the database compares set names: older files may hold another letter case.
    if (!activated.isNull() && compareNoCase(activated.toString(), old) == 0)
        writeSetting(app, fld::ActivatedSet, renamed);
    else if (!previous.isNull() && compareNoCase(previous.toString(), old) == 0)
        writeSetting(app, fld::PreviousSet, renamed);
    Statement assigned = app.db->prepare(
        QStringLiteral("UPDATE [Assigned Fonts] SET [Set Name] = ? WHERE [Set Name] = ?"));
    assigned.bind(1, renamed).bind(2, old);
    assigned.step();
    t.commit();
    app.datSets->refresh();
    app.datAssigned->refresh();

    view.removeSetEntry(old);
    view.addSetEntry(renamed);
    view.setSetBoxText(renamed);
    // The set keeps being the one the window works on, under its new name.
    app.currentSetName = renamed;
    if (!ctx.assignedFonts.set.isEmpty() && compareNoCase(ctx.assignedFonts.set, old) == 0)
        ctx.assignedFonts.set = renamed;
    view.setMessage(T::tr("\"%1\" renamed to \"%2\" successfully.").arg(old, renamed));
}

void Delete_Set(MainContext& ctx, const QString& set) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    Messenger& m = app.messages;
    app.currentSetName = set;
    app.datSets->refresh();
    const QString name = findSet(app, app.currentSetName);
    if (!name.isEmpty()) {
        // The set is found without regard to letter case, so the active-set guard is too.
        const QString active = activatedSet(app);
        if (!active.isEmpty() && compareNoCase(active, name) == 0) {
            m.ask(MessageKind::Critical, T::tr("Delete Set"),
                  T::tr("You cannot delete \"%1\" because it is the currently active set.  "
                        "Activate another set or all sets before attempting to delete this set "
                        "again.")
                      .arg(app.currentSetName));
        } else {
            if (m.askYes(MessageKind::YesNo, T::tr("Confirm Delete"),
                         T::tr("Are you sure you want to delete the set \"%1\" and all its font "
                               "assignments?")
                             .arg(app.currentSetName))) {
                Database::Transaction t(*app.db);
                Statement sets =
                    app.db->prepare(QStringLiteral("DELETE FROM [Sets] WHERE [Set Name] = ?"));
                sets.bind(1, name);
                sets.step();
                Statement assigned = app.db->prepare(
                    QStringLiteral("DELETE FROM [Assigned Fonts] WHERE [Set Name] = ?"));
                assigned.bind(1, name);
                assigned.step();
                t.commit();
                app.datSets->refresh();
                app.datAssigned->refresh();
                view.removeSetEntry(name);
                view.focusSetBox();
                view.clearAssignedFonts();
                view.setMessage(T::tr("\"%1\" deleted successfully.").arg(app.currentSetName));
                view.setSetBoxText(QString());
            }
        }
    }
    view.handleButtons();
}

bool Copy_Set(MainContext& ctx, const QString& typedTarget) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    Messenger& m = app.messages;
    const QString title = T::tr("Copy Set");
    const QString source = app.currentSetName;
    if (typedTarget.isEmpty()) {
        m.ask(MessageKind::Critical, title, T::tr("Copy To set is required."));
        return false;
    }
    // Set names are one set whatever their letter case, so that is copying to itself too.
    if (compareNoCase(typedTarget, source) == 0) {
        m.ask(MessageKind::Critical, title, T::tr("You cannot copy a set to itself."));
        return false;
    }
    if (refuseSetName(app, title, typedTarget)) return false;

    app.datSets->refresh();
    QString target = findSet(app, typedTarget);
    FontTransaction t(ctx);
    const bool created = target.isEmpty();
    if (created) {
        target = typedTarget;
        Statement add =
            app.db->prepare(QStringLiteral("INSERT INTO [Sets] ([Set Name]) VALUES (?)"));
        add.bind(1, target);
        add.step();
    }
    // Fonts the target holds already are skipped.
    Statement copy = app.db->prepare(QStringLiteral(
        "INSERT OR IGNORE INTO [Assigned Fonts] ([Set Name], [Font Name]) "
        "SELECT ?, [Font Name] FROM [Assigned Fonts] WHERE [Set Name] = ? AND NOT EXISTS "
        "(SELECT 1 FROM [Assigned Fonts] AS t WHERE t.[Set Name] = ? AND t.[Font Name] = [Assigned "
        "Fonts].[Font Name])"));
    const QSet<QString> before = setMembers(app, target);
    copy.bind(1, target).bind(2, source).bind(3, target);
    copy.step();
    // Fonts that join the activated set become available at once, as with any assignment.
    const QString active = activatedSet(app);
    const bool joinsActive = !active.isEmpty() && compareNoCase(active, target) == 0;
    if (joinsActive) {
        app.datFonts->refresh();
        for (const QString& face : setMembers(app, target))
            if (!before.contains(face)) loadFace(ctx, face);
    }
    t.commit();
    app.datSets->refresh();
    app.datAssigned->refresh();
    if (joinsActive) Fill_AllFonts(ctx);

    if (created) view.addSetEntry(target);
    view.setSetBoxText(target);
    app.currentSetName = target;
    view.enableDelete(T::tr("Delete Set"));
    Fill_AssignedFonts(ctx);
    view.setMessage(T::tr("\"%1\" copied to \"%2\" successfully.").arg(source, target));
    return true;
}

} // namespace lb
