// The tray launcher: re-applies the active set at log-on, then switches sets and starts the main
// program from the desktop's tray.
#include "core/app_state.h"
#include "core/main_context.h"
#include "launcher/frm_launcher.h"
#include "launcher/launcher_start.h"
#include "platform/desktop_fonts.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "platform/qt_message_boxes.h"
#include "ui/application.h"
#include "ui/program_icon.h"

int main(int argc, char** argv) {
    lb::Application application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("traywick"));
    QApplication::setDesktopFileName(QStringLiteral("traywick"));
    // The window is hidden while the icon is in the tray: that is no reason to end.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(lb::programIcon());

    lb::QtMessageBoxes boxes;
    lb::QtPointer pointer;
    lb::AppState app(boxes, pointer);
    application.setMessenger(&app.messages);

    lb::FontconfigFonts fontconfig;
    lb::FontconfigDesktopFonts desktop;
    lb::FontconfigResources resources(fontconfig);
    lb::FontPlatform fonts{fontconfig, fontconfig, desktop, resources};

    lb::LauncherStart start(app, fonts);
    if (!start.begin()) return start.exitCode();
    lb::endOnTerminationSignals(*start.window());
    const int rc = application.exec();
    application.setMessenger(nullptr);
    return rc;
}
