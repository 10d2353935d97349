#pragma once

#include "core/main_context.h"
#include "ui/single_instance.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

namespace lb {

class FrmLauncher;
class HiddenFolderWatch;

// The tray launcher's start as main() runs it: its own single copy, the shared database (never
// created, converted or repaired here), the window's load with the re-application of the active
// set, and the watch over the folders hidden whole.
class LauncherStart : public QObject {
    Q_OBJECT
public:
    LauncherStart(AppState& app, FontPlatform& fonts);
    ~LauncherStart() override;

    // False when the program must end at once, with exitCode(): 0 when another copy was asked to
    // show its window, 1 when a message has said why it cannot run.
    bool begin();
    int exitCode() const { return exitCode_; }

    FrmLauncher* window() const { return window_.get(); }
    HiddenFolderWatch* watch() const { return watch_; }
    SingleInstance& instance() { return instance_; }

    // Called with the window before its load.
    std::function<void(FrmLauncher&)> prepareWindow;
    // The folders hidden whole, and the folder of the configuration that names them.
    std::function<QStringList()> hiddenFolders;
    QString configFolder;

private:
    bool refuse(const QString& text);

    AppState& app_;
    FontPlatform& fonts_;
    SingleInstance instance_;
    std::unique_ptr<FrmLauncher> window_;
    HiddenFolderWatch* watch_ = nullptr;
    int exitCode_ = 0;
};

// Ends the program as the tray menu's Exit does when the session asks it to end (SIGTERM, SIGINT,
// SIGHUP): the tray icon goes and the database is closed.
void endOnTerminationSignals(FrmLauncher& window);

} // namespace lb
