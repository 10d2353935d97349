#include "support/gtk_desktop.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <sys/stat.h>

namespace lbtest {

using namespace Qt::StringLiterals;

const QString Python = u"/usr/bin/python3"_s;
const QString Daemon = u"/usr/libexec/gsd-xsettings"_s;
const QString Reporter = QStringLiteral(LB_TEST_TOOLS "/gtk_families.py");

static QProcessEnvironment desktopEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The test's XDG_DATA_DIRS keeps the machine's files out; the daemon still needs its schemas,
    // and keeps its settings in memory, away from any real account.
    env.insert(u"GSETTINGS_SCHEMA_DIR"_s, u"/usr/share/glib-2.0/schemas"_s);
    env.insert(u"GSETTINGS_BACKEND"_s, u"memory"_s);
    env.insert(u"NO_AT_BRIDGE"_s, u"1"_s);
    env.remove(u"DISPLAY"_s);
    env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
    return env;
}

QString GtkDesktop::missing() {
    QStringList lack;
    for (const QString& tool : {u"xvfb-run"_s, u"xauth"_s, u"dbus-run-session"_s})
        if (QStandardPaths::findExecutable(tool).isEmpty()) lack << tool;
    if (!QFileInfo(Daemon).isExecutable()) lack << Daemon;
    QProcess gi;
    gi.start(Python, {u"-c"_s, u"import gi; gi.require_version('Gtk', '3.0'); "
                               "gi.require_version('PangoCairo', '1.0')"_s});
    if (!gi.waitForFinished(20000) || gi.exitStatus() != QProcess::NormalExit || gi.exitCode() != 0)
        lack << u"python3-gi with GTK 3"_s;
    return lack.join(u", "_s);
}

QString GtkDesktop::familiesOfNewProgram() {
    QProcess p;
    p.setProcessEnvironment(desktopEnvironment());
    p.start(Python, {Reporter, u"--once"_s});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

GtkDesktop::GtkDesktop() {
    process_.setProcessEnvironment(desktopEnvironment());
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(u"xvfb-run"_s, {u"-a"_s, u"-s"_s, u"-nolisten tcp"_s, u"dbus-run-session"_s,
                                   u"--"_s, Python, Reporter, Daemon});
}

GtkDesktop::~GtkDesktop() {
    // Its input closing ends the program and the daemon; the bus and the X server follow. What
    // does not end in time, `process_` kills as it goes.
    process_.closeWriteChannel();
    process_.waitForFinished(10000);
}

void GtkDesktop::read() {
    while (process_.canReadLine()) {
        const QString line = QString::fromUtf8(process_.readLine()).trimmed();
        output_ += line + QLatin1Char('\n');
        if (line == QLatin1String("ready"))
            ready_ = true;
        else if (line.startsWith(QLatin1String("families ")))
            families_ = line.mid(9);
        else if (line.startsWith(QLatin1String("daemon ")))
            daemon_ = line.mid(7).toLongLong();
        else if (line.startsWith(QLatin1String("announced ")))
            ++announcements_;
    }
}

bool GtkDesktop::readUntil(const std::function<bool()>& done, int ms) {
    const QDeadlineTimer end(ms);
    read();
    while (!done() && process_.state() != QProcess::NotRunning && !end.hasExpired()) {
        process_.waitForReadyRead(100);
        read();
    }
    return done();
}

bool GtkDesktop::watches(const QString& folder, int ms) {
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0) return false;
    // Each watch is a line "inotify wd:N ino:HEX sdev:..." of the instance's fdinfo.
    const QByteArray inode = "ino:" + QByteArray::number(qulonglong(st.st_ino), 16) + ' ';
    const auto watched = [&] {
        const QString fdinfo = u"/proc/%1/fdinfo"_s.arg(daemon_);
        for (const QFileInfo& fd : QDir(fdinfo).entryInfoList(QDir::Files)) {
            QFile f(fd.filePath());
            if (f.open(QIODevice::ReadOnly) && f.readAll().contains(inode)) return true;
        }
        return false;
    };
    return readUntil([&] { return daemon_ > 0 && watched(); }, ms);
}

} // namespace lbtest
