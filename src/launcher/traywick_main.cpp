// The tray launcher: re-applies the active set at log-on, then switches sets and starts the main
// program from the desktop's tray.
#include "launcher/frm_launcher.h"
#include "launcher/launcher_start.h"
#include "ui/desktop_program.h"

int main(int argc, char** argv) {
    lb::Application application(argc, argv);
    lb::DesktopProgram program(application, QStringLiteral("traywick"));
    application.setTitle(lb::LauncherTitle);
    lb::LauncherStart start(program.app, program.fonts);
    if (!start.begin()) return start.exitCode();
    lb::endOnTerminationSignals(*start.window());
    return application.exec();
}
