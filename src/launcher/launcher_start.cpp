#include "launcher/launcher_start.h"

#include "core/paths.h"
#include "core/schema.h"
#include "core/startup.h"
#include "launcher/frm_launcher.h"
#include "launcher/hidden_folder_watch.h"
#include "platform/font_selection.h"
#include "platform/hidden_fonts.h"
#include "ui/interface_font.h"

#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace lb {

LauncherStart::LauncherStart(AppState& app, FontPlatform& fonts)
    : app_(app), fonts_(fonts), instance_(QStringLiteral("traywick")) {
    hiddenFolders = [] { return FontconfigResources::hiddenFolders(); };
    configFolder = QFileInfo(inactiveFontsConfPath()).absolutePath();
}

LauncherStart::~LauncherStart() {
    window_.reset();
    instance_.release();
}

bool LauncherStart::refuse(const QString& text) {
    app_.messages.ask(MessageKind::Critical, LauncherTitle, text);
    app_.db.reset();
    instance_.release();
    exitCode_ = 1;
    return false;
}

bool LauncherStart::begin() {
    // Before the first window: the toolkit would otherwise spend seconds matching the generic
    // interface family against every installed font.
    useConcreteInterfaceFont();
    app_.lineBreak = QStringLiteral("\n");
    app_.databasePath = databasePath();
    app_.connectSuffix = ConnectSuffix;

    // The database is the main program's to create: without one there is no set to apply.
    if (!QFileInfo(app_.databasePath).isFile())
        return refuse(tr("There is no font database at %1.\n\nRun Letterbay once to build your "
                         "font catalogue, then start %2 again.  Click OK to exit.")
                          .arg(app_.databasePath, LauncherTitle));

    switch (instance_.claim()) {
    case SingleInstance::First:
        break;
    case SingleInstance::Signalled:
        exitCode_ = 0;
        return false;
    case SingleInstance::Failed:
        return refuse(tr("%1 cannot tell whether it is already running on this machine: %2  "
                         "Click OK to exit.")
                          .arg(LauncherTitle, instance_.error()));
    }

    // Not read whole for damage at every log-on: the launcher changes two fields of the settings
    // row, inside a transaction that a damaged page undoes, and the main program checks the
    // whole file at its start.
    const auto unusable = [this](const QString& problem) {
        return refuse(tr("The font database %1 cannot be used: %2\n\nNothing has been changed.  "
                         "Click OK to exit.")
                          .arg(app_.databasePath, problem));
    };
    if (const QString problem = openFontDatabase(app_, false); !problem.isEmpty())
        return unusable(problem);
    // Data of a version that kept no version number: only the main program converts it.
    if (!app_.db->tableExists(tbl::Version))
        return refuse(tr("You have installed over an older version of Letterbay.  You need to "
                         "run Letterbay once to convert your data before running Traywick."));
    if (const QString problem = orderFontDatabase(app_); !problem.isEmpty())
        return unusable(problem);

    app_.db->useWriteAheadLog();
    try {
        addCurrentFields(*app_.db);
        app_.datSampleText = openTable(*app_.db, tbl::SampleText);
        app_.datAssigned = openTable(*app_.db, tbl::AssignedFonts);
        app_.datSets = openTable(*app_.db, tbl::Sets);
        app_.datVersion = openTable(*app_.db, tbl::Version);
        // [Fonts] is read when an activation walks it, not at every start.
        app_.datFonts = openTable(*app_.db, tbl::Fonts);
    } catch (const DbError& e) {
        return refuse(tr("The font database %1 cannot be used: %2\n\nClick OK to exit.")
                          .arg(app_.databasePath, e.message()));
    }

    window_ = std::make_unique<FrmLauncher>(app_, fonts_);
    connect(&instance_, &SingleInstance::showRequested, window_.get(), &FrmLauncher::showRequested);
    if (prepareWindow) prepareWindow(*window_);
    window_->Form_Load();

    watch_ = new HiddenFolderWatch(fonts_.resources, hiddenFolders, configFolder, this);
    // Armed once the program waits in its loop: walking the folders is no part of the start.
    QTimer::singleShot(0, watch_, &HiddenFolderWatch::rearm);
    return true;
}

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}
} // namespace

void endOnTerminationSignals(FrmLauncher& window) {
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
        notifier->setEnabled(false);
        char byte;
        [[maybe_unused]] const auto got = ::read(signalPipe[0], &byte, 1);
        window.requestEnd();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int s : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(s, &action, nullptr);
}

} // namespace lb
