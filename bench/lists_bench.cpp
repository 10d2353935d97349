// The font lists and assignment at 20,000 typefaces, against reading the same rows from the
// database into a QStringList. The font facilities are in-memory fakes: these figures are the
// database and list work alone; catalogue_bench measures fontconfig.
//
//   lists_bench [typefaces]      default 20000

#include "bench_support.h"

#include "activation/activation.h"
#include "catalogue/font_list.h"
#include "catalogue/font_lists.h"
#include "catalogue/refresh.h"
#include "core/main_context.h"
#include "core/schema.h"
#include "core/settings.h"
#include "platform/fonts.h"
#include "sets/assignment.h"
#include "support/memory_resources.h"

#include <QCoreApplication>
#include <QHash>
#include <QThread>
#include <cstdio>

using namespace lbbench;

namespace {

constexpr int Selected = 1000;

// The installed fonts as a fixed list: one value per typeface.
class ListedFonts : public lb::FontRegistry, public lb::FaceNameReader {
public:
    std::vector<lb::FontValue> values;
    QHash<QString, lb::FaceNames> names; // by file

    std::vector<lb::FontValue> enumerate() override { return values; }
    QString fontsFolder() override { return QStringLiteral("/nonexistent/fonts/"); }
    bool registerFile(const QString&) override { return true; }
    std::vector<std::pair<QString, QString>> removeFiles(const QStringList&) override { return {}; }

    lb::FaceNames read(const QString& file) override {
        const auto it = names.constFind(file);
        return it != names.constEnd() ? *it : lb::FaceNames{file, file, false, {}};
    }
};

class NoDesktopFonts : public lb::DesktopFonts {
public:
    QStringList families() override { return {}; }
};

using MemoryResources = lbtest::FakeResources;

qint64 scalar(lb::AppState& app, const QString& sql, const QVariant& bound = {}) {
    lb::Statement st = app.db->prepare(sql);
    if (bound.isValid()) st.bind(1, bound);
    return st.step() ? st.int64(0) : -1;
}

// The baseline: the same rows, in the order the catalogue keeps them, into a list.
QStringList readFaceNames(lb::AppState& app) {
    QStringList names;
    lb::Statement st = app.db->prepare(
        QStringLiteral("SELECT [Face Name] FROM [Fonts] ORDER BY [Face Name] COLLATE LBNOCASE, "
                       "[Face Name] COLLATE BINARY, rowid"));
    while (st.step())
        names << st.text(0);
    return names;
}

double medianOf(int runs, const std::function<void()>& f) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(timeMs(f));
    return median(times);
}

void selectEvery(lb::FontListModel& list, int count) {
    const int step = std::max(1, list.size() / count);
    int selected = 0;
    for (int i = 0; i < list.size() && selected < count; i += step, ++selected)
        list.setSelected(i, true);
    list.selectedCount = selected;
    list.anchor = 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication qapp(argc, argv);
    pointAtShippedData(argv[0]);
    int n = 20000;
    if (qapp.arguments().size() > 1) {
        bool ok = false;
        n = qapp.arguments().at(1).toInt(&ok);
        if (!ok || n < Selected) {
            std::fprintf(stderr, "usage: lists_bench [typefaces]   (at least %d; default 20000)\n",
                         Selected);
            return 2;
        }
    }

    printHeader("lists_bench");
    std::printf("Times are wall clock; xN is the time as a multiple of the baseline.\n");

    TempHome home;
    if (!home.ok()) {
        std::printf("cannot make a temporary home\n");
        return 2;
    }
    ScriptedAnswers boxes;
    lb::MemoryPointer pointer;
    lb::AppState app(boxes, pointer);
    if (!openApp(app)) {
        std::printf("the database did not open (LETTERBAY_SHARE=%s)\n",
                    qgetenv("LETTERBAY_SHARE").constData());
        return 2;
    }

    // Typeface names: numbered ones with the knowledge base's own names mixed in, one in ten,
    // so that AutoAssign has work to do.
    QStringList known;
    {
        lb::Statement st = app.db->prepare(
            QStringLiteral("SELECT DISTINCT [Font Name] FROM [Auto Assign] ORDER BY 1"));
        while (st.step())
            known << st.text(0);
    }
    ListedFonts listed;
    int knownUsed = 0;
    for (int i = 0; i < n; ++i) {
        const QString face = (i % 10 == 0 && knownUsed < known.size())
                                 ? known[knownUsed++]
                                 : QStringLiteral("Bench Font %1").arg(i, 6, 10, QLatin1Char('0'));
        const QString file = QStringLiteral("BenchFont-%1.ttf").arg(i);
        listed.values.push_back({face + QStringLiteral(" (TrueType)"), file, 0, {}});
        listed.names.insert(file, lb::FaceNames{face, face, true, {}});
    }

    // The catalogue is filled straight into [Fonts], one INSERT per font in one transaction.
    const double filled = timeMs([&] {
        lb::Database::Transaction t(*app.db);
        lb::Statement insert = app.db->prepare(QStringLiteral(
            "INSERT INTO [Fonts] ([Face Name], [Friendly Name], [File Name]) VALUES (?, ?, ?)"));
        for (const lb::FontValue& v : listed.values) {
            insert.reset();
            insert.bind(1, listed.names.value(v.data).faceName).bind(2, v.name).bind(3, v.data);
            insert.step();
        }
        t.commit();
    });
    std::printf("\n%d typefaces (%d named as in the AutoAssign knowledge base), one file each,\n"
                "written straight into [Fonts] with one INSERT per font in one transaction: %s\n\n",
                n, knownUsed, qPrintable(duration(filled)));

    NoDesktopFonts desktop;
    MemoryResources resources;
    lb::FontPlatform fonts{listed, listed, desktop, resources};
    QuietView view;
    lb::FontListModel allFonts, assignedFonts;
    lb::MainContext ctx{app, fonts, view, allFonts, assignedFonts};
    app.addAutoAssign = false;
    app.removeAutoAssign = false;

    QStringList baselineRows;
    const double baseline = medianOf(5, [&] { baselineRows = readFaceNames(app); });
    line(QStringLiteral("BASELINE SELECT [Face Name] into a QStringList"), baseline, -1,
         QStringLiteral("[%1 rows, median of 5]").arg(baselineRows.size()));

    const double fill = medianOf(3, [&] { lb::Fill_AllFonts(ctx); });
    line(QStringLiteral("Fill_AllFonts"), fill, baseline,
         QStringLiteral("[%1 rows, median of 3]").arg(allFonts.size()));

    {
        lb::Statement st =
            app.db->prepare(QStringLiteral("INSERT INTO [Sets] ([Set Name]) VALUES (?)"));
        st.bind(1, BenchSet);
        st.step();
        app.datSets->refresh();
    }

    lb::Fill_AllFonts(ctx);
    selectEvery(allFonts, Selected);
    const double assign = timeMs([&] { lb::Assign_Fonts(ctx, BenchSet, false); });
    const qint64 members =
        scalar(app, QStringLiteral("SELECT COUNT(*) FROM [Assigned Fonts] WHERE [Set Name] = ?"),
               BenchSet);
    line(QStringLiteral("Assign_Fonts, %1 selected").arg(allFonts.selectedCount), assign, baseline,
         QStringLiteral("[%1 fonts now in the set]").arg(members));

    // As the list is filled after Activate_Sets: each row asks whether its files are hidden.
    lb::Activate_Sets(ctx, BenchSet, true);
    const double fillActive = timeMs([&] { lb::Fill_AllFonts(ctx); });
    int inactive = 0;
    for (int i = 0; i < allFonts.size(); ++i)
        inactive += allFonts.row(i).state == lb::FaceState::Inactive;
    line(QStringLiteral("Fill_AllFonts, that set activated"), fillActive, baseline,
         QStringLiteral("[%1 rows shown inactive]").arg(inactive));
    lb::Activate_Sets(ctx, BenchSet, false);

    ctx.unassignedOnly = true;
    const double fillUnassigned = timeMs([&] { lb::Fill_AllFonts(ctx); });
    line(QStringLiteral("Fill_AllFonts, unassigned only"), fillUnassigned, baseline,
         QStringLiteral("[%1 rows]").arg(allFonts.size()));
    ctx.unassignedOnly = false;

    app.currentSetName = BenchSet;
    lb::Fill_AssignedFonts(ctx);
    selectEvery(assignedFonts, assignedFonts.size());
    boxes.answers = {lb::AnswerYes};
    const int selectedAssigned = assignedFonts.selectedCount;
    const double unassign = timeMs([&] { lb::Unassign_Fonts(ctx, BenchSet, false); });
    const qint64 left =
        scalar(app, QStringLiteral("SELECT COUNT(*) FROM [Assigned Fonts] WHERE [Set Name] = ?"),
               BenchSet);
    line(QStringLiteral("Unassign_Fonts, %1 selected").arg(selectedAssigned), unassign, baseline,
         QStringLiteral("[%1 fonts left in the set]").arg(left));

    const qint64 assignedBefore =
        scalar(app, QStringLiteral("SELECT COUNT(*) FROM [Assigned Fonts]"));
    app.addAutoAssign = false;
    const double refreshOff = timeMs([&] { lb::Refresh_Fonts(ctx); });
    line(QStringLiteral("Refresh_Fonts, AutoAssign off"), refreshOff, baseline,
         QStringLiteral("[%1 typefaces]").arg(ctx.fontCount));
    app.addAutoAssign = true;
    const double refreshOn = timeMs([&] { lb::Refresh_Fonts(ctx); });
    const qint64 assignedAfter =
        scalar(app, QStringLiteral("SELECT COUNT(*) FROM [Assigned Fonts]"));
    line(QStringLiteral("Refresh_Fonts, AutoAssign on"), refreshOn, baseline,
         QStringLiteral("[%1 assignments made; x%2 of AutoAssign off]")
             .arg(assignedAfter - assignedBefore)
             .arg(refreshOff > 0 ? refreshOn / refreshOff : 0, 0, 'f', 2));
    const double refreshOnAgain = timeMs([&] { lb::Refresh_Fonts(ctx); });
    line(QStringLiteral("Refresh_Fonts, AutoAssign on, nothing new"), refreshOnAgain, baseline,
         QStringLiteral("[%1 assignments made; x%2 of AutoAssign off]")
             .arg(scalar(app, QStringLiteral("SELECT COUNT(*) FROM [Assigned Fonts]")) -
                  assignedAfter)
             .arg(refreshOff > 0 ? refreshOnAgain / refreshOff : 0, 0, 'f', 2));

    note(
        QStringLiteral("peak memory (VmHWM): %1 MB").arg(double(peakMemoryKb()) / 1024, 0, 'f', 1));
    if (boxes.unexpected)
        note(QStringLiteral("! %1 message boxes were answered Cancel: figures above are unreliable")
                 .arg(boxes.unexpected));
    std::printf("load average at end: %s\n", qPrintable(loadAverage()));
    app.closeAll();
    return 0;
}
