#include "support/programs.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

namespace lbtest {

namespace {
QString toolPath() {
    return QStringLiteral(LB_BIN_DIR "/lb_state_tool");
}
} // namespace

QString programPath(const QString& name) {
    return QStringLiteral(LB_BIN_DIR "/") + name;
}

namespace {
Finished waitFor(QProcess& p) {
    Finished f;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        f.output = QStringLiteral("did not finish");
        return f;
    }
    f.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    f.output = QString::fromUtf8(p.readAll());
    return f;
}
} // namespace

Finished runStateTool(const QStringList& args, bool asNobody) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (asNobody)
        p.start(QStringLiteral("setpriv"),
                QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                            QStringLiteral("--clear-groups"), toolPath()} +
                    args);
    else
        p.start(toolPath(), args);
    return waitFor(p);
}

Finished runTraywickDriver(const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(programPath(QStringLiteral("lb_traywick_driver")), args);
    return waitFor(p);
}

void startStateTool(QProcess& process, const QStringList& args) {
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(toolPath(), args);
    process.waitForStarted();
}

bool canRunAsNobody() {
    return ::geteuid() == 0 && !QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty();
}

void openToEveryone(const QString& folder) {
    const auto open = [](const QString& path) {
        const QFileInfo info(path);
        if (info.isSymLink()) return;
        QFile::Permissions p = QFile::permissions(path) | QFile::ReadOther | QFile::ReadGroup;
        if (info.isDir()) p |= QFile::ExeOther | QFile::ExeGroup;
        QFile::setPermissions(path, p);
    };
    open(folder);
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        open(it.next());
}

} // namespace lbtest
