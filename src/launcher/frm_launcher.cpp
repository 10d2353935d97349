#include "launcher/frm_launcher.h"

#include "activation/activation.h"
#include "activation/interrupted_work.h"
#include "catalogue/font_lists.h"
#include "catalogue/system_fonts.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/startup.h"
#include "ui/frm_about.h"
#include "ui/help.h"
#include "ui/program_icon.h"
#include "ui/single_instance.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace lb {

namespace {

const char* const DisplaySets = QT_TRANSLATE_NOOP("lb::FrmLauncher", "&Display Sets >>");
const char* const HideSets = QT_TRANSLATE_NOOP("lb::FrmLauncher", "<< Hi&de Sets");
constexpr int HelpLauncher = 3002;
constexpr int HelpStatus = 3007;
constexpr int HelpSets = 3008;
constexpr int NarrowTwips = 3180;
constexpr int WideTwips = 5475;

// A set's name in a menu caption: an ampersand of the name is no mnemonic.
QString menuText(const QString& name) {
    QString text = name;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

FrmLauncher::FrmLauncher(AppState& app, FontPlatform& fonts, QWidget* parent)
    : QWidget(parent), app_(app), ctx_{app, fonts, *this, allFonts_, assignedFonts_} {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(LauncherTitle);
    setWindowIcon(programIcon());
    endProgram = [] { QCoreApplication::quit(); };
    programFolder = QCoreApplication::applicationDirPath();
    buildLayout();
    buildPopup();

    tray_ = new QSystemTrayIcon(programIcon(), this);
    tray_->setObjectName(QStringLiteral("trayIcon"));
    tray_->setToolTip(LauncherTitle);
    // Trays of the newer kind show the menu themselves and may report a single click only.
    tray_->setContextMenu(mnuPopup_);
    connect(tray_, &QSystemTrayIcon::activated, this, &FrmLauncher::trayActivated);

    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setSingleShot(true);
    timer_->setInterval(5000);
    connect(timer_, &QTimer::timeout, this, &FrmLauncher::Timer1_Timer);

    trayPoll_ = new QTimer(this);
    connect(trayPoll_, &QTimer::timeout, this, &FrmLauncher::watchTray);

    installHelpKey(this, HelpLauncher);
}

FrmLauncher::~FrmLauncher() {
    // A popup menu of the tray outlives no window.
    if (tray_) tray_->setContextMenu(nullptr);
}

void FrmLauncher::buildLayout() {
    auto* root = new QHBoxLayout(this);
    root->setSizeConstraint(QLayout::SetNoConstraint);

    pnlLeft_ = new QWidget(this);
    auto* left = new QVBoxLayout(pnlLeft_);
    left->setContentsMargins(0, 0, 0, 0);

    imgSplash_ = new QLabel(pnlLeft_);
    imgSplash_->setObjectName(QStringLiteral("imgSplash"));
    imgSplash_->setPixmap(programIcon().pixmap(64, 64));
    imgSplash_->setAlignment(Qt::AlignCenter);
    imgSplash_->setAccessibleName(LauncherTitle);

    fraStatus_ = new QGroupBox(tr("Current Status"), pnlLeft_);
    fraStatus_->setObjectName(QStringLiteral("fraStatus"));
    auto* status = new QVBoxLayout(fraStatus_);
    lblStatus_ = new QLabel(fraStatus_);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setTextFormat(Qt::PlainText);
    lblStatus_->setWordWrap(true);
    lblStatus_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTray_ = new QLabel(fraStatus_);
    lblTray_->setObjectName(QStringLiteral("lblTray"));
    lblTray_->setWordWrap(true);
    lblTray_->setText(tr("No system tray was found, so this window stays open.  The icon appears "
                         "as soon as a tray does."));
    lblTray_->setVisible(false);
    status->addWidget(lblStatus_);
    status->addWidget(lblTray_);
    status->addStretch();

    barProgress_ = new QProgressBar(pnlLeft_);
    barProgress_->setObjectName(QStringLiteral("barProgress"));
    barProgress_->setAccessibleName(tr("Progress"));
    barProgress_->setTextVisible(false);
    QSizePolicy keep = barProgress_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    barProgress_->setSizePolicy(keep);
    barProgress_->setVisible(false);

    lblVersion_ = new QLabel(Startup::versionLabel(), pnlLeft_);
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));
    lblVersion_->setAlignment(Qt::AlignCenter);

    fraButtons_ = new QWidget(pnlLeft_);
    fraButtons_->setObjectName(QStringLiteral("fraButtons"));
    auto* buttons = new QGridLayout(fraButtons_);
    buttons->setContentsMargins(0, 0, 0, 0);
    cmdOK_ = button(fraButtons_, "cmdOK", tr("OK"));
    cmdClose_ = button(fraButtons_, "cmdClose", tr("E&xit"));
    cmdDisplay_ = button(fraButtons_, "cmdDisplay", tr(DisplaySets));
    cmdOK_->setDefault(true);
    buttons->addWidget(cmdOK_, 0, 0);
    buttons->addWidget(cmdClose_, 0, 1);
    buttons->addWidget(cmdDisplay_, 1, 0, 1, 2);
    fraButtons_->setVisible(false);

    left->addWidget(imgSplash_);
    left->addWidget(fraStatus_, 1);
    left->addWidget(barProgress_);
    left->addWidget(lblVersion_);
    left->addWidget(fraButtons_);

    fraSets_ = new QGroupBox(tr("Available Sets"), this);
    fraSets_->setObjectName(QStringLiteral("fraSets"));
    auto* sets = new QVBoxLayout(fraSets_);
    lstSets_ = new QListWidget(fraSets_);
    lstSets_->setObjectName(QStringLiteral("lstSets"));
    lstSets_->setAccessibleName(tr("Available Sets"));
    lstSets_->setSelectionMode(QAbstractItemView::SingleSelection);
    lstSets_->setMinimumHeight(lstSets_->fontMetrics().height() * 7);
    cmdActivate_ = button(fraSets_, "cmdActivate", tr("Activate &Set"));
    cmdAll_ = button(fraSets_, "cmdAll", tr("Activate &All Sets"));
    cmdRun_ = button(fraSets_, "cmdRun", tr("Run &Letterbay"));
    cmdHelp_ = button(fraSets_, "cmdHelp", tr("&Help"));
    sets->addWidget(lstSets_, 1);
    for (QPushButton* b : {cmdActivate_, cmdAll_, cmdRun_, cmdHelp_})
        sets->addWidget(b);
    fraSets_->setVisible(false);

    root->addWidget(pnlLeft_);
    root->addWidget(fraSets_, 1);

    connect(cmdOK_, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdClose_, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
    connect(cmdDisplay_, &QPushButton::clicked, this, [this] { cmdDisplay_Click(); });
    connect(cmdActivate_, &QPushButton::clicked, this, [this] { cmdActivate_Click(); });
    connect(cmdAll_, &QPushButton::clicked, this, [this] { cmdAll_Click(); });
    connect(cmdRun_, &QPushButton::clicked, this, [this] { cmdRun_Click(); });
    connect(cmdHelp_, &QPushButton::clicked, this, [this] { cmdHelp_Click(); });
    connect(lstSets_, &QListWidget::itemSelectionChanged, this, [this] { lstSets_Click(); });
    connect(lstSets_, &QListWidget::itemActivated, this, [this] {
        if (cmdActivate_->isEnabled()) cmdActivate_Click();
    });
    cmdDisplay_->setWhatsThis(whatsThisText(QStringLiteral("cmdDisplay.%1").arg(displayTopic_)));
}

void FrmLauncher::buildPopup() {
    mnuPopup_ = new QMenu(this);
    mnuPopup_->setObjectName(QStringLiteral("mnuPopup"));
    auto item = [this](const char* name, const QString& caption, void (FrmLauncher::*slot)()) {
        QAction* a = mnuPopup_->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, slot] { (this->*slot)(); });
        return a;
    };
    auto separator = [this](const char* name) {
        mnuPopup_->addSeparator()->setObjectName(QString::fromLatin1(name));
    };
    mnuPopupActive_ =
        item("mnuPopupActive", tr("Active &Set:  All"), &FrmLauncher::mnuPopupActive_Click);
    item("mnuPopupSets", tr("&Display Sets"), &FrmLauncher::mnuPopupSets_Click);
    separator("mnuPopupLetterbaySlash");
    item("mnuPopupLetterbay", tr("Run &Letterbay"), &FrmLauncher::mnuPopupLetterbay_Click);
    separator("mnuPopupCloseSlash");
    item("mnuPopupClose", tr("E&xit"), &FrmLauncher::mnuPopupClose_Click);
    separator("mnuPopupSupportSlash");
    item("mnuPopupSupport", tr("&Technical Support"), &FrmLauncher::mnuPopupSupport_Click);
    item("mnuPopupAbout", tr("&About..."), &FrmLauncher::mnuPopupAbout_Click);
    // The caption of the active set is read when the menu opens, not kept from the start.
    connect(mnuPopup_, &QMenu::aboutToShow, this, [this] { refreshIfChanged(); });
}

int FrmLauncher::twips(int value) const {
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    return value * dpi / 1440;
}

int FrmLauncher::narrowWidth() const {
    // Wide enough for a window manager's title bar to show the whole caption beside its buttons
    // (about three buttons and the icon), in a bold title font.
    QFont title = font();
    title.setBold(true);
    const int caption = QFontMetrics(title).horizontalAdvance(windowTitle()) + 4 * 28;
    return std::max(twips(NarrowTwips), caption);
}

int FrmLauncher::wideWidth() const {
    // Never so narrow that the set panel's buttons are cut.
    const int spacing = layout()->spacing();
    return std::max(twips(WideTwips),
                    narrowWidth() + spacing + fraSets_->minimumSizeHint().width());
}

bool FrmLauncher::isWide() const {
    return !fraSets_->isHidden();
}

void FrmLauncher::setWide(bool wide) {
    const QMargins m = layout()->contentsMargins();
    pnlLeft_->setFixedWidth(narrowWidth() - m.left() - m.right());
    fraSets_->setVisible(wide);
    setFixedWidth(wide ? wideWidth() : narrowWidth());
    fitHeight();
}

void FrmLauncher::fitHeight() {
    const int leftHeight = pnlLeft_->hasHeightForWidth()
                               ? pnlLeft_->heightForWidth(pnlLeft_->width())
                               : pnlLeft_->sizeHint().height();
    const QMargins m = layout()->contentsMargins();
    setFixedHeight(std::max(leftHeight, fraSets_->minimumSizeHint().height()) + m.top() +
                   m.bottom());
}

// ---- Start-up ----

void FrmLauncher::Form_Load() {
    loaded_ = false;
    setEnabled(false);
    setWide(false);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    lblVersion_->setText(Startup::versionLabel());
    Get_FontsFolder(app_, ctx_.fonts.registry);
    Load_SystemFonts(app_.systemFonts, ctx_.fonts.desktop);
    Show_Status();
    show();
    yield();
    // The desktop must hide what the database says: a set lost since (a new session), or a state
    // left behind by a program that was cut off, is applied again; a state in step costs one
    // comparison.
    runGuarded([this] {
        Recover_InterruptedWork(ctx_);
        Reapply_ActiveSet(ctx_);
    });
    Show_Status();
    timer_->start();
}

void FrmLauncher::Timer1_Timer() {
    timer_->stop();
    loaded_ = true;
    setEnabled(true);
    Add_TrayIcon();
    trayPoll_->start(trayPollMs);
}

void FrmLauncher::Add_TrayIcon() {
    imgSplash_->setVisible(false);
    fraButtons_->setVisible(true);
    const bool tray = trayAvailable();
    if (tray) {
        tray_->show();
        lblTray_->setVisible(false);
    } else {
        // Without a tray the window is the only way to the program: it stays.
        tray_->hide();
        lblTray_->setVisible(true);
    }
    // In a tray the program has no place of its own in the task bar; without one it needs it.
    if ((windowType() == Qt::Tool) != tray) {
        const bool visible = isVisible();
        const QPoint at = pos();
        setWindowFlag(Qt::Tool, tray);
        move(at);
        if (visible || !tray) showWindow();
    }
    inTray_ = tray;
    fitHeight();
}

void FrmLauncher::watchTray() {
    if (ending_ || operating_) return;
    if (trayAvailable() != inTray_) Add_TrayIcon();
}

// ---- What the window shows ----

QString FrmLauncher::readActivatedSet() {
    try {
        return activatedSet(app_);
    } catch (const DbError&) {
        // The database cannot be read just now (another program holds it): keep what is shown.
        return shownSet_;
    }
}

void FrmLauncher::setStatus(const QString& text, bool highlight) {
    lblStatus_->setText(text);
    QPalette palette = lblStatus_->palette();
    palette.setColor(
        QPalette::WindowText,
        QApplication::palette().color(highlight ? QPalette::Highlight : QPalette::WindowText));
    lblStatus_->setPalette(palette);
}

void FrmLauncher::Show_Status() {
    const QString set = readActivatedSet();
    shownSet_ = set;
    shownOnce_ = true;
    if (set.isEmpty()) {
        setStatus(tr("Letterbay's active set:  All\n\nAll fonts are available."), false);
        mnuPopupActive_->setText(tr("Active &Set:  All"));
    } else {
        setStatus(tr("Letterbay's active set:  %1\n\nOnly its fonts are available.").arg(set),
                  true);
        mnuPopupActive_->setText(tr("Active &Set:  %1").arg(menuText(set)));
    }
    fitHeight();
}

void FrmLauncher::Show_Sets() {
    setWide(true);
    const QSignalBlocker quiet(lstSets_);
    lstSets_->clear();
    const QString active = readActivatedSet();
    cmdActivate_->setEnabled(false);
    cmdAll_->setEnabled(!active.isEmpty());
    QStringList names;
    try {
        names = setNames(app_);
    } catch (const DbError&) {
        // Busy just now: the empty list differs from the sets, so the next activation fills it.
        return;
    }
    if (names.isEmpty()) return;
    lstSets_->addItems(names);
    // The active set is shown selected, so the list says which one it is.
    for (int i = 0; i < lstSets_->count(); ++i)
        if (!active.isEmpty() && compareNoCase(lstSets_->item(i)->text(), active) == 0)
            lstSets_->setCurrentRow(i);
}

void FrmLauncher::refreshIfChanged() {
    if (operating_ || ending_ || !app_.db) return;
    const QString now = readActivatedSet();
    if (!shownOnce_ || now != shownSet_) {
        Show_Status();
        if (isWide()) Show_Sets();
        return;
    }
    if (!isWide()) return;
    QStringList listed;
    for (int i = 0; i < lstSets_->count(); ++i)
        listed << lstSets_->item(i)->text();
    try {
        if (setNames(app_) != listed) Show_Sets();
    } catch (const DbError&) {
        // Busy just now: the list stays, and is compared again at the next activation.
    }
}

void FrmLauncher::showWindow() {
    showNormal();
    raise();
    activateWindow();
}

void FrmLauncher::hideWindow() {
    // Hidden without a tray, the window could not be found again.
    if (inTray_)
        hide();
    else
        showMinimized();
}

// ---- Commands ----

void FrmLauncher::runGuarded(const std::function<void()>& operation) {
    if (operating_) return;
    operating_ = true;
    for (QAction* a : mnuPopup_->actions())
        a->setEnabled(false);
    try {
        operation();
    } catch (const std::exception& e) {
        // The operation's transaction has been undone: the database says what holds.
        showProgress(false);
        app_.messages.pointer().set(MousePointer::Default);
        setWindowEnabled(true);
        app_.messages.ask(MessageKind::Critical, LauncherTitle,
                          operationFailureText(e, app_.lineBreak));
        Show_Status();
    }
    for (QAction* a : mnuPopup_->actions())
        a->setEnabled(true);
    operating_ = false;
    if (endRequested_) {
        Shut_Down();
        return;
    }
    refreshIfChanged();
}

void FrmLauncher::lstSets_Click() {
    const QListWidgetItem* item = lstSets_->currentItem();
    if (!item || !item->isSelected()) {
        cmdActivate_->setEnabled(false);
        return;
    }
    cmdActivate_->setEnabled(compareNoCase(item->text(), readActivatedSet()) != 0);
}

void FrmLauncher::cmdActivate_Click() {
    const QListWidgetItem* item = lstSets_->currentItem();
    if (!item) return;
    const QString set = item->text();
    runGuarded([this, set] { Activate_Sets(ctx_, set, true); });
}

void FrmLauncher::cmdAll_Click() {
    runGuarded([this] { Activate_Sets(ctx_, QString(), false); });
}

void FrmLauncher::cmdDisplay_Click() {
    if (cmdDisplay_->text() != tr(DisplaySets)) {
        cmdDisplay_->setText(tr(DisplaySets));
        displayTopic_ = HelpStatus;
        setWide(false);
    } else {
        cmdDisplay_->setText(tr(HideSets));
        displayTopic_ = HelpSets;
        Show_Sets();
    }
    cmdDisplay_->setWhatsThis(whatsThisText(QStringLiteral("cmdDisplay.%1").arg(displayTopic_)));
    showWindow();
}

void FrmLauncher::mnuPopupActive_Click() {
    if (operating_) return;
    cmdDisplay_->setText(tr("<<&Hide Sets"));
    cmdDisplay_Click();
}

void FrmLauncher::mnuPopupSets_Click() {
    if (operating_) return;
    cmdDisplay_->setText(tr(DisplaySets));
    cmdDisplay_Click();
}

void FrmLauncher::startLetterbay() {
    // A window already open comes forward, as a second start of this program brings this one's.
    if (SingleInstance::askToShow(QStringLiteral("letterbay"))) return;
    const QString program = programFolder + QStringLiteral("/letterbay");
    if (QProcess::startDetached(program, {})) return;
    app_.messages.ask(MessageKind::Critical, LauncherTitle,
                      tr("Letterbay could not be started: %1 cannot be run.").arg(program));
}

void FrmLauncher::cmdRun_Click() {
    startLetterbay();
    hideWindow();
}

void FrmLauncher::mnuPopupLetterbay_Click() {
    if (operating_) return;
    cmdRun_Click();
}

void FrmLauncher::cmdOK_Click() {
    hideWindow();
}

void FrmLauncher::cmdClose_Click() {
    Messenger& m = app_.messages;
    if (m.askYes(MessageKind::Question, tr("Confirm Exit"),
                 tr("Are you sure you want to exit %1?  Exiting removes %1 from the system tray.")
                     .arg(LauncherTitle)))
        Shut_Down();
    else
        hideWindow();
}

void FrmLauncher::mnuPopupClose_Click() {
    if (operating_) return;
    Shut_Down();
}

void FrmLauncher::cmdHelp_Click() {
    showHelp(HelpLauncher);
}

void FrmLauncher::mnuPopupAbout_Click() {
    auto* box = new FrmAbout(nullptr, LauncherTitle);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

void FrmLauncher::mnuPopupSupport_Click() {
    FrmTechSupport box;
    box.exec();
}

void FrmLauncher::trayActivated(QSystemTrayIcon::ActivationReason reason) {
    if (trayBusy_ || operating_ || ending_) return;
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick) return;
    trayBusy_ = true;
    refreshIfChanged();
    if (cmdDisplay_->text() != tr(DisplaySets)) {
        displayTopic_ = HelpSets;
        Show_Sets();
    } else {
        displayTopic_ = HelpStatus;
        setWide(false);
    }
    showWindow();
    trayBusy_ = false;
}

void FrmLauncher::showRequested() {
    if (ending_) return;
    refreshIfChanged();
    showWindow();
}

void FrmLauncher::Shut_Down() {
    if (ending_) return;
    ending_ = true;
    timer_->stop();
    trayPoll_->stop();
    tray_->hide();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible()) w->close();
    close();
    app_.closeAll();
    endProgram();
}

void FrmLauncher::requestEnd() {
    if (operating_)
        endRequested_ = true;
    else
        Shut_Down();
}

void FrmLauncher::closeEvent(QCloseEvent* event) {
    if (ending_) {
        event->accept();
        return;
    }
    event->ignore();
    if (!loaded_ || operating_) return;
    if (inTray_) {
        hide();
        return;
    }
    // Without a tray, closing the window is the way out: asked as Exit asks.
    Messenger& m = app_.messages;
    if (m.askYes(MessageKind::Question, tr("Confirm Exit"),
                 tr("Are you sure you want to exit %1?  Exiting removes %1 from the system tray.")
                     .arg(LauncherTitle)))
        Shut_Down();
}

void FrmLauncher::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) refreshIfChanged();
    QWidget::changeEvent(event);
}

// ---- OperationView ----

void FrmLauncher::showProgress(bool visible) {
    barProgress_->setVisible(visible);
}

void FrmLauncher::setProgressRange(int minimum, int maximum) {
    barProgress_->setRange(minimum, maximum);
}

void FrmLauncher::setProgressValue(int value) {
    barProgress_->setValue(value);
}

void FrmLauncher::setWindowEnabled(bool enabled) {
    // Until the start-up timer fires the window takes no input, whatever an operation says.
    setEnabled(enabled && loaded_);
}

void FrmLauncher::yield() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void FrmLauncher::focusSetBox() {
    lstSets_->setFocus();
}

void FrmLauncher::activationStarted(const QString& set) {
    if (set.isEmpty())
        setStatus(tr("Activating all sets..."), false);
    else
        setStatus(tr("Activating %1...").arg(set), true);
}

void FrmLauncher::activationApplied(const QString&) {
    cmdDisplay_->setText(tr(DisplaySets));
    displayTopic_ = HelpStatus;
    setWide(false);
    Show_Status();
    if (!isVisible()) showWindow();
}

} // namespace lb
