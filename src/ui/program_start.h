#pragma once

#include "core/main_context.h"
#include "core/startup.h"

#include <QObject>
#include <functional>
#include <memory>

namespace lb {

class FrmMain;
class FrmSplash;
class SingleInstance;

// The program's start as main() runs it: the start-up checks, the start-up window for its three
// seconds and the conversion, then the main window's load (with the first run's question and the
// re-application of the active set), and the start-up window goes.
class ProgramStart : public QObject {
    Q_OBJECT
public:
    ProgramStart(AppState& app, FontPlatform& fonts);
    ~ProgramStart() override;

    // Shows the start-up window and starts its timer. False when the program must end at once;
    // a message has said why.
    bool begin();

    FrmSplash* splash() const { return splash_.get(); }
    FrmMain* mainWindow() const { return main_.get(); }

    // Called with the main window before its load.
    std::function<void(FrmMain&)> prepareMainWindow;

private:
    void handOver(bool rebuild);

    class AsideBoxes;
    AppState& app_;
    FontPlatform& fonts_;
    Startup startup_;
    std::unique_ptr<AsideBoxes> boxes_;
    std::unique_ptr<FrmSplash> splash_;
    std::unique_ptr<FrmMain> main_;
    std::unique_ptr<SingleInstance> instance_;
};

} // namespace lb
