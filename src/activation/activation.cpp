#include "activation/activation.h"

#include "catalogue/font_lists.h"
#include "catalogue/system_fonts.h"
#include "core/busy.h"
#include "core/schema.h"
#include "core/settings.h"

namespace lb {

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

ActiveMembers activeMembers(AppState& app) {
    ActiveMembers a;
    a.setActivated = app.setActivated;
    if (a.setActivated) a.members = setMembers(app, activatedSet(app));
    return a;
}

int fontState(const AppState& app, const ActiveMembers& active, const QString& face) {
    if (isSystemFont(app.systemFonts, face)) return StateSystem;
    if (!active.setActivated) return StateActive;
    return active.members.contains(face.toCaseFolded()) ? StateActive : StateInactive;
}

int IsIt_Inactive(MainContext& ctx) {
    AppState& app = ctx.app;
    if (isSystemFont(app.systemFonts, app.currentFontName)) return StateSystem;
    if (!app.setActivated) return StateActive;
    const QString active = activatedSet(app);
    const bool member = app.datAssigned->findFirst(
        Criteria(fld::SetName, active).andEq(fld::FontName, app.currentFontName));
    return member ? StateActive : StateInactive;
}

namespace {

template <typename F> void forEachFile(MainContext& ctx, const QString& faceName, F&& f) {
    RecordSet& fonts = *ctx.app.datFonts;
    const Criteria byFace(fld::FaceName, faceName);
    for (bool found = fonts.findFirst(byFace); found; found = fonts.findNext(byFace))
        f(fonts.text(fld::FileName));
}

} // namespace

void loadFace(MainContext& ctx, const QString& faceName) {
    forEachFile(ctx, faceName,
                [&](const QString& file) { ctx.app.lastResult = ctx.fonts.resources.load(file); });
}

void unloadFace(MainContext& ctx, const QString& faceName) {
    forEachFile(ctx, faceName, [&](const QString& file) {
        ctx.app.lastResult = ctx.fonts.resources.unload(file);
    });
}

void Activate_Sets(MainContext& ctx) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    Messenger& m = app.messages;
    const bool only = app.setActivated;
    const QString boxText = view.setBoxText();
    // A name typed but never added is no set: activating it would hide every font.
    if (only) app.datSets->refresh();
    if (only && (boxText.isEmpty() || !app.datSets->findFirst(Criteria(fld::SetName, boxText)))) {
        m.title = QStringLiteral("Activate Selected Set");
        m.text = QStringLiteral("You must first select a set.");
        m.Msg_Critical();
        view.focusSetBox();
        return;
    }
    app.currentSetName = boxText;
    const QVariant storedVariant = readSetting(app, fld::ActivatedSet);
    const QString stored = storedVariant.toString();
    if (only && stored == boxText) return;
    if (!only && storedVariant.isNull()) return;

    const QVariant previous = stored.isEmpty() ? QVariant() : QVariant(stored);
    writeSettings(app, {{fld::PreviousSet, previous},
                        {fld::ActivatedSet, only ? QVariant(app.currentSetName) : QVariant()}});

    view.setMessage(only ? QStringLiteral("Inactivating all fonts not found in \"") +
                               app.currentSetName + QStringLiteral("\"...")
                         : QStringLiteral("Activating all sets..."));
    view.hideSamples();
    view.yield();
    Busy busy(ctx, 0);

    // Membership is read once per set: each row then costs a lookup in memory.
    const QString previousSet = previous.toString();
    const QSet<QString> previousMembers = setMembers(app, previousSet);
    const QSet<QString> members = only ? setMembers(app, app.currentSetName) : QSet<QString>();
    RecordSet& fonts = *app.datFonts;
    fonts.refresh();
    if (fonts.recordCount() > 0) {
        busy.range(fonts.recordCount());
        fonts.forEach([&](RecordSet& row) {
            const QString face = row.text(fld::FaceName).toCaseFolded();
            const QString file = row.text(fld::FileName);
            // Undo the previous activation first, then hide what this set leaves out.
            if (!previousSet.isEmpty() && !previousMembers.contains(face))
                app.lastResult = ctx.fonts.resources.load(file);
            if (only && !members.contains(face)) app.lastResult = ctx.fonts.resources.unload(file);
            busy.step();
        });
    }
    if (only) {
        // The desktop's own fonts stay: hiding them breaks the text of every window.
        for (const QString& system : app.systemFonts) {
            if (system.isEmpty()) break;
            if (!members.contains(system.toCaseFolded())) loadFace(ctx, system);
        }
    }
    view.setMessage(QStringLiteral("Resetting All Fonts list..."));
    view.yield();
    Fill_AllFonts(ctx);
    view.fillSets();
    busy.done();
    view.setSetBoxText(app.currentSetName);
    view.setMessage(
        only ? QStringLiteral("\"") + app.currentSetName +
                   QStringLiteral("\" activated successfully.  Everything else is inactive.")
             : QStringLiteral(" All sets activated successfully.  No fonts are inactive."));
    ctx.fonts.resources.broadcast();
}

bool Reapply_ActiveSet(MainContext& ctx) {
    AppState& app = ctx.app;
    const QString set = activatedSet(app);
    ctx.view.setMessage(QStringLiteral("\"") + set +
                        QStringLiteral("\" is the currently active set."));
    const QSet<QString> members = setMembers(app, set);
    RecordSet& fonts = *app.datFonts;
    fonts.refresh();
    QString probeFile;
    fonts.forEach([&](RecordSet& row) {
        if (!probeFile.isEmpty()) return;
        const QString face = row.text(fld::FaceName);
        // A system font is always loaded, so it cannot tell whether the hidden state held.
        if (!members.contains(face.toCaseFolded()) && !isSystemFont(app.systemFonts, face))
            probeFile = row.text(fld::FileName);
    });
    if (probeFile.isEmpty()) return false;
    app.lastResult = ctx.fonts.resources.unload(probeFile);
    if (app.lastResult.toInt() != 1) return false;
    app.lastResult = ctx.fonts.resources.load(probeFile);
    writeSettings(app, {{fld::PreviousSet, QVariant()}, {fld::ActivatedSet, QVariant()}});
    app.setActivated = true;
    Activate_Sets(ctx);
    return true;
}

} // namespace lb
