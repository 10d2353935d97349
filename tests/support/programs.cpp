#include "support/programs.h"

#include "support/temp_home.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace lbtest {

using namespace Qt::StringLiterals;

QString programPath(const QString& name) {
    return QStringLiteral(LB_BIN_DIR "/") + name;
}

bool preferForGenericFamilies(const TempHome& home, const QString& family) {
    const QString folder = home.configHome() + u"/fontconfig/conf.d"_s;
    QByteArray aliases = "<?xml version=\"1.0\"?>\n<fontconfig>\n";
    for (const char* generic : {"sans-serif", "serif", "monospace"})
        aliases += QByteArray("  <alias><family>") + generic + "</family><prefer><family>" +
                   family.toUtf8() + "</family></prefer></alias>\n";
    QFile conf(folder + u"/50-desktop.conf"_s);
    return QDir().mkpath(folder) && conf.open(QIODevice::WriteOnly) &&
           conf.write(aliases + "</fontconfig>\n") > 0;
}

QString ctlPath() {
    return programPath(u"letterbayctl"_s);
}

CtlRun runCtl(const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.start(ctlPath(), args);
    if (!p.waitForStarted(30000)) return {-1, {}, u"did not start"_s};
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(180000)) return {-1, {}, u"did not finish"_s}; // killed as `p` goes
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

CtlRun ctlOk(const QStringList& args, const QByteArray& input) {
    const CtlRun r = runCtl(args, input);
    EXPECT_EQ(r.exitCode, 0) << args.join(u' ').toStdString() << ": " << r.err.toStdString();
    return r;
}

void ctl(std::initializer_list<QStringList> commands) {
    for (const QStringList& args : commands)
        ctlOk(args);
}

// `program` to its end, its output and errors together.
static Finished run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(120000)) return {-1, u"did not finish"_s}; // killed as `p` goes
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAll())};
}

Finished runStateTool(const QStringList& args) {
    return run(programPath(u"lb_state_tool"_s), args);
}

Finished runTraywickDriver(const QStringList& args) {
    return run(programPath(u"lb_traywick_driver"_s), args);
}

void startStateTool(QProcess& process, const QStringList& args) {
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(programPath(u"lb_state_tool"_s), args);
    process.waitForStarted();
}

} // namespace lbtest
