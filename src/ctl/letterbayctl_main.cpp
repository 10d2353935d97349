// letterbayctl: the font-set workflow of Letterbay from the command line.
#include "ctl/command_line.h"
#include "ctl/commands.h"
#include "ctl/session.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("letterbayctl"));
    lb::ctl::Invocation invocation;
    QString error;
    if (!lb::ctl::parseCommandLine(app.arguments().mid(1), invocation, error)) {
        lb::ctl::printError(error);
        lb::ctl::printError(QStringLiteral("Try 'letterbayctl --help'."));
        return lb::ctl::UsageError;
    }
    return lb::ctl::run(invocation);
}
