// The catalogue against fontconfig on real font files: Refresh_Fonts, activating a set and all
// sets, and what hiding fonts costs every program that lists fonts; then Refresh_Fonts again on
// as many files of a desktop's mix of formats. Each size and corpus runs in a child process of
// its own, so that its peak memory is its own.
//
//   catalogue_bench [N ...]      default 1000 10000 20000

#include "bench_support.h"
#include "corpus/corpus.h"

#include "activation/activation.h"
#include "catalogue/font_list.h"
#include "catalogue/font_lists.h"
#include "catalogue/refresh.h"
#include "core/main_context.h"
#include "core/schema.h"
#include "core/settings.h"
#include "platform/desktop_fonts.h"
#include "platform/font_selection.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"

#include <QCoreApplication>
#include <QSet>
#include <QThread>
#include <cstdio>
#include <exception>

using namespace lbbench;

namespace {

constexpr int SetSize = 100;
constexpr int FcListRuns = 3;

struct Listing {
    double ms = -1; // median over the runs; -1 when fc-list could not run
    int files = 0;
    QString why;
};

// Plain fc-list as any program sees the fonts: loads the configuration, reads the caches and
// applies the selectors of conf.d to every font.
Listing fcList() {
    Listing l;
    std::vector<double> times;
    for (int i = 0; i < FcListRuns; ++i) {
        const ProcessResult r = runProcess(QStringLiteral("fc-list"), {}, 300000);
        if (!r.ran || r.exitCode != 0) {
            l.why = r.why.isEmpty()
                        ? QStringLiteral("fc-list failed: ") + QString::fromLocal8Bit(r.err)
                        : r.why;
            return l;
        }
        times.push_back(r.ms);
        l.files = int(r.out.count('\n'));
    }
    l.ms = median(times);
    return l;
}

struct RejectionFileFacts {
    qint64 bytes = 0;
    lb::FontSelection selection;
};

RejectionFileFacts rejectionFile(const QString& path) {
    RejectionFileFacts f;
    f.bytes = QFileInfo(path).exists() ? QFileInfo(path).size() : -1;
    f.selection = lb::readFontSelection(path);
    return f;
}

void addSetOf(lb::AppState& app, int size) {
    lb::Database& db = *app.db;
    lb::Database::Transaction t(db);
    lb::Statement set = db.prepare(QStringLiteral("INSERT INTO [Sets] ([Set Name]) VALUES (?)"));
    set.bind(1, BenchSet);
    set.step();
    QStringList faces;
    lb::Statement st =
        db.prepare(QStringLiteral("SELECT DISTINCT [Face Name] FROM [Fonts] ORDER BY 1"));
    while (st.step())
        faces << st.text(0);
    // Spread over the catalogue, so that members are not all neighbours on disk or in the list.
    const int step = std::max(1, int(faces.size()) / size);
    lb::Statement add = db.prepare(
        QStringLiteral("INSERT INTO [Assigned Fonts] ([Set Name], [Font Name]) VALUES (?, ?)"));
    for (int i = 0, n = 0; i < faces.size() && n < size; i += step, ++n) {
        add.reset();
        add.bind(1, BenchSet).bind(2, faces[i]);
        add.step();
    }
    t.commit();
    app.datSets->refresh();
    app.datAssigned->refresh();
}

// Refresh_Fonts of a full catalogue, each run paired with a plain fc-list run just before it.
void pairedRefresh(lb::MainContext& ctx, const QString& name) {
    Pairs p;
    for (int r = 0; r < rounds(); ++r) {
        const ProcessResult base = runProcess(QStringLiteral("fc-list"), {}, 300000);
        const double ms = timeMs([&] { lb::Refresh_Fonts(ctx); });
        p.add(ms, base.ran && base.exitCode == 0 ? base.ms : -1);
    }
    pairedLine(name, p);
}

int catalogued(lb::AppState& app, const QString& sql) {
    lb::Statement st = app.db->prepare(sql);
    return st.step() ? st.int64(0) : -1;
}

// Debian's font-manager on the same fonts, under a private X server and session bus. Optional:
// one line says why when it cannot run.
void peerFontManager(double refreshMs, int n) {
    for (const char* tool : {"font-manager", "xvfb-run", "dbus-run-session"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            note(QStringLiteral("font-manager: not measured, %1 is not installed")
                     .arg(QString::fromLatin1(tool)));
            return;
        }
    const QString xvfb = QStringLiteral("xvfb-run");
    const QStringList wrap{QStringLiteral("-a"), QStringLiteral("dbus-run-session"),
                           QStringLiteral("--")};
    // What the X server and the bus cost by themselves, taken off the peer's figures.
    std::vector<double> overheads;
    for (int i = 0; i < 3; ++i) {
        const ProcessResult r = runProcess(xvfb, wrap + QStringList{QStringLiteral("true")}, 60000);
        if (!r.ran || r.exitCode != 0) {
            note(QStringLiteral("font-manager: not measured, xvfb-run does not start: %1")
                     .arg(r.why.isEmpty() ? QString::fromLocal8Bit(r.err).simplified() : r.why));
            return;
        }
        overheads.push_back(r.ms);
    }
    const double overhead = median(overheads);
    // Bounded: the peer gets a generous multiple of our own refresh, within limits.
    const int timeoutMs = int(std::clamp(refreshMs * 50 + 60000, 60000.0, 240000.0));
    line(QStringLiteral("xvfb-run + dbus-run-session alone"), overhead);
    for (const char* option : {"--update", "--list"}) {
        const ProcessResult r = runProcess(
            xvfb, wrap + QStringList{QStringLiteral("font-manager"), QString::fromLatin1(option)},
            timeoutMs);
        const QString name = QStringLiteral("font-manager %1").arg(QString::fromLatin1(option));
        if (!r.ran || r.exitCode != 0) {
            note(QStringLiteral("%1: not measured, %2")
                     .arg(name, r.why.isEmpty()
                                    ? QStringLiteral("exit code %1: %2")
                                          .arg(r.exitCode)
                                          .arg(QString::fromLocal8Bit(r.err).simplified().left(160))
                                    : r.why));
            continue;
        }
        const double net = std::max(0.0, r.ms - overhead);
        QString extra = QStringLiteral("(x%1 of our Refresh_Fonts; %2 with X server)")
                            .arg(refreshMs > 0 ? net / refreshMs : 0, 0, 'f', 2)
                            .arg(duration(r.ms));
        if (QString::fromLatin1(option) == QLatin1String("--list")) {
            int families = 0;
            for (const QByteArray& l : r.out.split('\n'))
                if (!l.trimmed().isEmpty()) ++families;
            extra += QStringLiteral(" [%1 families listed of %2]").arg(families).arg(n);
        }
        line(name + QStringLiteral(" (net)"), net, -1, extra);
    }
}

// With `mixed`, the files are a desktop's mix of formats (corpus/corpus.h) and only the refresh
// is measured.
int runOne(int n, bool mixed) {
    TempHome home(true); // the machine's own fontconfig configuration, as users have it
    if (!home.ok()) {
        std::printf("cannot make a temporary home\n");
        return 2;
    }
    QElapsedTimer t;
    t.start();
    try {
        if (mixed) {
            const MixedCounts c = lbbench::makeMixedCorpus(home.fontsFolder().toStdString(), n);
            std::printf("\nN = %d font files of four formats (%d TrueType, %d CFF OpenType, %d "
                        "collections of two, %d Type 1 with metrics; %d faces) in %s\n",
                        n, c.trueType, c.cff, c.collections, c.type1, c.faces(),
                        qPrintable(home.fontsFolder()));
        } else {
            std::printf("\nN = %d font files (one typeface each) in %s\n", n,
                        qPrintable(home.fontsFolder()));
            lbbench::makeCorpus(home.fontsFolder().toStdString(), n, 1);
        }
        std::fflush(stdout);
    } catch (const std::exception& e) {
        std::printf("  cannot write the corpus: %s\n", e.what());
        return 2;
    }
    line(QStringLiteral("corpus written"), msSince(t));

    const ProcessResult cache = runProcess(QStringLiteral("fc-cache"), {}, 600000);
    if (!cache.ran || cache.exitCode != 0) {
        std::printf("  fc-cache failed: %s\n",
                    qPrintable(cache.why + QString::fromLocal8Bit(cache.err)));
        return 2;
    }
    line(QStringLiteral("fc-cache (writes the warm cache)"), cache.ms);

    const Listing plain = fcList();
    if (plain.ms < 0) {
        std::printf("  %s\n", qPrintable(plain.why));
        return 2;
    }
    line(QStringLiteral("BASELINE fc-list, warm cache (median of 3)"), plain.ms, -1,
         QStringLiteral("[%1 files listed]").arg(plain.files));

    ScriptedAnswers boxes;
    lb::MemoryPointer pointer;
    lb::AppState app(boxes, pointer);
    if (!openApp(app)) {
        std::printf("  the database did not open (LETTERBAY_SHARE=%s)\n",
                    qgetenv("LETTERBAY_SHARE").constData());
        return 2;
    }
    lb::FontconfigFonts registry;
    lb::FontconfigDesktopFonts desktop;
    lb::FontconfigResources resources(registry);
    lb::FontPlatform fonts{registry, registry, desktop, resources};
    QuietView view;
    lb::FontListModel allFonts, assignedFonts;
    lb::MainContext ctx{app, fonts, view, allFonts, assignedFonts};
    app.addAutoAssign = false;
    app.removeAutoAssign = false;

    const double refresh = timeMs([&] { lb::Refresh_Fonts(ctx); });
    line(QStringLiteral("Refresh_Fonts, empty catalogue"), refresh, plain.ms,
         QStringLiteral("[%1 typefaces, %2 rows]")
             .arg(ctx.fontCount)
             .arg(catalogued(app, QStringLiteral("SELECT COUNT(*) FROM [Fonts]"))));
    const double again = timeMs([&] { lb::Refresh_Fonts(ctx); });
    line(QStringLiteral("Refresh_Fonts, full catalogue"), again, plain.ms,
         QStringLiteral("[%1 typefaces]").arg(ctx.fontCount));
    pairedRefresh(ctx, mixed ? QStringLiteral("Refresh_Fonts, mixed formats, paired")
                             : QStringLiteral("Refresh_Fonts, TrueType only, paired"));
    if (mixed) {
        note(QStringLiteral("peak memory (VmHWM): %1 MB")
                 .arg(double(peakMemoryKb()) / 1024, 0, 'f', 1));
        app.closeAll();
        return 0;
    }
    // Where a refresh spends its time: the two platform calls it makes, taken alone.
    const double enumerate = timeMs([&] { (void)registry.enumerate(); });
    line(QStringLiteral("  of which FontconfigFonts::enumerate"), enumerate, plain.ms);
    QStringList families;
    const double desktopMs = timeMs([&] { families = desktop.families(); });
    line(QStringLiteral("  of which FontconfigDesktopFonts::families"), desktopMs, plain.ms,
         QStringLiteral("[%1]").arg(families.join(QStringLiteral(", "))));

    addSetOf(app, SetSize);
    const double activate = timeMs([&] { lb::Activate_Sets(ctx, BenchSet, true); });
    line(QStringLiteral("Activate_Sets, a set of %1").arg(SetSize), activate, plain.ms,
         QStringLiteral("[activated: %1]").arg(lb::activatedSet(app)));
    const double fill = timeMs([&] { lb::Fill_AllFonts(ctx); });
    line(QStringLiteral("  of which Fill_AllFonts (set activated)"), fill, plain.ms);
    // What every start of a program pays to find fonts that arrived in a hidden folder.
    const double reconcile = timeMs([&] { resources.reconcile(); });
    line(QStringLiteral("  FontconfigResources::reconcile"), reconcile, plain.ms,
         QStringLiteral("(nothing new arrived)"));

    const RejectionFileFacts facts = rejectionFile(lb::inactiveFontsConfPath());
    const Listing hidden = fcList();
    if (hidden.ms < 0) {
        note(hidden.why);
    } else {
        line(QStringLiteral("fc-list with the set hidden"), hidden.ms, plain.ms,
             QStringLiteral("[%1 files listed]").arg(hidden.files));
    }
    note(QStringLiteral("configuration file: %1 bytes, %2 globs (%3 reject, %4 accept), %5 "
                        "patterns")
             .arg(facts.bytes)
             .arg(facts.selection.rejectGlobs.size() + facts.selection.acceptGlobs.size())
             .arg(facts.selection.rejectGlobs.size())
             .arg(facts.selection.acceptGlobs.size())
             .arg(facts.selection.rejectFiles.size() + facts.selection.acceptFiles.size()));

    const double all = timeMs([&] { lb::Activate_Sets(ctx, BenchSet, false); });
    const Listing back = fcList();
    line(QStringLiteral("Activate_Sets, all sets"), all, plain.ms,
         QStringLiteral("[fc-list then lists %1 files; configuration file %2]")
             .arg(back.files)
             .arg(QFileInfo::exists(lb::inactiveFontsConfPath()) ? QStringLiteral("kept")
                                                                 : QStringLiteral("removed")));

    note(
        QStringLiteral("peak memory (VmHWM): %1 MB").arg(double(peakMemoryKb()) / 1024, 0, 'f', 1));
    if (boxes.unexpected)
        note(QStringLiteral("! %1 message boxes were answered Cancel: figures above are unreliable")
                 .arg(boxes.unexpected));

    app.closeAll();
    peerFontManager(refresh, n);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication qapp(argc, argv);
    pointAtShippedData(argv[0]);
    const QStringList args = qapp.arguments().mid(1);

    if (args.size() == 2 &&
        (args[0] == QLatin1String("--one") || args[0] == QLatin1String("--mixed"))) {
        bool ok = false;
        const int n = args[1].toInt(&ok);
        return ok && n > 0 ? runOne(n, args[0] == QLatin1String("--mixed")) : 2;
    }

    std::vector<int> sizes;
    for (const QString& a : args) {
        bool ok = false;
        const int n = a.toInt(&ok);
        if (!ok || n <= 0 || n > 1000000) {
            std::fprintf(stderr, "usage: catalogue_bench [N ...]   (default 1000 10000 20000)\n");
            return 2;
        }
        sizes.push_back(n);
    }
    if (sizes.empty()) sizes = {1000, 10000, 20000};

    printHeader("catalogue_bench");
    std::printf(
        "Times are wall clock; xN is the time as a multiple of the baseline named above it.\n");
    std::fflush(stdout);

    int measured = 0;
    for (int n : sizes)
        for (const QString& mode : {QStringLiteral("--one"), QStringLiteral("--mixed")}) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(QCoreApplication::applicationFilePath(), {mode, QString::number(n)});
            if (!child.waitForStarted(10000) || !child.waitForFinished(-1)) {
                std::printf("N = %d: the measuring process did not run\n", n);
                continue;
            }
            if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
                std::printf("N = %d: the measuring process ended early (exit code %d)\n", n,
                            child.exitCode());
            else
                ++measured;
        }
    std::printf("\nload average at end: %s\n", qPrintable(loadAverage()));
    // A benchmark fails only when it could measure nothing at all.
    return measured > 0 ? 0 : 2;
}
