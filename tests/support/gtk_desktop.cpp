#include "support/gtk_desktop.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace lbtest {

namespace {
const QString Python = QStringLiteral("/usr/bin/python3");
const QString Daemon = QStringLiteral("/usr/libexec/gsd-xsettings");
const QString Reporter = QStringLiteral(LB_TEST_TOOLS "/gtk_families.py");

QProcessEnvironment desktopEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The test's XDG_DATA_DIRS keeps the machine's files out; the daemon still needs its schemas,
    // and keeps its settings in memory, away from any real account.
    env.insert(QStringLiteral("GSETTINGS_SCHEMA_DIR"),
               QStringLiteral("/usr/share/glib-2.0/schemas"));
    env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
    env.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    return env;
}
} // namespace

QString GtkDesktop::missing() {
    QStringList lack;
    for (const QString& tool :
         {QStringLiteral("xvfb-run"), QStringLiteral("xauth"), QStringLiteral("dbus-run-session")})
        if (QStandardPaths::findExecutable(tool).isEmpty()) lack << tool;
    if (!QFileInfo(Daemon).isExecutable()) lack << Daemon;
    QProcess gi;
    gi.start(Python, {QStringLiteral("-c"), QStringLiteral("import gi; gi.require_version('Gtk', "
                                                           "'3.0'); gi.require_version("
                                                           "'PangoCairo', '1.0')")});
    if (!gi.waitForFinished(20000) || gi.exitStatus() != QProcess::NormalExit || gi.exitCode() != 0)
        lack << QStringLiteral("python3-gi with GTK 3");
    return lack.join(QStringLiteral(", "));
}

QString GtkDesktop::familiesOfNewProgram() {
    QProcess p;
    p.setProcessEnvironment(desktopEnvironment());
    p.start(Python, {Reporter, QStringLiteral("--once")});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

GtkDesktop::GtkDesktop() {
    process_.setProcessEnvironment(desktopEnvironment());
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral("xvfb-run"),
                   {QStringLiteral("-a"), QStringLiteral("-s"), QStringLiteral("-nolisten tcp"),
                    QStringLiteral("dbus-run-session"), QStringLiteral("--"), Python, Reporter,
                    Daemon});
}

GtkDesktop::~GtkDesktop() {
    // Its input closing ends the program and the daemon; the bus and the X server follow.
    process_.closeWriteChannel();
    if (!process_.waitForFinished(10000)) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

void GtkDesktop::read() {
    while (process_.canReadLine()) {
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        output_ += line + QLatin1Char('\n');
        if (line == QLatin1String("ready"))
            ready_ = true;
        else if (line.startsWith(QLatin1String("families ")))
            families_ = line.mid(9);
        else if (line.startsWith(QLatin1String("announced ")))
            ++announcements_;
    }
}

int GtkDesktop::announcements() {
    process_.waitForReadyRead(0);
    read();
    return announcements_;
}

bool GtkDesktop::ready(int ms) {
    QElapsedTimer t;
    t.start();
    while (!ready_ && process_.state() != QProcess::NotRunning && t.elapsed() < ms) {
        process_.waitForReadyRead(200);
        read();
    }
    return ready_;
}

QString GtkDesktop::familiesBecome(const QString& want, int ms) {
    QElapsedTimer t;
    t.start();
    read();
    while (families_ != want && process_.state() != QProcess::NotRunning && t.elapsed() < ms) {
        process_.waitForReadyRead(100);
        read();
    }
    return families_;
}

} // namespace lbtest
