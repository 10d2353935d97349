#include "catalogue/refresh.h"

#include "activation/activation.h"
#include "catalogue/font_lists.h"
#include "catalogue/system_fonts.h"
#include "core/busy.h"
#include "core/schema.h"
#include "core/settings.h"
#include "sets/auto_assign.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <map>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(Refresh)
};
} // namespace

bool isTrueTypeValue(const QString& valueName) {
    return valueName.endsWith(QLatin1String("(TrueType)"), Qt::CaseSensitive);
}

bool isCataloguedValue(const QString& valueName) {
    return isTrueTypeValue(valueName) ||
           valueName.endsWith(QLatin1String("(OpenType)"), Qt::CaseSensitive) ||
           valueName.endsWith(QLatin1String("(Type 1)"), Qt::CaseSensitive);
}

namespace {

struct CatalogueRow {
    QString face, friendly, file;
    int index = 0; // the face's number in its file
    qint64 rowid = 0;
    QString ref() const { return fontRef(file, index); }
};

std::vector<CatalogueRow> catalogueRows(Database& db) {
    std::vector<CatalogueRow> rows;
    Statement st = db.prepare(
        QStringLiteral("SELECT [Face Name], [Friendly Name], [File Name], [Face Index], rowid "
                       "FROM [Fonts]"));
    while (st.step())
        rows.push_back({st.text(0), st.text(1), st.text(2), int(st.int64(3)), st.int64(4)});
    return rows;
}

// Catalogued folders where no font is listed any more: gone (a disk not mounted, a dangling
// link) or left empty (the mount point of a disk that is not mounted). Their fonts may come back
// with the disk, so they are not dropped without asking; a font missing from a folder that still
// lists fonts was removed, and goes. A folder that is gone is named by the highest folder gone
// with it, so a vanished tree is one name.
// `listed`: for each old row, whether some value still names its file and face.
std::map<QString, std::vector<const CatalogueRow*>>
missingFolders(const std::vector<CatalogueRow>& old, const std::vector<bool>& listed,
               const std::vector<FontValue>& values, const QString& fontsFolder) {
    const auto folderOf = [&](const QString& file) {
        return QFileInfo(QDir::isAbsolutePath(file) ? file : fontsFolder + file).absolutePath();
    };
    std::map<QString, std::vector<const CatalogueRow*>> missingIn;
    for (size_t i = 0; i < old.size(); ++i)
        if (!listed[i]) missingIn[folderOf(old[i].file)].push_back(&old[i]);
    if (missingIn.empty()) return {};
    QSet<QString> stillListed;
    for (const FontValue& v : values)
        stillListed.insert(folderOf(v.data));
    std::map<QString, std::vector<const CatalogueRow*>> missing;
    for (auto& [folder, rows] : missingIn) {
        if (stillListed.contains(folder)) continue;
        QString named = folder;
        while (!QFileInfo::exists(named)) {
            const QString parent = QFileInfo(named).absolutePath();
            if (parent == named || QFileInfo::exists(parent)) break;
            named = parent;
        }
        auto& into = missing[named];
        into.insert(into.end(), rows.begin(), rows.end());
    }
    return missing;
}

int faceCount(const std::vector<const CatalogueRow*>& rows) {
    QSet<QString> faces;
    for (const CatalogueRow* r : rows)
        faces.insert(r->face.toCaseFolded());
    return int(faces.size());
}

QString fontsText(int n) {
    return n == 1 ? T::tr("1 font") : T::tr("%1 fonts").arg(n);
}

// One question for every such folder, No the default: Yes drops fonts and their assignments.
bool keepMissing(MainContext& ctx,
                 const std::map<QString, std::vector<const CatalogueRow*>>& missing) {
    std::vector<const CatalogueRow*> all;
    QStringList lines;
    for (const auto& [folder, rows] : missing) {
        all.insert(all.end(), rows.begin(), rows.end());
        if (lines.size() < 20)
            lines << QStringLiteral("%1  (%2)").arg(folder, fontsText(faceCount(rows)));
    }
    if (missing.size() > size_t(lines.size()))
        lines << T::tr("and %1 more folders").arg(missing.size() - size_t(lines.size()));
    const int total = faceCount(all);
    Messenger& m = ctx.app.messages;
    const QString lb = ctx.app.lineBreak;
    return !m.askYes(
        MessageKind::YesNoDefaultNo, T::tr("Refresh Fonts"),
        (missing.size() == 1
             ? T::tr("This folder held %1 of yours and is now gone or empty.  A disk may "
                     "not be connected:")
             : T::tr("These folders held %1 of yours and are now gone or empty.  A disk may "
                     "not be connected:"))
                .arg(fontsText(total)) +
            lb + lb + lines.join(lb) + lb + lb +
            (total == 1 ? T::tr("Remove this font and its set assignments from Letterbay?  (No "
                                "keeps them until the disk is back.)")
                        : T::tr("Remove these fonts and their set assignments from Letterbay?  "
                                "(No keeps them until the disk is back.)")));
}

void reportUnusableNames(MainContext& ctx, const QStringList& names) {
    if (names.isEmpty()) return;
    Messenger& m = ctx.app.messages;
    const QString lb = ctx.app.lineBreak;
    QStringList shown = names.mid(0, 20);
    if (names.size() > shown.size()) shown << T::tr("and %1 more").arg(names.size() - shown.size());
    m.ask(MessageKind::Info, T::tr("Refresh Fonts"),
          T::tr("These font files were left out because their names are not valid text.  "
                "Rename them to use them in Letterbay:") +

              lb + lb + shown.join(lb));
}

} // namespace

void Refresh_Fonts(MainContext& ctx) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    Database& db = *app.db;
    FontResources& resources = ctx.fonts.resources;

    view.hideSamples();
    Busy busy(ctx, 1); // put back however the refresh ends
    Load_SystemFonts(app.systemFonts, ctx.fonts.desktop);

    FontTransaction transaction(ctx);
    const std::vector<CatalogueRow> old = catalogueRows(db);
    if (!old.empty()) {
        view.setProgressRange(0, int(old.size()));
        view.setMessage(T::tr("Clearing out existing fonts..."));
        view.yield();
        view.setProgressValue(int(old.size()));
    }

    // Reading the font folders is the slow part and cannot be counted beforehand: the phase
    // text is up first, with a busy bar, and the bar counts once the values are known.
    view.setProgressRange(0, 0);
    view.setProgressValue(0);
    view.setMessage(T::tr("Retrieving your fonts..."));
    view.yield();
    // Every installed value is read, whatever the length of its name or file.
    const std::vector<FontValue> values = ctx.fonts.registry.enumerate();
    view.setProgressRange(0, int(values.size()));
    view.setProgressValue(0);

    // The catalogue ends as if it had been cleared and written again, but rows that stay as they
    // were are not written at all: with tens of thousands of fonts that is most of a refresh.
    // Keyed by file and face: each face of a collection is a row of its own.
    QHash<QString, size_t> oldByFile;
    oldByFile.reserve(qsizetype(old.size()));
    for (size_t i = 0; i < old.size(); ++i)
        oldByFile.insert(old[i].ref(), i);
    std::vector<bool> keep(old.size(), false);
    std::vector<bool> listed(old.size(), false); // named by some value, catalogued or not
    // The old row of a file and face; -1 for a new one.
    const auto oldRow = [&](const QString& file, int index) {
        const auto it = oldByFile.constFind(fontRef(file, index));
        return it == oldByFile.constEnd() ? qsizetype(-1) : qsizetype(it.value());
    };
    Statement insert = db.prepare(QStringLiteral(
        "INSERT INTO [Fonts] ([Face Name], [Friendly Name], [File Name], [Face Index]) "
        "VALUES (?, ?, ?, ?)"));
    Statement update = db.prepare(
        QStringLiteral("UPDATE [Fonts] SET [Face Name] = ?, [Friendly Name] = ? WHERE rowid = ?"));
    const auto add = [&](const QString& face, const QString& friendly, const QString& file,
                         int index, qsizetype at) {
        if (at >= 0) {
            const CatalogueRow& row = old[size_t(at)];
            // The same file listed twice is catalogued once.
            if (keep[size_t(at)]) return;
            keep[size_t(at)] = true;
            if (row.face == face && row.friendly == friendly) return;
            update.reset();
            update.bind(1, face).bind(2, friendly).bind(3, row.rowid);
            update.step();
            return;
        }
        insert.reset();
        insert.bind(1, face).bind(2, friendly).bind(3, file).bind(4, qint64(index));
        try {
            insert.step();
        } catch (const DbError& e) {
            if (e.number() != ErrDuplicateKey) throw;
        }
    };
    {
        QString lastFace;
        int progress = 0;
        for (const FontValue& value : values) {
            const qsizetype at = oldRow(value.data, value.face);
            if (at >= 0) listed[size_t(at)] = true;
            if (!isCataloguedValue(value.name)) continue;
            // The registry names each face of a collection itself; a file is read for its names.
            if (value.family.isEmpty())
                app.pickedFontName = Get_FaceName(app, ctx.fonts.faces, value.data);
            else
                app.currentFontName = value.family;
            if (app.currentFontName != lastFace) {
                lastFace = app.currentFontName;
                if (progress < int(values.size())) view.setProgressValue(++progress);
            }
            add(app.currentFontName, value.name, value.data, value.face, at);
        }
    }
    const auto missing = missingFolders(old, listed, values, app.fontsFolder);
    if (!missing.empty() && keepMissing(ctx, missing))
        for (const auto& [folder, rows] : missing)
            for (const CatalogueRow* r : rows)
                add(r->face, r->friendly, r->file, r->index, r - old.data());
    {
        Statement remove = db.prepare(QStringLiteral("DELETE FROM [Fonts] WHERE rowid = ?"));
        for (size_t i = 0; i < old.size(); ++i) {
            if (keep[i]) continue;
            remove.reset();
            remove.bind(1, old[i].rowid);
            remove.step();
        }
    }

    ctx.fontCount = 0;
    view.setProgressValue(0);
    view.setMessage(T::tr("Sorting and loading your fonts..."));
    view.yield();
    app.datFonts->refresh();
    app.datAssigned->refresh();
    app.datSets->refresh();
    app.datAuto->refresh();
    Statement count = db.prepare(QStringLiteral("SELECT count(*) FROM [Fonts]"));
    const int rows = count.step() ? int(count.int64(0)) : 0;
    if (rows > 0) {
        view.setProgressRange(0, rows);
        app.currentFontName.clear();
        ctx.allFonts.beginFill();
        int progress = 0;
        // The knowledge base's names and the assignments are read once; each typeface then costs
        // lookups in memory, and AutoAssign runs only for names it knows.
        const QString activated = activatedSet(app);
        QSet<QString> assigned = fontNamesIn(app, tbl::AssignedFonts);
        const QSet<QString> known =
            app.addAutoAssign ? fontNamesIn(app, tbl::AutoAssign) : QSet<QString>();
        forEachFace(db, [&](const QString& face, const QStringList& files) {
            app.currentFontName = face;
            ++ctx.fontCount;
            const QString folded = face.toCaseFolded();
            if (app.addAutoAssign && known.contains(folded)) {
                for (const QString& set : Auto_Assign(app)) {
                    assigned.insert(folded);
                    // A font that joins the activated set is available at once, whoever put it
                    // there.
                    if (!activated.isEmpty() && compareNoCase(set, activated) == 0)
                        for (const QString& file : files)
                            resources.load(file);
                }
            }
            if (!ctx.unassignedOnly || !assigned.contains(folded))
                ctx.allFonts.append(face, faceState(ctx, face, files));
            progress += int(files.size());
            view.setProgressValue(progress);
        });
        ctx.allFonts.endFill();
    } else {
        ctx.allFonts.clear();
    }

    view.setProgressValue(0);
    view.setMessage(T::tr("Checking for Assigned Fonts deleted outside of Letterbay..."));
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
    view.setMessage(app.addAutoAssign ? T::tr("Fonts loaded, AutoAssign completed successfully.")
                                      : T::tr("Fonts loaded successfully."));
    view.setFontCount(fontCountText(ctx.fontCount));
    reportUnusableNames(ctx, ctx.fonts.registry.unusableNames());
}

} // namespace lb
