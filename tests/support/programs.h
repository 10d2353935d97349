#pragma once

// Other programs a test runs beside itself, as users and scripts run them.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <initializer_list>

namespace lbtest {

class TempHome;

QString programPath(const QString& name);
QString ctlPath();

struct CtlRun {
    int exitCode = -1;
    QString out, err; // standard output and error
};
// Runs letterbayctl with `args` to its end, `input` on its standard input.
CtlRun runCtl(const QStringList& args, const QByteArray& input = {});
// The same, expected to succeed.
CtlRun ctlOk(const QStringList& args, const QByteArray& input = {});
// Each command line in turn, every one expected to succeed.
void ctl(std::initializer_list<QStringList> commands);

// Makes the generic families (sans-serif, serif, monospace) resolve to `family` in the home's
// fontconfig, as a desktop's do to its own font: every program then agrees on that font.
bool preferForGenericFamilies(const TempHome& home, const QString& family);

struct Finished {
    int exitCode = -1;
    QString output; // standard error and output together
};

// The second program (tests/tools/state_tool.cpp) with these arguments, to its end.
Finished runStateTool(const QStringList& args);
// Started and left running: for tests that kill it half way.
void startStateTool(QProcess& process, const QStringList& args);

// The tray launcher driven as a user drives it (tests/tools/traywick_driver.cpp), to its end.
Finished runTraywickDriver(const QStringList& args);

} // namespace lbtest
