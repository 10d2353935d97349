#include "ui/frm_main.h"

#include "activation/activation.h"
#include "catalogue/font_lists.h"
#include "catalogue/refresh.h"
#include "catalogue/system_fonts.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/startup.h"
#include "ui/font_state_delegate.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

namespace lb {

FrmMain::FrmMain(AppState& app, FontPlatform& fonts, QWidget* parent)
    : QMainWindow(parent), app_(app), ctx_{app, fonts, *this, allFonts_, assignedFonts_} {
    setObjectName(QStringLiteral("frmMain"));
    endProgram = [] { QCoreApplication::quit(); };
    buildMenus();
    buildLayout();
}

FrmMain::~FrmMain() = default;

void FrmMain::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuMenuFile"));
    mnuFileRefresh_ = file->addAction(QStringLiteral("&Refresh Fonts"), this, [this] { mnuFileRefresh_Click(); });
    mnuFileRefresh_->setObjectName(QStringLiteral("mnuFileRefresh"));
    file->addSeparator()->setObjectName(QStringLiteral("mnuFileBreakExit"));
    mnuFileExit_ = file->addAction(QStringLiteral("E&xit"), this, [this] { mnuFileExit_Click(); });
    mnuFileExit_->setObjectName(QStringLiteral("mnuFileExit"));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuMenuEdit"));
    mnuEditAddAutoAssign_ =
        edit->addAction(QStringLiteral("AutoAssign on &Install/Refresh"), this, [this] { mnuEditAddAutoAssign_Click(); });
    mnuEditAddAutoAssign_->setObjectName(QStringLiteral("mnuEditAddAutoAssign"));
    mnuEditAddAutoAssign_->setCheckable(true);
    mnuEditRemoveAutoAssign_ = edit->addAction(QStringLiteral("Re&move AutoAssign on Unassign"), this,
                                               [this] { mnuEditRemoveAutoAssign_Click(); });
    mnuEditRemoveAutoAssign_->setObjectName(QStringLiteral("mnuEditRemoveAutoAssign"));
    mnuEditRemoveAutoAssign_->setCheckable(true);
    edit->addSeparator()->setObjectName(QStringLiteral("mnuEditActiveBreak"));
    mnuEditActiveAll_ = edit->addAction(QStringLiteral("Activate All &Sets"), this, [this] { mnuEditActiveAll_Click(); });
    mnuEditActiveAll_->setObjectName(QStringLiteral("mnuEditActiveAll"));
    mnuEditActiveSelected_ = edit->addAction(QStringLiteral("Acti&vate Selected Set Only"), this,
                                             [this] { mnuEditActiveSelected_Click(); });
    mnuEditActiveSelected_->setObjectName(QStringLiteral("mnuEditActiveSelected"));

    // Holds the context menus; never shown in the menu bar.
    mnuPopup_ = new QMenu(QStringLiteral("PopupMenu"), this);
    mnuPopup_->setObjectName(QStringLiteral("mnuPopup"));
}

void FrmMain::buildLayout() {
    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);

    auto* lblFonts = new QLabel(QStringLiteral("All Fonts"), central);
    lblFonts->setObjectName(QStringLiteral("lblFonts"));
    txtAll_ = new QLineEdit(central);
    txtAll_->setObjectName(QStringLiteral("txtAll"));
    grdAll_ = new QListView(central);
    grdAll_->setObjectName(QStringLiteral("grdFonts1"));
    chkFilter_ = new QCheckBox(QStringLiteral("<-- Unassigned only"), central);
    chkFilter_->setObjectName(QStringLiteral("chkFilter"));

    auto* lblSets = new QLabel(QStringLiteral("Sets"), central);
    lblSets->setObjectName(QStringLiteral("lblSets"));
    cmbSets_ = new QComboBox(central);
    cmbSets_->setObjectName(QStringLiteral("cmbSets"));
    cmbSets_->setEditable(true);
    cmbSets_->setInsertPolicy(QComboBox::NoInsert);
    auto* lblAssigned = new QLabel(QStringLiteral("Assigned Fonts"), central);
    lblAssigned->setObjectName(QStringLiteral("lblAssigned"));
    txtAssigned_ = new QLineEdit(central);
    txtAssigned_->setObjectName(QStringLiteral("txtAssigned"));
    grdAssigned_ = new QListView(central);
    grdAssigned_->setObjectName(QStringLiteral("grdFonts2"));

    for (QListView* list : {grdAll_, grdAssigned_}) {
        list->setItemDelegate(new FontStateDelegate(list));
        list->setUniformItemSizes(true);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        QFont f = list->font();
        f.setPointSizeF(8.25);
        list->setFont(f);
    }
    grdAll_->setModel(&allFonts_);
    grdAssigned_->setModel(&assignedFonts_);

    grid->addWidget(lblFonts, 0, 0);
    grid->addWidget(txtAll_, 1, 0);
    grid->addWidget(grdAll_, 2, 0, 3, 1);
    grid->addWidget(chkFilter_, 5, 0);
    grid->addWidget(lblSets, 0, 1);
    grid->addWidget(cmbSets_, 1, 1);
    grid->addWidget(lblAssigned, 2, 1);
    grid->addWidget(txtAssigned_, 3, 1);
    grid->addWidget(grdAssigned_, 4, 1, 2, 1);
    grid->setRowStretch(4, 1);

    barProgress_ = new QProgressBar(central);
    barProgress_->setObjectName(QStringLiteral("barProgress"));
    barProgress_->setVisible(false);
    barProgress_->setTextVisible(false);
    grid->addWidget(barProgress_, 6, 0, 1, 2);
    setCentralWidget(central);

    statusBar()->setObjectName(QStringLiteral("barStatus"));
    panel1_ = new QLabel(this);
    panel1_->setObjectName(QStringLiteral("barStatusPanel1"));
    panel1_->setFixedWidth(24);
    panel2_ = new QLabel(this);
    panel2_->setObjectName(QStringLiteral("barStatusPanel2"));
    panel3_ = new QLabel(fontCountText(0), this);
    panel3_->setObjectName(QStringLiteral("barStatusPanel3"));
    statusBar()->addWidget(panel1_);
    statusBar()->addWidget(panel2_, 1);
    statusBar()->addPermanentWidget(panel3_);

    connect(cmbSets_, &QComboBox::textActivated, this, [this](const QString& text) {
        app_.currentSetName = text;
        runGuarded([this] {
            writeSetting(app_, fld::SelectedSet, app_.currentSetName);
            Fill_AssignedFonts(ctx_);
        });
    });
}

double FrmMain::twipsPerPixel() const {
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    return 1440.0 / dpi;
}

void FrmMain::runGuarded(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const std::exception& e) {
        // The operation's transaction has been undone; show the lists as the data now is.
        setWindowEnabled(true);
        showProgress(false);
        app_.messages.pointer().set(MousePointer::Default);
        app_.messages.title = AppTitle;
        app_.messages.text = QStringLiteral("The operation could not be completed: ") + QString::fromUtf8(e.what());
        app_.messages.Msg_Critical();
        try {
            Fill_AllFonts(ctx_);
        } catch (const DbError&) {
        }
    }
}

void FrmMain::Form_Load() {
    AppState& app = app_;
    app.openMainDataSources();

    const double tpp = twipsPerPixel();
    const QVariant height = readSetting(app, fld::Height);
    const QVariant width = readSetting(app, fld::Width);
    if (height.toDouble() > 0 && width.toDouble() > 0)
        resize(int(width.toDouble() / tpp), int(height.toDouble() / tpp));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - frameGeometry().width()) / 2,
             area.y() + (area.height() - frameGeometry().height()) / 2);
    }
    app.messages.title = QStringLiteral("Letterbay");
    setWindowTitle(AppTitle);
    mnuPopup_->menuAction()->setVisible(false);
    allFonts_.clear();
    assignedFonts_.clear();

    app.setActivated = !activatedSet(app).isEmpty();
    app.addAutoAssign = switchOn(readSetting(app, fld::AddAutoAssign));
    app.removeAutoAssign = switchOn(readSetting(app, fld::RemoveAutoAssign));
    mnuEditAddAutoAssign_->setChecked(app.addAutoAssign);
    mnuEditRemoveAutoAssign_->setChecked(app.removeAutoAssign);

    Get_FontsFolder(app, ctx_.fonts.registry);
    Load_SystemFonts(app.systemFonts, ctx_.fonts.desktop);

    // From here on a failing step does not stop the load.
    try {
        if (app.datFonts->recordCount() == 0) {
            app.datAuto->moveLast();
            const int rows = app.datAuto->recordCount();
            show();
            app.messages.title = QStringLiteral("Initial Retrieval of TrueType Fonts");
            app.messages.text = welcomeText(rows, app.lineBreak);
            app.messages.Msg_Question();
            app.addAutoAssign = app.messages.answeredYes();
            app.removeAutoAssign = false;
            mnuEditAddAutoAssign_->setChecked(app.addAutoAssign);
            mnuEditRemoveAutoAssign_->setChecked(false);
            writeSettings(app, {{fld::AddAutoAssign, app.addAutoAssign}, {fld::RemoveAutoAssign, false}});
            Refresh_Fonts();
        } else {
            Fill_AllFonts(ctx_);
            fillSets();
            show();
            focusSetBox();
        }
    } catch (const DbError&) {
        show();
    }
    handleButtons();
    if (app.setActivated) {
        try {
            setSetBoxText(activatedSet(app));
            app.currentSetName = setBoxText();
            Fill_AssignedFonts(ctx_);
            Reapply_ActiveSet(ctx_);
        } catch (const DbError&) {
        }
    }
}

void FrmMain::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        app_.messages.title = QStringLiteral("Letterbay");
    QMainWindow::changeEvent(event);
}

bool FrmMain::Confirm_Exit() {
    app_.messages.title = QStringLiteral("Confirm Exit");
    app_.messages.text = QStringLiteral("Are you sure you want to exit ") + AppTitle + QStringLiteral("?");
    app_.messages.Msg_Question();
    return app_.messages.answeredYes();
}

void FrmMain::saveSize() {
    try {
        const double tpp = twipsPerPixel();
        writeSettings(app_, {{fld::Height, double(height()) * tpp}, {fld::Width, double(width()) * tpp}});
    } catch (const DbError&) {
    }
}

void FrmMain::mnuFileExit_Click() {
    if (!Confirm_Exit())
        return;
    saveSize();
    app_.lastResult = QStringLiteral("Exit");
    Shut_Down();
    endProgram();
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (app_.lastResult.toString() == QLatin1String("Exit")) {
        event->accept();
        return;
    }
    if (!Confirm_Exit()) {
        event->ignore();
        return;
    }
    saveSize();
    app_.lastResult = QStringLiteral("Exit");
    event->accept();
    Shut_Down();
    endProgram();
}

void FrmMain::Shut_Down() {
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (int i = int(windows.size()); i >= 1; --i) {
        QWidget* w = windows[i - 1];
        if (w != this && w->isVisible())
            w->close();
    }
    if (isVisible())
        close();
    app_.closeAll();
}

void FrmMain::Refresh_Fonts() {
    runGuarded([this] { lb::Refresh_Fonts(ctx_); });
}

void FrmMain::mnuFileRefresh_Click() {
    yield();
    Refresh_Fonts();
}

void FrmMain::mnuEditActiveSelected_Click() {
    app_.setActivated = true;
    runGuarded([this] { Activate_Sets(ctx_); });
}

void FrmMain::mnuEditActiveAll_Click() {
    app_.setActivated = false;
    runGuarded([this] { Activate_Sets(ctx_); });
}

void FrmMain::mnuEditAddAutoAssign_Click() {
    app_.addAutoAssign = mnuEditAddAutoAssign_->isChecked();
    runGuarded([this] { writeSetting(app_, fld::AddAutoAssign, app_.addAutoAssign); });
}

void FrmMain::mnuEditRemoveAutoAssign_Click() {
    app_.removeAutoAssign = mnuEditRemoveAutoAssign_->isChecked();
    runGuarded([this] { writeSetting(app_, fld::RemoveAutoAssign, app_.removeAutoAssign); });
}

// ---- OperationView ----

void FrmMain::setMessage(const QString& text) {
    panel2_->setText(text);
}

void FrmMain::setFontCount(const QString& text) {
    panel3_->setText(text);
}

void FrmMain::showProgress(bool visible) {
    barProgress_->setVisible(visible);
}

void FrmMain::setProgressRange(int minimum, int maximum) {
    barProgress_->setRange(minimum, maximum);
}

void FrmMain::setProgressValue(int value) {
    barProgress_->setValue(value);
}

int FrmMain::progressValue() const {
    return barProgress_->value();
}

int FrmMain::progressMaximum() const {
    return barProgress_->maximum();
}

void FrmMain::setWindowEnabled(bool enabled) {
    setEnabled(enabled);
}

void FrmMain::yield() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void FrmMain::fillSets() {
    cmbSets_->clear();
    cmbSets_->setEditText(QString());
    const QStringList names = setNames(app_);
    if (names.isEmpty())
        return;
    cmbSets_->addItems(names);
    cmbSets_->setCurrentIndex(-1);
    cmbSets_->setEditText(QString());
    setMessage(QStringLiteral("Display Assigned Fonts by selecting a set."));
}

void FrmMain::clearAssignedFonts() {
    assignedFonts_.clear();
}

void FrmMain::fillAssignedFonts() {
    Fill_AssignedFonts(ctx_);
}

void FrmMain::handleButtons() {
    // The full enabling rules arrive with the set and assignment commands.
    mnuEditActiveAll_->setEnabled(true);
    mnuEditActiveSelected_->setEnabled(true);
}

QString FrmMain::setBoxText() const {
    return cmbSets_->currentText();
}

void FrmMain::setSetBoxText(const QString& text) {
    const int i = cmbSets_->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    cmbSets_->setCurrentIndex(i);
    cmbSets_->setEditText(text);
}

void FrmMain::focusSetBox() {
    cmbSets_->setFocus();
}

} // namespace lb
