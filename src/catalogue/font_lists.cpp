#include "catalogue/font_lists.h"

#include "activation/activation.h"
#include "catalogue/system_fonts.h"
#include "core/busy.h"
#include "core/schema.h"
#include "core/settings.h"

#include <QCoreApplication>
#include <algorithm>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(FontLists)
};
} // namespace

QString fontCountText(int count) {
    return T::tr("Fonts: %1").arg(count);
}

void Fill_AllFonts(MainContext& ctx) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    view.clearFindBox(1);
    view.hideSamples();
    ctx.fontCount = 0;
    app.datFonts->refresh();
    Statement count = app.db->prepare(QStringLiteral("SELECT count(*) FROM [Fonts]"));
    const int rows = count.step() ? int(count.int64(0)) : 0;
    if (rows == 0) return;
    Busy busy(ctx, rows);
    view.setMessage(T::tr("Loading your fonts..."));
    view.yield();

    app.currentFontName.clear();
    ctx.allFonts.beginFill();
    // Assignments are read once: each typeface then costs a lookup in memory.
    const QSet<QString> assigned =
        ctx.unassignedOnly ? fontNamesIn(app, tbl::AssignedFonts) : QSet<QString>();
    forEachFace(*app.db, [&](const QString& face, const QStringList& files) {
        app.currentFontName = face;
        ++ctx.fontCount;
        if (!ctx.unassignedOnly || !assigned.contains(face.toCaseFolded()))
            ctx.allFonts.append(face, faceState(ctx, face, files));
        for (qsizetype i = 0; i < files.size(); ++i)
            busy.step();
    });
    ctx.allFonts.endFill();

    busy.done();
    view.handleButtons();
    view.setMessage(ctx.unassignedOnly ? T::tr("Unassigned Fonts loaded successfully.")
                                       : T::tr("All Fonts loaded successfully."));
    view.setFontCount(fontCountText(ctx.fontCount));
}

void Restate_AllFonts(MainContext& ctx) {
    FontListModel& list = ctx.allFonts;
    const int n = list.size();
    // Unassigned Fonts leaves rows out: a fill says which.
    if (ctx.unassignedOnly || n == 0) return Fill_AllFonts(ctx);
    // The catalogue is walked in any order, so nothing is sorted: each name is found by the row
    // it had in the last walk, else looked up.
    std::vector<int>& guess = list.catalogueOrder();
    const QHash<QString, int>& rowOf = list.rowsByName();
    std::vector<int> order;
    order.reserve(guess.empty() ? size_t(n) : guess.size());
    std::vector<char> hasFiles(static_cast<size_t>(n), 0), visible(static_cast<size_t>(n), 0);
    int listed = 0;
    Statement rows = ctx.app.db->prepare(
        QStringLiteral("SELECT [Face Name], [File Name], [Face Index] FROM [Fonts]"));
    while (rows.step()) {
        const QString name = rows.text(0);
        const size_t k = order.size();
        int row = k < guess.size() ? guess[k] : -1;
        if (row < 0 || list.row(row).name != name) {
            const auto at = rowOf.constFind(name);
            // Another program changed the catalogue since the list was filled.
            if (at == rowOf.cend()) return Fill_AllFonts(ctx);
            row = *at;
        }
        order.push_back(row);
        const size_t i = size_t(row);
        if (!hasFiles[i]) ++listed;
        hasFiles[i] = 1;
        if (!visible[i] && !ctx.fonts.resources.isHidden(fontRef(rows.text(1), int(rows.int64(2)))))
            visible[i] = 1;
    }
    if (listed != n) return Fill_AllFonts(ctx);
    guess = std::move(order);
    std::vector<FaceState> states(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        states[size_t(i)] = faceStateOf(isSystemFont(ctx.app.systemFonts, list.row(i).name),
                                        hasFiles[size_t(i)], visible[size_t(i)]);
    OperationView& view = ctx.view;
    view.clearFindBox(1);
    view.hideSamples();
    list.setStates(states);
    ctx.app.currentFontName = list.row(n - 1).name;
    view.handleButtons();
    view.setMessage(T::tr("All Fonts loaded successfully."));
}

void Fill_AssignedFonts(MainContext& ctx) {
    AppState& app = ctx.app;
    ctx.view.clearAssignedFonts();
    ctx.view.clearFindBox(2);
    QStringList names;
    RecordSet& assigned = *app.datAssigned;
    assigned.refresh();
    const Criteria bySet(fld::SetName, app.currentSetName);
    for (bool found = assigned.findFirst(bySet); found; found = assigned.findNext(bySet))
        names << assigned.text(fld::FontName);
    // Plain character-code order.
    std::sort(names.begin(), names.end());
    ctx.assignedFonts.beginFill();
    for (const QString& n : names)
        ctx.assignedFonts.append(n, FaceState::Active);
    ctx.assignedFonts.endFill();
    ctx.assignedFonts.set = app.currentSetName;
    app.sampleMode = 2; // what Print prints from now on
    ctx.view.handleButtons();
}

void Show_OutsideChanges(MainContext& ctx, const QString& shown) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    for (RecordSet* rs : {app.datAuto.get(), app.datFonts.get(), app.datAssigned.get(),
                          app.datSets.get(), app.datSampleText.get(), app.datVersion.get()})
        if (rs) rs->refresh();
    const QString active = activatedSet(app);
    app.setActivated = !active.isEmpty();
    ctx.fonts.resources.reread();

    QString kept;
    if (!shown.isEmpty() && app.datSets->findFirst(Criteria(fld::SetName, shown)))
        kept = app.datSets->text(fld::SetName);
    const bool listed = !ctx.assignedFonts.set.isEmpty();
    view.fillSets();
    // A name being typed that is no set stays; a set that is gone leaves the box.
    if (!kept.isEmpty() || !listed) view.setSetBoxText(kept.isEmpty() ? shown : kept);

    ctx.allFonts.clear();
    ctx.fontCount = 0;
    view.setFontCount(fontCountText(0));
    Fill_AllFonts(ctx);
    if (!kept.isEmpty() && listed) {
        app.currentSetName = kept;
        Fill_AssignedFonts(ctx);
    } else if (listed) {
        app.currentSetName.clear();
        view.clearAssignedFonts();
        ctx.assignedFonts.set.clear();
    }
    view.handleButtons();
    view.setMessage(active.isEmpty() ? T::tr("All sets are active.  No fonts are inactive.")
                                     : T::tr("\"%1\" is the currently active set.").arg(active));
}

int insertFace(FontListModel& list, const QString& face, FaceState state) {
    int lo = 0, hi = list.size();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (namesBefore(list.row(mid).name, face))
            lo = mid + 1;
        else
            hi = mid;
    }
    list.insertAt(lo, face, state);
    return lo;
}

QSet<QString> fontNamesIn(AppState& app, const QString& table) {
    QSet<QString> faces;
    Statement st = app.db->prepare(QStringLiteral("SELECT DISTINCT [Font Name] FROM ") +
                                   quoteIdentifier(table));
    while (st.step())
        faces.insert(st.text(0).toCaseFolded());
    return faces;
}

QStringList setNames(AppState& app) {
    QStringList names;
    RecordSet& sets = *app.datSets;
    sets.refresh();
    sets.forEach([&](RecordSet& row) { names << row.text(fld::SetName); });
    return names;
}

} // namespace lb
