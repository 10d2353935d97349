#include "support/ctl_runner.h"

#include <QProcess>

namespace lbtest {

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
