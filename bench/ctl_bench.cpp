// letterbayctl against what the user would otherwise wait for: activating a set from the command
// line against the same activation through the real main window (offscreen), and the font list
// for scripts (`letterbayctl fonts --json`) against plain `fc-list`. Every letterbayctl figure is a
// whole process: start, key the database, read fontconfig, work, end. fontconfig reads the
// machine's own configuration plus the temporary home, as on a user's desktop.
//
//   ctl_bench [N]      default 20000 font files

#include "bench_support.h"
#include "corpus/corpus.h"

#include "core/schema.h"
#include "platform/desktop_fonts.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "ui/frm_main.h"
#include "ui/interface_font.h"

#include <QApplication>
#include <QThread>
#include <cstdio>

using namespace lbbench;

namespace {

QString ctlPath() {
    return QStringLiteral(LBBENCH_CTL_PATH);
}

// Median of `runs` whole runs of a program; -1 when one failed (`why` says how).
double medianRun(int runs, const QString& program, const QStringList& args, QString& why,
                 const std::function<void()>& between = {}) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (between) between();
        const ProcessResult r = runProcess(program, args, 600000);
        if (!r.ran || r.exitCode != 0) {
            why = r.why.isEmpty() ? QString::fromLocal8Bit(r.err) : r.why;
            return -1;
        }
        times.push_back(r.ms);
    }
    return median(times);
}

int run(int n) {
    TempHome home(true);
    std::printf("\nN = %d font files (one typeface each) in %s\n", n,
                qPrintable(home.fontsFolder()));
    QElapsedTimer t;
    t.start();
    lbbench::makeCorpus(home.fontsFolder().toStdString(), n, 1);
    const ProcessResult cache = runProcess(QStringLiteral("fc-cache"), {}, 600000);
    line(QStringLiteral("corpus written and cached (set-up)"), msSince(t));
    if (!cache.ran) return 2;

    QString why;
    const double list = medianRun(5, QStringLiteral("fc-list"), {}, why);
    if (list < 0) {
        note(QStringLiteral("fc-list failed: ") + why);
        return 2;
    }
    line(QStringLiteral("BASELINE fc-list (median of 5)"), list);

    ScriptedAnswers boxes;
    lb::MemoryPointer pointer;
    lb::AppState app(boxes, pointer);
    lb::Startup startup(app);
    if (!startup.load()) return 2;
    lb::FontconfigFonts fontconfig;
    lb::FontconfigDesktopFonts desktop;
    lb::FontconfigResources resources(fontconfig);
    lb::FontPlatform fonts{fontconfig, fontconfig, desktop, resources};
    lb::FrmMain window(app, fonts);
    window.endProgram = [] {};
    boxes.answers = {lb::AnswerNo}; // the first run's question: AutoAssign off
    window.resize(900, 700);
    window.Form_Load();
    QCoreApplication::processEvents();
    makeSet(app, 1000);

    // The window and the command line, each from every set active to a set of 1,000 and back,
    // in turns, so that both meet the same state of the machine.
    std::vector<double> windowTimes, ctlTimes;
    for (int round = 0; round < 3; ++round) {
        window.setSetBoxText(BenchSet);
        windowTimes.push_back(timeMs([&] {
            window.mnuEditActiveSelected_Click();
            QCoreApplication::processEvents();
        }));
        window.mnuEditActiveAll_Click();
        const ProcessResult r =
            runProcess(ctlPath(), {QStringLiteral("activate"), BenchSet}, 600000);
        if (!r.ran || r.exitCode != 0) {
            note(QStringLiteral("letterbayctl activate failed: ") + QString::fromLocal8Bit(r.err));
            return 2;
        }
        ctlTimes.push_back(r.ms);
        runProcess(ctlPath(), {QStringLiteral("activate"), QStringLiteral("--all")}, 600000);
    }
    const double byWindow = median(windowTimes);
    const double byCtl = median(ctlTimes);
    line(QStringLiteral("Activate a set of 1,000, through the window"), byWindow, list,
         QStringLiteral("(x fc-list; median of 3)"));
    line(QStringLiteral("letterbayctl activate, the same set"), byCtl, byWindow,
         QStringLiteral("(x the window; target x2; median of 3)"));

    const double fontsJson =
        medianRun(5, ctlPath(), {QStringLiteral("fonts"), QStringLiteral("--json")}, why);
    if (fontsJson < 0) {
        note(QStringLiteral("letterbayctl fonts --json failed: ") + why);
        return 2;
    }
    line(QStringLiteral("letterbayctl fonts --json, all visible"), fontsJson, list,
         QStringLiteral("(x fc-list; target x3; median of 5)"));
    window.setSetBoxText(BenchSet);
    window.mnuEditActiveSelected_Click();
    const double hidden =
        medianRun(5, ctlPath(), {QStringLiteral("fonts"), QStringLiteral("--json")}, why);
    line(QStringLiteral("letterbayctl fonts --json, 1,000 visible"), hidden, list,
         QStringLiteral("(x fc-list with all visible)"));
    const double status = medianRun(5, ctlPath(), {QStringLiteral("status")}, why);
    line(QStringLiteral("letterbayctl status"), status, list, QStringLiteral("(x fc-list)"));
    const double sets = medianRun(5, ctlPath(), {QStringLiteral("sets")}, why);
    line(QStringLiteral("letterbayctl sets: any command's start-up"), sets, list,
         QStringLiteral("(x fc-list)"));
    window.mnuEditActiveAll_Click();

    // The duplicate and damage check against a refresh from the command line, in pairs: both read
    // every installed font. The first check reads every file whole (its findings are removed
    // before each such run); a check again reads only files changed since, so each of those runs
    // follows an unmeasured first check. Exit code 1 only says it found something (the system's
    // own fonts may hold copies).
    const QString memo = home.cacheHome() + QStringLiteral("/letterbay/font-check");
    const auto checkPairs = [&](bool first, const QString& label) {
        Pairs pairs;
        for (int round = 0; round < rounds(); ++round) {
            QFile::remove(memo);
            if (!first) runProcess(ctlPath(), {QStringLiteral("check")}, 600000);
            const bool remembered = QFile::exists(memo);
            const ProcessResult refresh =
                runProcess(ctlPath(), {QStringLiteral("refresh"), QStringLiteral("--yes")}, 600000);
            const ProcessResult checked = runProcess(ctlPath(), {QStringLiteral("check")}, 600000);
            if (!checked.ran || checked.exitCode > 1 || !refresh.ran || refresh.exitCode != 0 ||
                remembered == first) {
                note(QStringLiteral("letterbayctl check or refresh failed: ") +
                     QString::fromLocal8Bit(checked.err + refresh.err));
                return false;
            }
            pairs.add(checked.ms, refresh.ms);
        }
        pairedLine(label, pairs, QStringLiteral("target x2"));
        return true;
    };
    if (!checkPairs(true, QStringLiteral("letterbayctl check, first (x refresh)")) ||
        !checkPairs(false, QStringLiteral("letterbayctl check again (x refresh)")))
        return 2;
    app.exiting = true;
    if (boxes.unexpected) note(QStringLiteral("! unexpected message boxes: figures unreliable"));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    pointAtShippedData(argv[0]);
    QApplication qapp(argc, argv);
    lb::useConcreteInterfaceFont();
    int n = 20000;
    for (const QString& a : qapp.arguments().mid(1))
        if (a.toInt() > 0) n = a.toInt();
    printHeader("ctl_bench");
    const int rc = run(n);
    std::printf("\nload average at end: %s\n", qPrintable(loadAverage()));
    return rc;
}
