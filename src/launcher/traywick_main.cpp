// The tray launcher: re-applies the active set at log-on, then switches sets and starts the main
// program from the desktop's tray.
#include "launcher/frm_launcher.h"
#include "launcher/launcher_start.h"
#include "ui/desktop_program.h"
#include "ui/program_options.h"

int main(int argc, char** argv) {
    const lb::ProgramOptions options{
        QStringLiteral("traywick"),
        QStringLiteral("Applies Letterbay's active font set again at log-on, then switches "
                       "sets and\nstarts letterbay from the desktop's tray.")};
    if (const auto answered = options.answerBeforeStart(argc, argv)) return *answered;
    lb::Application application(argc, argv);
    if (const auto refused = options.refuseTheRest(application.arguments())) return *refused;
    lb::DesktopProgram program(application, QStringLiteral("traywick"));
    application.setTitle(lb::LauncherTitle);
    lb::LauncherStart start(program.app, program.fonts);
    if (!start.begin()) return start.exitCode();
    lb::endOnTerminationSignals(*start.window());
    return application.exec();
}
