// The tray launcher as a real process of its own, driven as a user drives it, for tests of two
// programs at once: it starts as traywick starts (its own single copy, the shared database, the
// start-up re-application), lets its start-up timer fire, and then
//
//   lb_traywick_driver [--desktop FAMILY] activate SET  clicks SET, presses "Activate Set"
//                                                       ("" presses "Activate All Sets")
//   lb_traywick_driver [--desktop FAMILY] show          prints the captions of its buttons
//
// and ends through the tray menu's Exit. Message boxes are printed to stderr and answered OK.
// Exit code 0 on success, 1 when the program could not start, 2 when a control was not found.
#include "core/app_state.h"
#include "launcher/frm_launcher.h"
#include "launcher/launcher_start.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "tools/tool_support.h"
#include "ui/application.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    const auto fail = [](const char* why) {
        std::fprintf(stderr, "lb_traywick_driver: %s\n", why);
        return 2;
    };
    qputenv("QT_QPA_PLATFORM", "offscreen");
    lb::Application application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("traywick"));
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList args = application.arguments().mid(1);
    lbtest::FakeDesktop desktop;
    lbtool::takeDesktop(args, desktop);
    if (args.isEmpty()) return fail("no command");

    lbtool::PrintedBoxes boxes(lb::AnswerOK);
    lb::MemoryPointer pointer;
    lb::AppState app(boxes, pointer);
    application.setMessenger(&app.messages);
    lb::FontconfigFonts fontconfig;
    lb::FontconfigResources resources(fontconfig);
    lb::FontPlatform fonts{fontconfig, fontconfig, desktop, resources};

    lb::LauncherStart start(app, fonts);
    bool ended = false;
    start.prepareWindow = [&](lb::FrmLauncher& w) {
        w.endProgram = [&] { ended = true; };
        w.trayAvailable = [] { return true; };
    };
    if (!start.begin()) return start.exitCode() == 0 ? 0 : 1;
    lb::FrmLauncher& w = *start.window();
    w.timer()->stop();
    w.Timer1_Timer();

    if (args[0] == QLatin1String("activate") && args.size() == 2) {
        w.trayActivated(QSystemTrayIcon::DoubleClick);
        w.findChild<QPushButton*>("cmdDisplay")->click();
        if (args[1].isEmpty()) {
            QTest::mouseClick(w.findChild<QPushButton*>("cmdAll"), Qt::LeftButton);
        } else {
            auto* list = w.findChild<QListWidget*>("lstSets");
            const QList<QListWidgetItem*> found = list->findItems(args[1], Qt::MatchExactly);
            if (found.isEmpty()) return fail("no such set in the list");
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(found.first()).center());
            QTest::mouseClick(w.findChild<QPushButton*>("cmdActivate"), Qt::LeftButton);
        }
    } else if (args[0] == QLatin1String("show")) {
        for (const QPushButton* b : w.findChildren<QPushButton*>())
            std::printf("%s\n", qPrintable(b->text()));
    } else {
        return fail("unknown command");
    }
    const int failures = boxes.shown;
    w.popup()->findChild<QAction*>("mnuPopupClose")->trigger();
    if (!ended) return fail("the tray menu's Exit did not end the program");
    return failures == 0 ? 0 : 1;
}
