#include "ui/program_options.h"

#include "ui/frm_about.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

namespace lb {

namespace {

void setUp(QCommandLineParser& parser, const QString& description) {
    parser.setApplicationDescription(description);
    // Not addHelpOption(): its --help-all would be one more option to answer before the start.
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Shows this help.")));
    parser.addOption(QCommandLineOption({QStringLiteral("v"), QStringLiteral("version")},
                                        QStringLiteral("Shows the version.")));
}

void print(std::FILE* to, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
}

} // namespace

std::optional<int> ProgramOptions::answerBeforeStart(int argc, char** argv) const {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    setUp(parser, description);
    // A line that does not parse may still be Qt's own options: judged after the start.
    if (!parser.parse(arguments)) return std::nullopt;
    if (parser.isSet(QStringLiteral("help"))) {
        // The help text names the program from the application object; a core one needs no
        // display.
        int coreArgc = 1;
        QCoreApplication core(coreArgc, argv);
        QCoreApplication::setApplicationName(name);
        print(stdout, parser.helpText());
        return 0;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        print(stdout, name + QLatin1Char(' ') + versionNumbers() + QLatin1Char('\n'));
        return 0;
    }
    return std::nullopt;
}

std::optional<int> ProgramOptions::refuseTheRest(const QStringList& arguments) const {
    QCommandLineParser parser;
    setUp(parser, description);
    QString error;
    if (!parser.parse(arguments))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments()[0]);
    if (error.isEmpty()) return std::nullopt;
    print(stderr, name + QStringLiteral(": ") + error + QStringLiteral("\nTry '") + name +
                      QStringLiteral(" --help'.\n"));
    return 2;
}

} // namespace lb
