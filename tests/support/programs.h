#pragma once

// Other programs a test runs beside itself: the second program over the same state, and the same
// as a user without root's privileges (root ignores file permissions, so permission cases need
// one).

#include <QProcess>
#include <QString>
#include <QStringList>

namespace lbtest {

struct Finished {
    int exitCode = -1;
    QString output; // standard error and output together
};

// The second program (tests/tools/state_tool.cpp) with these arguments, to its end.
Finished runStateTool(const QStringList& args, bool asNobody = false);
// Started and left running: for tests that kill it half way.
void startStateTool(QProcess& process, const QStringList& args);

// The tray launcher driven as a user drives it (tests/tools/traywick_driver.cpp), to its end.
Finished runTraywickDriver(const QStringList& args);
// The built programs themselves.
QString programPath(const QString& name);

// True when this test runs as root and can switch to an unprivileged user (setpriv).
bool canRunAsNobody();
// Lets every user read (and enter) `folder` and everything below it.
void openToEveryone(const QString& folder);

} // namespace lbtest
