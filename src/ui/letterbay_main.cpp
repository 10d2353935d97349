#include "core/app_state.h"
#include "core/main_context.h"
#include "platform/desktop_fonts.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "platform/qt_message_boxes.h"
#include "ui/application.h"
#include "ui/program_icon.h"
#include "ui/program_start.h"

int main(int argc, char** argv) {
    lb::Application application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("letterbay"));
    QApplication::setDesktopFileName(QStringLiteral("letterbay"));
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

    lb::ProgramStart start(app, fonts);
    if (!start.begin()) return 1;
    return application.exec();
}
