#include "catalogue/refresh.h"

#include "activation/activation.h"
#include "catalogue/font_lists.h"
#include "catalogue/system_fonts.h"
#include "core/busy.h"
#include "core/schema.h"
#include "core/settings.h"
#include "sets/auto_assign.h"

namespace lb {

bool isTrueTypeValue(const QString& valueName) {
    return valueName.endsWith(QLatin1String("(TrueType)"), Qt::CaseSensitive);
}

namespace {

int countRows(Database& db, const QString& table) {
    Statement st = db.prepare(QStringLiteral("SELECT count(*) FROM ") + quoteIdentifier(table));
    return st.step() ? int(st.int64(0)) : 0;
}

} // namespace

void Refresh_Fonts(MainContext& ctx) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    Database& db = *app.db;

    view.hideSamples();
    Busy busy(ctx, 1); // put back however the refresh ends
    Load_SystemFonts(app.systemFonts, ctx.fonts.desktop);

    Database::Transaction transaction(db);
    RecordSet& fonts = *app.datFonts;
    const int oldRows = countRows(db, tbl::Fonts);
    if (oldRows > 0) {
        view.setProgressRange(0, oldRows);
        view.setMessage(QStringLiteral("Clearing out existing fonts..."));
        view.yield();
        db.exec(QStringLiteral("DELETE FROM [Fonts]"));
        view.setProgressValue(oldRows);
    }

    // Every installed value is read, whatever the length of its name or file. Reading the
    // font folders is the slow part and cannot be counted beforehand: the phase text is up
    // first, with a busy bar, and the bar counts once the values are known.
    view.setProgressRange(0, 0);
    view.setProgressValue(0);
    view.setMessage(QStringLiteral("Retrieving your TrueType fonts..."));
    view.yield();
    const std::vector<FontValue> values = ctx.fonts.registry.enumerate();
    view.setProgressRange(0, int(values.size()));
    view.setProgressValue(0);
    view.yield();
    {
        Statement insert = db.prepare(QStringLiteral(
            "INSERT INTO [Fonts] ([Face Name], [Friendly Name], [File Name]) VALUES (?, ?, ?)"));
        QString lastFace;
        for (const FontValue& value : values) {
            if (!isTrueTypeValue(value.name)) continue;
            app.pickedFontName = Get_FaceName(app, ctx.fonts.faces, value.data);
            if (app.currentFontName != lastFace) {
                lastFace = app.currentFontName;
                if (view.progressMaximum() > view.progressValue())
                    view.setProgressValue(view.progressValue() + 1);
            }
            insert.reset();
            insert.bind(1, app.currentFontName).bind(2, value.name).bind(3, value.data);
            try {
                insert.step();
            } catch (const DbError& e) {
                // The same file listed twice is catalogued once.
                if (e.number() != ErrDuplicateKey) throw;
            }
        }
    }
    db.noteChange();

    ctx.fontCount = 0;
    view.setProgressValue(0);
    view.setMessage(QStringLiteral("Sorting and loading your TrueType fonts..."));
    view.yield();
    fonts.refresh();
    app.datAssigned->refresh();
    app.datSets->refresh();
    app.datAuto->refresh();
    if (fonts.recordCount() > 0) {
        view.setProgressRange(0, fonts.recordCount());
        app.currentFontName.clear();
        ctx.allFonts.beginFill();
        int progress = 0;
        // Membership and the knowledge base's names are read once; each typeface then costs
        // lookups in memory, and AutoAssign runs only for names it knows.
        ActiveMembers active = activeMembers(app);
        const QString activated = active.setActivated ? activatedSet(app) : QString();
        QSet<QString> assigned = fontNamesIn(app, tbl::AssignedFonts);
        const QSet<QString> known =
            app.addAutoAssign ? fontNamesIn(app, tbl::AutoAssign) : QSet<QString>();
        fonts.forEach([&](RecordSet& row) {
            const QString face = row.text(fld::FaceName);
            if (face != app.currentFontName) {
                app.currentFontName = face;
                ++ctx.fontCount;
                const QString folded = face.toCaseFolded();
                if (app.addAutoAssign && known.contains(folded)) {
                    for (const QString& set : Auto_Assign(app)) {
                        assigned.insert(folded);
                        if (compareNoCase(set, activated) == 0) active.members.insert(folded);
                    }
                }
                if (!ctx.unassignedOnly || !assigned.contains(folded))
                    ctx.allFonts.append(face, fontState(app, active, face));
            }
            view.setProgressValue(++progress);
        });
        ctx.allFonts.endFill();
    } else {
        ctx.allFonts.clear();
    }

    view.setProgressValue(0);
    view.setMessage(QStringLiteral("Checking for Assigned Fonts deleted outside of Letterbay..."));
    view.yield();
    db.exec(QStringLiteral(
        "DELETE FROM [Assigned Fonts] WHERE NOT EXISTS "
        "(SELECT 1 FROM [Fonts] WHERE [Fonts].[Face Name] = [Assigned Fonts].[Font Name])"));
    transaction.commit();
    app.datAssigned->refresh();

    busy.done();
    view.fillSets();
    view.clearAssignedFonts();
    view.handleButtons();
    app.currentSetName.clear();
    view.setMessage(app.addAutoAssign
                        ? QStringLiteral("Fonts loaded, AutoAssign completed successfully.")
                        : QStringLiteral("Fonts loaded successfully."));
    view.setFontCount(fontCountText(ctx.fontCount));
}

} // namespace lb
