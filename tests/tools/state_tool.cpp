// A second program over the same database and hidden-font state, driven from the command line by
// tests that need two programs at once, or one that is killed half way.
//
//   lb_state_tool [--desktop FAMILY] activate SET      ("" activates all sets)
//   lb_state_tool [--desktop FAMILY] start             the start-up check and repair
//   lb_state_tool hide STAMP FILE...                    hides the files one broadcast each
//
// Exit code 0 on success, 1 when the operation failed (the reason on stderr).
#include "activation/activation.h"
#include "catalogue/system_fonts.h"
#include "core/app_state.h"
#include "core/paths.h"
#include "core/schema.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "support/recording_view.h"
#include "tools/tool_support.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    const auto fail = [](const char* why) {
        std::fprintf(stderr, "lb_state_tool: %s\n", why);
        return 1;
    };
    QCoreApplication qapp(argc, argv);
    QStringList args = qapp.arguments().mid(1);
    lbtest::FakeDesktop desktop;
    lbtool::takeDesktop(args, desktop);
    if (args.isEmpty()) return fail("no command");
    lb::FontconfigFonts fontconfig;
    lb::FontconfigResources resources(fontconfig);

    if (args[0] == QLatin1String("hide")) {
        if (args.size() < 3) return fail("hide STAMP FILE...");
        for (const QString& file : args.mid(2)) {
            resources.unload(file);
            if (!resources.broadcast(args[1])) return fail(qPrintable(resources.error()));
        }
        return 0;
    }

    lbtool::PrintedBoxes boxes(lb::AnswerYes);
    lb::MemoryPointer pointer;
    lb::AppState app(boxes, pointer);
    try {
        app.db = lb::Database::open(lb::databasePath(), lb::ConnectSuffix);
        app.openMainDataSources();
        lb::FontPlatform fonts{fontconfig, fontconfig, desktop, resources};
        lbtest::RecordingView view;
        lb::FontListModel all, assigned;
        lb::MainContext ctx{app, fonts, view, all, assigned};
        lb::Get_FontsFolder(app, fontconfig);
        lb::Load_SystemFonts(app.systemFonts, desktop);
        if (args[0] == QLatin1String("activate") && args.size() == 2)
            lb::Activate_Sets(ctx, args[1], !args[1].isEmpty());
        else if (args[0] == QLatin1String("start"))
            lb::Reapply_ActiveSet(ctx);
        else
            return fail("unknown command");
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    return 0;
}
