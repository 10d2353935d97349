// letterbayctl: the font-set workflow of Letterbay from the command line.
#include "ctl/command_line.h"
#include "ctl/commands.h"
#include "ctl/session.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <cerrno>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("letterbayctl"));
    // Qt reads each argument as UTF-8, with U+FFFD for bytes that are not: a file so named would
    // be "not found", a set or font name would be another. Nothing can be done with such a name.
    for (int i = 1; i < argc; ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        const QString arg = utf8.decode(QByteArrayView(argv[i]));
        if (utf8.hasError()) {
            lb::ctl::printError(arg + QStringLiteral(": the name is not valid text; rename it to "
                                                     "use it here."));
            return lb::ctl::Refused;
        }
    }
    lb::ctl::Invocation invocation;
    QString error;
    if (!lb::ctl::parseCommandLine(app.arguments().mid(1), invocation, error)) {
        lb::ctl::printError(error);
        lb::ctl::printError(QStringLiteral("Try 'letterbayctl --help'."));
        return lb::ctl::UsageError;
    }
    const int result = lb::ctl::run(invocation);
    // Output cut short by a full disk must not pass for success: a script's `export > backup`
    // would trust a backup that is not whole.
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        lb::ctl::printError(QStringLiteral("The output could not be written: ") +
                            QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)) +
                            QLatin1Char('.'));
        return result == lb::ctl::Done ? lb::ctl::Refused : result;
    }
    return result;
}
