#include "activation/activation.h"

#include "catalogue/font_lists.h"
#include "catalogue/system_fonts.h"
#include "core/busy.h"
#include "core/schema.h"
#include "core/settings.h"
#include "sets/set_maintenance.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <algorithm>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(Activation)
};
} // namespace

FontStateError::FontStateError(const QString& why) : std::runtime_error(why.toStdString()) {}

QString fontStateFailureText(const QString& why, const QString& lb) {
    return T::tr("Your fonts could not be hidden or shown for the other programs: ") + why + lb +
           lb + T::tr("No font was hidden or shown, and nothing has been changed.");
}

QString operationFailureText(const std::exception& e, const QString& lb) {
    if (const auto* state = dynamic_cast<const FontStateError*>(&e))
        return fontStateFailureText(state->why(), lb);
    const QString kept = T::tr("What the operation had begun to change in the font "
                               "database was undone; your fonts, sets and settings are as "
                               "they were before it.");
    if (const auto* db = dynamic_cast<const DbError*>(&e))
        return T::tr("The font database could not be read or changed, so the operation "
                     "was not completed.") +
               lb + lb + kept + lb + lb + QStringLiteral("(") + db->message() + QStringLiteral(")");
    return T::tr("The operation could not be completed.") + lb + lb + kept + lb + lb +
           QStringLiteral("(") + QString::fromUtf8(e.what()) + QStringLiteral(")");
}

QSet<QString> setMembers(AppState& app, const QString& setName) {
    QSet<QString> members;
    if (setName.isEmpty()) return members;
    Statement st = app.db->prepare(
        QStringLiteral("SELECT [Font Name] FROM [Assigned Fonts] WHERE [Set Name] = ?"));
    st.bind(1, setName);
    while (st.step())
        members.insert(st.text(0).toCaseFolded());
    return members;
}

FaceState faceStateOf(bool system, bool hasFiles, bool oneVisible) {
    if (system) return FaceState::System;
    return !hasFiles || oneVisible ? FaceState::Active : FaceState::Inactive;
}

FaceState faceState(MainContext& ctx, const QString& face, const QStringList& files) {
    if (isSystemFont(ctx.app.systemFonts, face)) return FaceState::System;
    const bool visible = std::any_of(files.begin(), files.end(), [&](const QString& file) {
        return !ctx.fonts.resources.isHidden(file);
    });
    return faceStateOf(false, !files.isEmpty(), visible);
}

int forEachFace(Database& db, const std::function<void(const QString&, const QStringList&)>& f) {
    Statement rows =
        db.prepare(QStringLiteral("SELECT [Face Name], [File Name], [Face Index] FROM [Fonts] "
                                  "ORDER BY ") +
                   fontsOrder() + QStringLiteral(", rowid"));
    QString face;
    QStringList files;
    int count = 0;
    while (rows.step()) {
        QString name = rows.text(0);
        if (count > 0 && name != face) {
            f(face, files);
            files.clear();
        }
        face = std::move(name);
        files << fontRef(rows.text(1), int(rows.int64(2)));
        ++count;
    }
    if (count > 0) f(face, files);
    return count;
}

namespace {

template <typename F> void forEachFile(MainContext& ctx, const QString& faceName, F&& f) {
    // Asked of the database itself: the catalogue's record set need not be read for a few files.
    Statement files = ctx.app.db->prepare(
        QStringLiteral("SELECT [File Name], [Face Index] FROM [Fonts] WHERE [Face Name] = ? "
                       "ORDER BY rowid"));
    files.bind(1, faceName);
    while (files.step())
        f(fontRef(files.text(0), int(files.int64(1))));
}

} // namespace

FaceState stateOfFace(MainContext& ctx, const QString& face) {
    QStringList files;
    forEachFile(ctx, face, [&](const QString& file) { files << file; });
    return faceState(ctx, face, files);
}

FaceState IsIt_Inactive(MainContext& ctx) {
    return stateOfFace(ctx, ctx.app.currentFontName);
}

namespace {

QString newStamp() {
    return QString::number(QRandomGenerator::global()->generate64(), 16);
}

bool sameSet(const QString& a, const QString& b) {
    return !a.isEmpty() && !b.isEmpty() && compareNoCase(a, b) == 0;
}

// Hides every file the set leaves out (all sets: none), whatever the state held before: every file
// not unloaded here ends visible. The desktop's own fonts are never hidden.
void hideOutside(MainContext& ctx, const QString& set, const QString& previous, Busy& busy) {
    AppState& app = ctx.app;
    FontResources& res = ctx.fonts.resources;
    const QSet<QString> previousMembers = setMembers(app, previous);
    const QSet<QString> members = setMembers(app, set);
    {
        Statement count = app.db->prepare(QStringLiteral("SELECT count(*) FROM [Fonts]"));
        const qint64 rows = count.step() ? count.int64(0) : 0;
        busy.range(int(rows));
        res.beginActivation(rows);
    }
    // Every catalogue row once, in any order: the walk needs no record set of its own.
    Statement rows = app.db->prepare(
        QStringLiteral("SELECT [Face Name], [File Name], [Face Index] FROM [Fonts]"));
    while (rows.step()) {
        const QString face = rows.text(0).toCaseFolded();
        const QString file = fontRef(rows.text(1), int(rows.int64(2)));
        // Undo the previous activation first, then hide what this set leaves out.
        if (!previous.isEmpty() && !previousMembers.contains(face)) res.load(file);
        if (!set.isEmpty() && !members.contains(face)) res.unload(file);
        busy.step();
    }
    if (set.isEmpty()) return;
    // The desktop's own fonts stay: hiding them breaks the text of every window.
    for (const QString& system : app.systemFonts) {
        if (system.isEmpty()) break;
        if (!members.contains(system.toCaseFolded())) loadFace(ctx, system);
    }
}

// Activates `set` (empty: all sets) and records it; `force` applies it even when the database
// already records it, to bring the desktop back in step.
void activate(MainContext& ctx, const QString& set, bool force) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    const bool only = !set.isEmpty();
    const QString stored = activatedSet(app);
    const QString previous = force ? QString() : stored;

    view.setMessage(only ? T::tr("Inactivating all fonts not found in \"%1\"...").arg(set)
                         : T::tr("Activating all sets..."));
    view.activationStarted(set);
    view.hideSamples();
    view.yield();
    {
        Busy busy(ctx, 0);
        FontTransaction t(ctx);
        if (!force)
            writeSettings(app,
                          {{fld::PreviousSet, stored.isEmpty() ? QVariant() : QVariant(stored)},
                           {fld::ActivatedSet, only ? QVariant(set) : QVariant()}});
        else
            // Applied again from a state taken as lost: no earlier activation is undone.
            writeSetting(app, fld::PreviousSet, QVariant());
        hideOutside(ctx, set, previous, busy);
        t.commit();
        app.setActivated = only;

        if (view.showsFontLists()) {
            view.setMessage(T::tr("Resetting All Fonts list..."));
            view.yield();
            Restate_AllFonts(ctx);
            view.fillSets();
        }
    }
    view.setSetBoxText(app.currentSetName);
    // What other programs now list is checked against what was written: a success is said only
    // when it is one.
    const QStringList unmet = ctx.fonts.resources.unmet();
    if (!unmet.isEmpty()) {
        view.setMessage(only ? T::tr("\"%1\" is active, but other programs do not see every font "
                                     "as they should.")
                                   .arg(set)
                             : T::tr("All sets are active, but other programs do not see every "
                                     "font as they should."));
        Messenger& m = app.messages;
        m.ask(MessageKind::Critical,
              only ? T::tr("Activate Selected Set") : T::tr("Activate All Sets"),
              (only ? T::tr("\"%1\" is active, but other programs do not see these fonts as "
                            "they should:")
                          .arg(set)
                    : T::tr("All sets are active, but other programs do not see these fonts "
                            "as they should:")) +
                  app.lineBreak + app.lineBreak + unmet.mid(0, 10).join(app.lineBreak) +
                  (unmet.size() > 10 ? app.lineBreak + T::tr("and %1 more.").arg(unmet.size() - 10)
                                     : QString()));
        view.activationApplied(set);
        return;
    }
    view.setMessage(
        only ? T::tr("\"%1\" activated successfully.  Everything else is inactive.").arg(set)
             : T::tr(" All sets activated successfully.  No fonts are inactive."));
    view.activationApplied(set);
}

} // namespace

void loadFace(MainContext& ctx, const QString& faceName) {
    forEachFile(ctx, faceName, [&](const QString& file) { ctx.fonts.resources.load(file); });
}

void unloadFace(MainContext& ctx, const QString& faceName) {
    forEachFile(ctx, faceName, [&](const QString& file) { ctx.fonts.resources.unload(file); });
}

void publishFontChanges(MainContext& ctx) {
    FontResources& res = ctx.fonts.resources;
    if (!res.hasPending()) return;
    const QString stamp = newStamp();
    writeSetting(ctx.app, fld::FontState, stamp);
    if (!res.broadcast(stamp)) throw FontStateError(res.error());
    if (const QString kept = res.keptStamp(); !kept.isEmpty())
        writeSetting(ctx.app, fld::FontState, kept);
}

FontTransaction::~FontTransaction() {
    if (!committed_) ctx_.fonts.resources.discard();
}

void FontTransaction::commit() {
    FontResources& res = ctx_.fonts.resources;
    const bool publishing = res.hasPending();
    publishFontChanges(ctx_);
    try {
        transaction_.commit();
    } catch (...) {
        // The database keeps its old state: so must the desktop, or the message that nothing
        // changed would be false.
        if (publishing && !res.restore())
            qWarning("Letterbay: the hidden fonts could not be put back: %s",
                     qPrintable(res.error()));
        throw;
    }
    committed_ = true;
}

bool fontStateInStep(MainContext& ctx) {
    const QVariant stamp = readSetting(ctx.app, fld::FontState);
    // A set recorded by a version that kept no stamp has never been checked: apply it again.
    if (stamp.isNull() && !activatedSet(ctx.app).isEmpty()) return false;
    return ctx.fonts.resources.inStep(stamp.toString());
}

void Activate_Sets(MainContext& ctx, const QString& boxText, bool only) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    Messenger& m = app.messages;
    QString set;
    if (only) {
        // The set's own spelling is stored, so that a rename or a delete finds it again; a name
        // typed but never added is no set: activating it would hide every font.
        app.datSets->refresh();
        set = boxText.isEmpty() ? QString() : findSet(app, boxText);
        if (set.isEmpty()) {
            m.ask(MessageKind::Critical, T::tr("Activate Selected Set"),
                  T::tr("You must first select a set."));
            view.focusSetBox();
            return;
        }
    }
    app.currentSetName = only ? set : boxText;
    const QString stored = activatedSet(app);
    if (only ? sameSet(stored, set) : stored.isEmpty()) {
        // Nothing to change, unless the desktop lost the state the database records.
        if (fontStateInStep(ctx)) return;
        activate(ctx, only ? stored : QString(), true);
        return;
    }
    activate(ctx, set, false);
}

bool Reapply_ActiveSet(MainContext& ctx) {
    AppState& app = ctx.app;
    const QString set = activatedSet(app);
    app.setActivated = !set.isEmpty();
    if (!set.isEmpty()) ctx.view.setMessage(T::tr("\"%1\" is the currently active set.").arg(set));
    bool applied = false;
    if (!fontStateInStep(ctx)) {
        app.currentSetName = set;
        activate(ctx, set, true);
        applied = true;
    }
    // Fonts that arrived in a hidden folder since were chosen by no one: they stay visible.
    FontResources& res = ctx.fonts.resources;
    if (!res.reconcile() && !res.error().isEmpty()) throw FontStateError(res.error());
    return applied;
}

} // namespace lb
