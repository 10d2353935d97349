// Shared pieces of the benchmarks: a private home for each run, a view and message boxes
// that need no display, and the clocks and process runner the figures are taken with.
#pragma once

#include "core/app_state.h"
#include "core/database.h"
#include "core/operation_view.h"
#include "core/startup.h"
#include "platform/message_boxes.h"
#include "support/recording_view.h"
#include "support/temp_home.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <sys/resource.h>
#include <vector>

namespace lbbench {

// A fresh home for each run (see tests/support/temp_home.h); fc-list and fc-cache, run as
// children, see the same fonts.
using lbtest::TempHome;

// The shipped database next to the benchmark's build folder: build/bench/../share/letterbay.
inline void pointAtShippedData(const char* argv0) {
    if (qEnvironmentVariableIsSet("LETTERBAY_SHARE")) return;
    QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (exe.isEmpty()) exe = QFileInfo(QString::fromLocal8Bit(argv0)).absoluteFilePath();
    qputenv("LETTERBAY_SHARE",
            QDir::cleanPath(QFileInfo(exe).absolutePath() + QStringLiteral("/../share/letterbay"))
                .toLocal8Bit());
}

// Answers every message box from a script; a box nobody expected is printed and cancelled,
// so the figure next to it is known to be unreliable.
class ScriptedAnswers : public lb::MessageBoxes {
public:
    std::deque<int> answers;
    int unexpected = 0;

    int show(const QString& text, const QString& title, int) override {
        if (answers.empty()) {
            ++unexpected;
            std::printf("  ! unexpected message box: %s: %s\n", qPrintable(title),
                        qPrintable(text));
            return lb::AnswerCancel;
        }
        const int a = answers.front();
        answers.pop_front();
        return a;
    }
    QString input(const QString& prompt, const QString& title, const QString&) override {
        ++unexpected;
        std::printf("  ! unexpected input box: %s: %s\n", qPrintable(title), qPrintable(prompt));
        return {};
    }
};

// A main window that draws nothing: it records what operations show.
using QuietView = lbtest::RecordingView;

// Opens the database as the start-up window does, then the main window's data sources.
inline bool openApp(lb::AppState& app) {
    lb::Startup startup(app);
    if (!startup.load()) return false;
    app.openMainDataSources();
    return true;
}

inline double msSince(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

// CPU time of this process (every thread, user and system), in ms: less disturbed than the wall
// clock by whatever else the machine runs.
inline double cpuMs() {
    struct rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

inline double timeMs(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return msSince(t);
}

inline double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct ProcessResult {
    bool ran = false; // started and finished within the time allowed
    int exitCode = -1;
    double ms = 0;
    QByteArray out, err;
    QString why; // when it did not run
};

// Runs a program in the current environment (the temporary home), or in `env` when given,
// waiting at most `timeoutMs`.
inline ProcessResult runProcess(const QString& program, const QStringList& args, int timeoutMs,
                                const QProcessEnvironment& env = {}) {
    ProcessResult r;
    QProcess p;
    if (!env.isEmpty()) p.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        r.why = program + QStringLiteral(" did not start: ") + p.errorString();
        return r;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        r.why = program + QStringLiteral(" did not finish within %1 s").arg(timeoutMs / 1000);
        return r;
    }
    r.ms = msSince(t);
    r.ran = p.exitStatus() == QProcess::NormalExit;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    if (!r.ran) r.why = program + QStringLiteral(" crashed");
    return r;
}

// The environment of a program that never saw this one: the same home, fonts and caches, but
// an empty user configuration folder, so none of the program's rules apply. A baseline run in
// it reads nothing the program wrote, so it cannot repair what a measured step relies on.
inline QProcessEnvironment plainEnvironment(const QString& emptyConfigHome) {
    QDir().mkpath(emptyConfigHome);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), emptyConfigHome);
    return env;
}

// Measured runs, each with the baseline run taken just before it: figures are the median of
// the per-pair ratios and their range, so a load that comes and goes hits both sides.
// Rounds of each paired figure; LBBENCH_ROUNDS changes it.
inline int rounds() {
    const int r = qEnvironmentVariableIntValue("LBBENCH_ROUNDS");
    return r > 0 ? r : 3;
}

struct Pairs {
    std::vector<double> ms, baseline;
    void add(double measured, double base) {
        if (measured < 0 || base <= 0) return; // one side could not be measured
        ms.push_back(measured);
        baseline.push_back(base);
    }
    std::vector<double> ratios() const {
        std::vector<double> r;
        for (size_t i = 0; i < ms.size(); ++i)
            r.push_back(ms[i] / baseline[i]);
        return r;
    }
};

inline QString loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("unknown");
    return QString::fromLatin1(f.readAll()).trimmed();
}

// The process's peak resident size so far, in kB; -1 when it cannot be read.
inline long peakMemoryKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

inline QString buildType() {
#ifdef LBBENCH_BUILD_TYPE
    const QString t = QStringLiteral(LBBENCH_BUILD_TYPE);
    return t.isEmpty() ? QStringLiteral("(none)") : t;
#else
    return QStringLiteral("unknown");
#endif
}

// The set the benchmarks activate.
inline const QString BenchSet = QStringLiteral("Bench Set");

// A set of `size` typefaces spread over the catalogue; sets of other `shift`s (0 to 3) take
// other typefaces where the catalogue has four times `size`.
inline void makeSet(lb::AppState& app, int size, int shift = 0) {
    lb::Database& db = *app.db;
    lb::Database::Transaction t(db);
    db.exec(QStringLiteral("DELETE FROM [Assigned Fonts]"));
    db.exec(QStringLiteral("INSERT OR IGNORE INTO [Sets] VALUES ('Bench Set')"));
    QStringList faces;
    lb::Statement st =
        db.prepare(QStringLiteral("SELECT DISTINCT [Face Name] FROM [Fonts] ORDER BY 1"));
    while (st.step())
        faces << st.text(0);
    const double step = std::max(1.0, double(faces.size()) / size);
    lb::Statement add = db.prepare(
        QStringLiteral("INSERT INTO [Assigned Fonts] ([Set Name], [Font Name]) VALUES (?, ?)"));
    int n = 0;
    for (double i = step * (shift % 4) / 4; int(i) < faces.size() && n < size; i += step, ++n) {
        add.reset();
        add.bind(1, BenchSet).bind(2, faces[int(i)]);
        add.step();
    }
    t.commit();
}

// The first lines of every benchmark's output: what it is, how it was built, on what.
inline void printHeader(const char* name, const QString& platform = {}) {
    std::printf("%s  build: %s  cores: %d%s\n", name, qPrintable(buildType()),
                QThread::idealThreadCount(),
                platform.isEmpty() ? "" : qPrintable(QStringLiteral("  platform: ") + platform));
    std::printf("load average at start: %s\n", qPrintable(loadAverage()));
}

// "12.3 ms" below ten seconds, "12.3 s" above.
inline QString duration(double ms) {
    if (ms < 10000) return QString::number(ms, 'f', 1) + QStringLiteral(" ms");
    return QString::number(ms / 1000, 'f', 1) + QStringLiteral(" s");
}

inline QString ratio(double ms, double baselineMs) {
    if (baselineMs <= 0) return QStringLiteral("n/a");
    return QStringLiteral("x") +
           QString::number(ms / baselineMs, 'f', ms / baselineMs < 10 ? 2 : 1);
}

// One figure: name, time, and the time as a multiple of the baseline when there is one.
inline void line(const QString& name, double ms, double baselineMs = -1, const QString& note = {}) {
    QString s = QStringLiteral("  %1 %2").arg(name, -44).arg(duration(ms), 11);
    if (baselineMs >= 0) s += QStringLiteral("  %1").arg(ratio(ms, baselineMs), 8);
    if (!note.isEmpty()) s += QStringLiteral("  ") + note;
    std::printf("%s\n", qPrintable(s));
    std::fflush(stdout);
}

// A paired figure: the median time, the median ratio to its own baselines and the ratios'
// range over the pairs.
inline void pairedLine(const QString& name, const Pairs& p, const QString& noteText = {}) {
    const std::vector<double> r = p.ratios();
    if (r.empty()) {
        std::printf("  %s: not measured\n", qPrintable(name));
        return;
    }
    const auto [lo, hi] = std::minmax_element(r.begin(), r.end());
    QString s = QStringLiteral("  %1 %2  x%3 (x%4-x%5 over %6 pairs, baseline %7)")
                    .arg(name, -44)
                    .arg(duration(median(p.ms)), 11)
                    .arg(median(r), 0, 'f', 2)
                    .arg(*lo, 0, 'f', 2)
                    .arg(*hi, 0, 'f', 2)
                    .arg(r.size())
                    .arg(duration(median(p.baseline)));
    if (!noteText.isEmpty()) s += QStringLiteral("  ") + noteText;
    std::printf("%s\n", qPrintable(s));
    std::fflush(stdout);
}

inline void note(const QString& text) {
    std::printf("  %s\n", qPrintable(text));
    std::fflush(stdout);
}

} // namespace lbbench
