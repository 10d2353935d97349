#pragma once

#include "catalogue/font_list.h"
#include "core/main_context.h"

#include <QSystemTrayIcon>
#include <QWidget>
#include <functional>

class QAction;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;

namespace lb {

// The tray launcher's program title, for its window and message boxes, and the tray icon's tip.
inline const QString LauncherTitle = QStringLiteral("Letterbay Traywick");

// The tray launcher's window: the active set, the sets to activate, and the tray icon with its
// menu. Activations run the same operations as the main program, with this window as their view.
// What the window shows of the active set is read from the database at each use, so that an
// activation by another program shows as soon as the window or the menu is opened.
class FrmLauncher : public QWidget, public OperationView {
    Q_OBJECT
public:
    FrmLauncher(AppState& app, FontPlatform& fonts, QWidget* parent = nullptr);
    ~FrmLauncher() override;

    // The load after the database is open: the window narrow and centred, disabled; the active
    // set re-applied when the desktop lost it; then the timer that brings the tray icon.
    void Form_Load();
    void Timer1_Timer();
    void Add_TrayIcon();
    void Show_Sets();
    void Show_Status();

    void cmdActivate_Click();
    void cmdAll_Click();
    void lstSets_Click();
    void cmdDisplay_Click();
    void cmdRun_Click();
    void cmdOK_Click();
    void cmdClose_Click();
    void cmdHelp_Click();
    void mnuPopupActive_Click();
    void mnuPopupSets_Click();
    void mnuPopupLetterbay_Click();
    void mnuPopupClose_Click();
    void mnuPopupAbout_Click();
    void mnuPopupSupport_Click();

    // A click or double-click on the tray icon, as the tray reports it.
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    // A second start of the program asked for this window.
    void showRequested();
    // Closes every window and the database, removes the tray icon and ends.
    void Shut_Down();
    // Ends as the tray menu's Exit does; during an operation, as soon as it is over.
    void requestEnd();

    QSystemTrayIcon* trayIcon() const { return tray_; }
    QMenu* popup() const { return mnuPopup_; }
    QTimer* timer() const { return timer_; }
    bool isWide() const;
    int narrowWidth() const;
    int wideWidth() const;
    // The help topic of the Display Sets button: 3007 narrow, 3008 wide.
    int displayHelpTopic() const { return displayTopic_; }

    // Called when the program ends; tests replace it so the test program goes on.
    std::function<void()> endProgram;
    // Whether the desktop has a tray; tests replace it.
    std::function<bool()> trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    // Where `letterbay` is started from: this program's own folder.
    QString programFolder;
    // How often a missing tray is looked for again, and a present one checked.
    int trayPollMs = 3000;

    // OperationView
    void setMessage(const QString&) override {}
    void setFontCount(const QString&) override {}
    void showProgress(bool visible) override;
    void setProgressRange(int minimum, int maximum) override;
    void setProgressValue(int value) override;
    void setWindowEnabled(bool enabled) override;
    void yield() override;
    void focusSetBox() override;
    void activationStarted(const QString& set) override;
    void activationApplied(const QString& set) override;
    bool showsFontLists() const override { return false; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildLayout();
    void buildPopup();
    void setWide(bool wide);
    void fitHeight();
    void showWindow();
    void hideWindow();
    void runGuarded(const std::function<void()>& operation);
    // Shows the active set again when another program changed it since it was last shown.
    void refreshIfChanged();
    void setStatus(const QString& text, bool highlight);
    QString readActivatedSet();
    void watchTray();
    void startLetterbay();
    int twips(int value) const;

    AppState& app_;
    FontListModel allFonts_;
    FontListModel assignedFonts_;
    MainContext ctx_;

    QString shownSet_; // the active set as last shown
    bool shownOnce_ = false;
    bool loaded_ = false;    // the start-up timer has fired
    bool trayBusy_ = false;  // a tray event is being handled
    bool operating_ = false; // an operation runs: tray events and menu commands wait
    bool ending_ = false;
    bool endRequested_ = false;
    bool inTray_ = false; // the icon is in a tray
    int displayTopic_ = 3007;

    QSystemTrayIcon* tray_ = nullptr;
    QTimer* timer_ = nullptr;
    QTimer* trayPoll_ = nullptr;
    QMenu* mnuPopup_ = nullptr;
    QAction* mnuPopupActive_ = nullptr;
    QWidget* pnlLeft_ = nullptr;
    QLabel* imgSplash_ = nullptr;
    QGroupBox* fraStatus_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QLabel* lblTray_ = nullptr;
    QProgressBar* barProgress_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QWidget* fraButtons_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdDisplay_ = nullptr;
    QGroupBox* fraSets_ = nullptr;
    QListWidget* lstSets_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
    QPushButton* cmdRun_ = nullptr;
    QPushButton* cmdActivate_ = nullptr;
    QPushButton* cmdAll_ = nullptr;
};

} // namespace lb
