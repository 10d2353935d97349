#include "support/ctl_runner.h"

#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace lbtest {

bool preferForGenericFamilies(const TempHome& home, const QString& family) {
    const QString folder = home.configHome() + QStringLiteral("/fontconfig/conf.d");
    QDir().mkpath(folder);
    QFile conf(folder + QStringLiteral("/50-desktop.conf"));
    if (!conf.open(QIODevice::WriteOnly)) return false;
    QByteArray aliases = "<?xml version=\"1.0\"?>\n<fontconfig>\n";
    for (const char* generic : {"sans-serif", "serif", "monospace"})
        aliases += QByteArray("  <alias><family>") + generic + "</family><prefer><family>" +
                   family.toUtf8() + "</family></prefer></alias>\n";
    return conf.write(aliases + "</fontconfig>\n") > 0;
}

QString ctlPath() {
    return QStringLiteral(LB_BIN_DIR "/letterbayctl");
}

CtlRun runCtl(const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.start(ctlPath(), args);
    CtlRun r;
    if (!p.waitForStarted(30000)) {
        r.err = QStringLiteral("did not start");
        return r;
    }
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(180000)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("did not finish");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace lbtest
