#include "ui/desktop_program.h"
#include "ui/program_options.h"
#include "ui/program_start.h"

int main(int argc, char** argv) {
    const lb::ProgramOptions options{
        QStringLiteral("letterbay"),
        QStringLiteral("Keeps a catalogue of your fonts, groups them into sets and activates a "
                       "set:\nonly its fonts, and those the desktop depends on, stay available.")};
    if (const auto answered = options.answerBeforeStart(argc, argv)) return *answered;
    lb::Application application(argc, argv);
    if (const auto refused = options.refuseTheRest(application.arguments())) return *refused;
    lb::DesktopProgram program(application, QStringLiteral("letterbay"));
    lb::ProgramStart start(program.app, program.fonts);
    if (!start.begin()) return 1;
    return application.exec();
}
