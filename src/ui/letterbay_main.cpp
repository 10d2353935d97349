#include "core/app_state.h"
#include "core/main_context.h"
#include "core/startup.h"
#include "platform/desktop_fonts.h"
#include "platform/fontconfig_fonts.h"
#include "platform/qt_message_boxes.h"
#include "platform/rejection_file.h"
#include "ui/frm_main.h"
#include "ui/frm_splash.h"

#include <QApplication>
#include <memory>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("letterbay"));
    QApplication::setQuitOnLastWindowClosed(false);

    lb::QtMessageBoxes boxes;
    lb::QtPointer pointer;
    lb::AppState app(boxes, pointer);
    lb::Startup startup(app);
    if (!startup.load()) return 1;

    lb::FontconfigFonts fontconfig;
    lb::FontconfigDesktopFonts desktop;
    lb::FontconfigResources resources(fontconfig);
    lb::FontPlatform fonts{fontconfig, fontconfig, desktop, resources};

    lb::FrmSplash splash(startup);
    std::unique_ptr<lb::FrmMain> main;
    QObject::connect(&splash, &lb::FrmSplash::handOver, [&](bool rebuild) {
        // The start-up window stays on top; keep it from covering the first-run question.
        splash.hide();
        main = std::make_unique<lb::FrmMain>(app, fonts);
        main->Form_Load();
        if (rebuild) main->Refresh_Fonts();
        main->show();
        splash.close();
    });
    splash.show();
    return application.exec();
}
