#include "ui/program_start.h"

#include "core/schema.h"
#include "ui/frm_main.h"
#include "ui/frm_splash.h"
#include "ui/interface_font.h"
#include "ui/single_instance.h"

#include <QCoreApplication>
#include <QTimer>

namespace lb {

// The start-up window stays on top of every window: while it is up, each message box of
// start-up (the conversion's announcement and errors) is shown with the window out of the way.
class ProgramStart::AsideBoxes : public MessageBoxes {
public:
    AsideBoxes(MessageBoxes& inner, QWidget& window) : inner_(inner), window_(window) {}
    int show(const QString& text, const QString& title, int style) override {
        Aside aside(window_);
        return inner_.show(text, title, style);
    }
    QString input(const QString& prompt, const QString& title,
                  const QString& defaultText) override {
        Aside aside(window_);
        return inner_.input(prompt, title, defaultText);
    }
    MessageBoxes& inner() { return inner_; }

private:
    struct Aside {
        explicit Aside(QWidget& w) : window(w), wasVisible(w.isVisible()) { w.hide(); }
        ~Aside() {
            if (wasVisible) window.show();
        }
        QWidget& window;
        bool wasVisible;
    };
    MessageBoxes& inner_;
    QWidget& window_;
};

ProgramStart::ProgramStart(AppState& app, FontPlatform& fonts)
    : app_(app), fonts_(fonts), startup_(app) {}

ProgramStart::~ProgramStart() {
    if (boxes_) app_.messages.setBoxes(boxes_->inner());
}

bool ProgramStart::begin() {
    useConcreteInterfaceFont();
    // A second copy shows nothing but its message.
    if (!startup_.claimInstance()) return false;
    splash_ = std::make_unique<FrmSplash>(startup_);
    boxes_ = std::make_unique<AsideBoxes>(app_.messages.boxes(), *splash_);
    app_.messages.setBoxes(*boxes_);
    connect(splash_.get(), &FrmSplash::handOver, this, &ProgramStart::handOver);
    splash_->show();
    // On screen before the database is opened and checked, which reads the whole file: with tens
    // of thousands of fonts catalogued that is most of the wait. Bounded, for a window that is
    // never drawn (a minimised start).
    QTimer limit;
    limit.setSingleShot(true);
    limit.start(300);
    while (!splash_->painted() && limit.isActive())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    if (!startup_.openData()) {
        app_.messages.setBoxes(boxes_->inner());
        boxes_.reset();
        splash_.reset();
        return false;
    }
    return true;
}

void ProgramStart::handOver(bool rebuild) {
    // From here the main window's own boxes: the start-up window is hidden for good.
    splash_->hide();
    app_.messages.setBoxes(boxes_->inner());
    main_ = std::make_unique<FrmMain>(app_, fonts_);
    if (prepareMainWindow) prepareMainWindow(*main_);
    try {
        main_->Form_Load();
        if (rebuild) main_->Refresh_Fonts();
        main_->show();
        // The tray launcher's "Run" brings this window forward instead of a second copy.
        instance_ = std::make_unique<SingleInstance>(QStringLiteral("letterbay"));
        instance_->listen();
        connect(instance_.get(), &SingleInstance::showRequested, main_.get(), [this] {
            main_->setWindowState((main_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
            main_->show();
            main_->raise();
            main_->activateWindow();
        });
    } catch (const std::exception& e) {
        // The load passes over what it can; anything left means there is nothing to show.
        app_.messages.ask(MessageKind::Critical, AppTitle,
                          tr("%1 could not start: %2  Click OK to exit.")
                              .arg(AppTitle, QString::fromUtf8(e.what())));
        main_->endProgram();
    }
    splash_->close();
}

} // namespace lb
