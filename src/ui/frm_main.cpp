#include "ui/frm_main.h"

#include "activation/activation.h"
#include "catalogue/font_lists.h"
#include "catalogue/refresh.h"
#include "catalogue/system_fonts.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/startup.h"
#include "sets/assignment.h"
#include "sets/set_maintenance.h"
#include "ui/dialogs.h"
#include "ui/font_grid.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
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
    auto item = [this](QMenu* menu, const char* name, const QString& caption,
                       void (FrmMain::*slot)()) {
        QAction* a = menu->addAction(caption, this, [this, slot] { (this->*slot)(); });
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    auto separator = [](QMenu* menu, const char* name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuMenuFile"));
    mnuFileRefresh_ = item(file, "mnuFileRefresh", QStringLiteral("&Refresh Fonts"),
                           &FrmMain::mnuFileRefresh_Click);
    separator(file, "mnuFileBreakExit");
    mnuFileExit_ = item(file, "mnuFileExit", QStringLiteral("E&xit"), &FrmMain::mnuFileExit_Click);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuMenuEdit"));
    mnuEditAddAutoAssign_ =
        item(edit, "mnuEditAddAutoAssign", QStringLiteral("AutoAssign on &Install/Refresh"),
             &FrmMain::mnuEditAddAutoAssign_Click);
    mnuEditAddAutoAssign_->setCheckable(true);
    mnuEditRemoveAutoAssign_ =
        item(edit, "mnuEditRemoveAutoAssign", QStringLiteral("Re&move AutoAssign on Unassign"),
             &FrmMain::mnuEditRemoveAutoAssign_Click);
    mnuEditRemoveAutoAssign_->setCheckable(true);
    separator(edit, "mnuEditAssignBreak");
    mnuEditAddSelected_ =
        item(edit, "mnuEditAddSelected", QStringLiteral("&Assign Selected Fonts to Set"),
             &FrmMain::mnuEditAddSelected_Click);
    mnuEditAddAll_ = item(edit, "mnuEditAddAll", QStringLiteral("Assi&gn All Fonts to Set"),
                          &FrmMain::mnuEditAddAll_Click);
    mnuEditRemoveSelected_ =
        item(edit, "mnuEditRemoveSelected", QStringLiteral("&Unassign Selected Fonts from Set"),
             &FrmMain::mnuEditRemoveSelected_Click);
    mnuEditRemoveAll_ =
        item(edit, "mnuEditRemoveAll", QStringLiteral("U&nassign All Fonts from Set"),
             &FrmMain::mnuEditRemoveAll_Click);
    separator(edit, "mnuEditAllSetsBreak");
    item(edit, "mnuEditAssignSets", QStringLiteral("Assign Selected Fonts t&o All Sets"),
         &FrmMain::mnuEditAssignSets_Click);
    item(edit, "mnuEditUnassignSets", QStringLiteral("Unassign Selected Fonts &from All Sets"),
         &FrmMain::mnuEditUnassignSets_Click);
    separator(edit, "mnuEditDeleteBreak");
    mnuEditDelete_ =
        item(edit, "mnuEditDelete", QStringLiteral("&Delete"), &FrmMain::mnuEditDelete_Click);
    mnuEditCopySet_ = item(edit, "mnuEditCopySet", QStringLiteral("&Copy Set..."),
                           &FrmMain::mnuEditCopySet_Click);
    mnuEditRenameSet_ = item(edit, "mnuEditRenameSet", QStringLiteral("&Rename Set..."),
                             &FrmMain::mnuEditRenameSet_Click);
    separator(edit, "mnuEditActiveBreak");
    mnuEditActiveAll_ = item(edit, "mnuEditActiveAll", QStringLiteral("Activate All &Sets"),
                             &FrmMain::mnuEditActiveAll_Click);
    mnuEditActiveSelected_ =
        item(edit, "mnuEditActiveSelected", QStringLiteral("Acti&vate Selected Set Only"),
             &FrmMain::mnuEditActiveSelected_Click);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnuMenuView"));
    item(view, "mnuViewLegend", QStringLiteral("&Legend..."), &FrmMain::mnuViewLegend_Click);
    separator(view, "mnuViewSetsBreak");
    mnuViewSets_ =
        item(view, "mnuViewSets", QStringLiteral("&Assigned Sets..."), &FrmMain::mnuViewSets_Click);

    // Holds the context menus; never shown in the menu bar.
    mnuPopup_ = menuBar()->addMenu(QStringLiteral("PopupMenu"));
    mnuPopup_->setObjectName(QStringLiteral("mnuPopup"));
    mnuPopupFont_ = mnuPopup_->addMenu(QStringLiteral("Font"));
    mnuPopupFont_->setObjectName(QStringLiteral("mnuPopupFont"));
    separator(mnuPopupFont_, "mnuPopupFontAssignBreak");
    item(mnuPopupFont_, "mnuPopupFontAssign", QStringLiteral("&Assign to Set"),
         &FrmMain::mnuEditAddSelected_Click);
    item(mnuPopupFont_, "mnuPopupFontUnassign", QStringLiteral("&Unassign from Set"),
         &FrmMain::mnuEditRemoveSelected_Click);
    separator(mnuPopupFont_, "mnuPopupFontAllBreak");
    item(mnuPopupFont_, "mnuPopupFontAssignSets", QStringLiteral("Assign t&o All Sets"),
         &FrmMain::mnuEditAssignSets_Click);
    item(mnuPopupFont_, "mnuPopupFontUnassignSets", QStringLiteral("Unassign &from All Sets"),
         &FrmMain::mnuEditUnassignSets_Click);
    separator(mnuPopupFont_, "mnuPopupFontSetsBreak");
    item(mnuPopupFont_, "mnuPopupFontLegend", QStringLiteral("&Legend..."),
         &FrmMain::mnuViewLegend_Click);
    separator(mnuPopupFont_, "mnuPopupFontAssignedBreak");
    item(mnuPopupFont_, "mnuPopupFontSets", QStringLiteral("Assigned &Sets..."),
         &FrmMain::mnuViewSets_Click);
    showPopup = [this](QPoint at) { mnuPopupFont_->popup(at); };
}

void FrmMain::buildLayout() {
    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);

    lblFonts_ = new QLabel(QStringLiteral("All Fonts"), central);
    lblFonts_->setObjectName(QStringLiteral("lblFonts"));
    txtAll_ = new QLineEdit(central);
    txtAll_->setObjectName(QStringLiteral("txtAll"));
    grdAll_ = new FontGrid(central);
    grdAll_->setObjectName(QStringLiteral("grdFonts1"));
    chkFilter_ = new QCheckBox(QStringLiteral("<-- Unassigned only"), central);
    chkFilter_->setObjectName(QStringLiteral("chkFilter"));

    lblSets_ = new QLabel(QStringLiteral("Sets"), central);
    lblSets_->setObjectName(QStringLiteral("lblSets"));
    cmbSets_ = new QComboBox(central);
    cmbSets_->setObjectName(QStringLiteral("cmbSets"));
    cmbSets_->setEditable(true);
    cmbSets_->setInsertPolicy(QComboBox::NoInsert);
    // The box gives exactly what was typed: its completer would complete "Ser" to "Serif".
    cmbSets_->setCompleter(nullptr);
    cmbSets_->setMinimumWidth(200);
    lblAssigned_ = new QLabel(QStringLiteral("Assigned Fonts"), central);
    lblAssigned_->setObjectName(QStringLiteral("lblAssigned"));
    txtAssigned_ = new QLineEdit(central);
    txtAssigned_->setObjectName(QStringLiteral("txtAssigned"));
    grdAssigned_ = new FontGrid(central);
    grdAssigned_->setObjectName(QStringLiteral("grdFonts2"));
    grdAll_->setModel(&allFonts_);
    grdAssigned_->setModel(&assignedFonts_);

    auto* buttons = new QVBoxLayout;
    const QString captions[4] = {QStringLiteral("&Assign -->"), QStringLiteral("Assi&gn All -->>"),
                                 QStringLiteral("<-- &Unassign"),
                                 QStringLiteral("<<-- Unassig&n All")};
    void (FrmMain::*commands[4])() = {
        &FrmMain::mnuEditAddSelected_Click, &FrmMain::mnuEditAddAll_Click,
        &FrmMain::mnuEditRemoveSelected_Click, &FrmMain::mnuEditRemoveAll_Click};
    buttons->addStretch();
    for (int i = 0; i < 4; ++i) {
        cmdAdd_[i] = new QPushButton(captions[i], central);
        cmdAdd_[i]->setObjectName(QStringLiteral("cmdAdd%1").arg(i));
        connect(cmdAdd_[i], &QPushButton::clicked, this, [this, c = commands[i]] { (this->*c)(); });
        buttons->addWidget(cmdAdd_[i]);
    }
    buttons->addStretch();

    grid->addWidget(lblFonts_, 0, 0);
    grid->addWidget(txtAll_, 1, 0);
    grid->addWidget(grdAll_, 2, 0, 3, 1);
    grid->addWidget(chkFilter_, 5, 0);
    grid->addLayout(buttons, 2, 1, 3, 1);
    grid->addWidget(lblSets_, 0, 2);
    grid->addWidget(cmbSets_, 1, 2);
    grid->addWidget(lblAssigned_, 2, 2);
    grid->addWidget(txtAssigned_, 3, 2);
    grid->addWidget(grdAssigned_, 4, 2, 2, 1);
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(2, 1);

    barProgress_ = new QProgressBar(central);
    barProgress_->setObjectName(QStringLiteral("barProgress"));
    barProgress_->setVisible(false);
    barProgress_->setTextVisible(false);
    grid->addWidget(barProgress_, 6, 0, 1, 3);
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

    connect(cmbSets_, QOverload<int>::of(&QComboBox::activated), this,
            [this](int) { cmbSets_Click(); });
    cmbSets_->installEventFilter(this);
    cmbSets_->lineEdit()->installEventFilter(this);
    for (QLabel* caption : {lblFonts_, lblAssigned_, lblSets_})
        caption->installEventFilter(this);
    connect(chkFilter_, &QCheckBox::clicked, this, [this] { chkFilter_Click(); });
    connect(txtAll_, &QLineEdit::textChanged, this, [this](const QString& t) {
        const int row = findRow(allFonts_, t);
        if (row >= 0) grdAll_->setTopRow(row);
    });
    connect(txtAssigned_, &QLineEdit::textChanged, this, [this](const QString& t) {
        const int row = findRow(assignedFonts_, t);
        if (row >= 0) grdAssigned_->setTopRow(row);
    });
    int index = 1;
    for (FontGrid* g : {grdAll_, grdAssigned_}) {
        connect(g, &FontGrid::rowPressed, this,
                [this, index](int row, int button, int shift, QPoint at) {
                    grdFonts_MouseDown(index, row, button, shift, at);
                });
        connect(g, &FontGrid::rowClicked, this, [this, index] { grdFonts_Click(index); });
        connect(g, &FontGrid::rowDoubleClicked, this, [this, index] { grdFonts_DblClick(index); });
        ++index;
    }
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == cmbSets_ || watched == cmbSets_->lineEdit()) &&
        event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            cmbSets_KeyEnter();
            return true;
        }
    }
    if ((watched == cmbSets_ || watched == cmbSets_->lineEdit()) &&
        event->type() == QEvent::FocusIn)
        cmbSets_GotFocus();
    if (event->type() == QEvent::ToolTip || event->type() == QEvent::Enter) {
        if (auto* label = qobject_cast<QLabel*>(watched))
            label->setToolTip(captionTip(label->objectName()));
    }
    return QMainWindow::eventFilter(watched, event);
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
        app_.messages.text =
            QStringLiteral("The operation could not be completed: ") + QString::fromUtf8(e.what());
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

    disableDelete();
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
            writeSettings(
                app, {{fld::AddAutoAssign, app.addAutoAssign}, {fld::RemoveAutoAssign, false}});
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
    app_.messages.text =
        QStringLiteral("Are you sure you want to exit ") + AppTitle + QStringLiteral("?");
    app_.messages.Msg_Question();
    return app_.messages.answeredYes();
}

void FrmMain::saveSize() {
    try {
        const double tpp = twipsPerPixel();
        writeSettings(app_,
                      {{fld::Height, double(height()) * tpp}, {fld::Width, double(width()) * tpp}});
    } catch (const DbError&) {
    }
}

void FrmMain::mnuFileExit_Click() {
    if (!Confirm_Exit()) return;
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
        if (w != this && w->isVisible()) w->close();
    }
    if (isVisible()) close();
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
    QStringList names = setNames(app_);
    if (names.isEmpty()) return;
    // The set box keeps its list in alphabetical order, whatever the letter case.
    names.sort(Qt::CaseInsensitive);
    cmbSets_->addItems(names);
    cmbSets_->setCurrentIndex(-1);
    cmbSets_->setEditText(QString());
    setMessage(QStringLiteral("Display Assigned Fonts by selecting a set."));
}

void FrmMain::clearAssignedFonts() {
    assignedFonts_.clear();
    txtAssigned_->clear();
}

void FrmMain::fillAssignedFonts() {
    Fill_AssignedFonts(ctx_);
}

void FrmMain::handleButtons() {
    const ButtonStates b = Handle_Buttons(setBoxText(), allFonts_, assignedFonts_);
    cmdAdd_[0]->setEnabled(b.assign);
    mnuEditAddSelected_->setEnabled(b.assign);
    cmdAdd_[1]->setEnabled(b.assignAll);
    mnuEditAddAll_->setEnabled(b.assignAll);
    cmdAdd_[2]->setEnabled(b.unassign);
    mnuEditRemoveSelected_->setEnabled(b.unassign);
    cmdAdd_[3]->setEnabled(b.unassignAll);
    mnuEditRemoveAll_->setEnabled(b.unassignAll);
    mnuEditRenameSet_->setEnabled(b.setCommands);
    mnuEditCopySet_->setEnabled(b.setCommands);
    mnuEditActiveSelected_->setEnabled(b.setCommands);
    if (b.disableDelete) disableDelete();
    mnuViewSets_->setEnabled(!app_.pickedFontName.isEmpty());
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

void FrmMain::clearFindBox(int list) {
    QLineEdit* box = list == 1 ? txtAll_ : txtAssigned_;
    const QSignalBlocker quiet(box);
    box->clear();
}

void FrmMain::addSetEntry(const QString& name) {
    int at = 0;
    while (at < cmbSets_->count() && cmbSets_->itemText(at).compare(name, Qt::CaseInsensitive) < 0)
        ++at;
    const QString text = cmbSets_->currentText();
    cmbSets_->insertItem(at, name);
    cmbSets_->setEditText(text);
}

void FrmMain::removeSetEntry(const QString& name) {
    int i = cmbSets_->currentIndex();
    if (i < 0 || cmbSets_->itemText(i).compare(name, Qt::CaseInsensitive) != 0)
        i = cmbSets_->findText(name, Qt::MatchFixedString); // without regard to case
    if (i >= 0) cmbSets_->removeItem(i);
}

int FrmMain::setEntryCount() const {
    return cmbSets_->count();
}

void FrmMain::enableDelete(const QString& tip) {
    mnuEditDelete_->setEnabled(true);
    deleteTip_ = tip;
}

void FrmMain::disableDelete() {
    mnuEditDelete_->setEnabled(false);
    deleteTip_ = QStringLiteral("Delete");
}

int FrmMain::allFontsTopRow() const {
    return grdAll_->topRow();
}

void FrmMain::setAllFontsTopRow(int row) {
    grdAll_->setTopRow(row);
}

// ---- Lists and the set box ----

void FrmMain::grdFonts_MouseDown(int index, int row, int button, int shift, QPoint globalPos) {
    FontListModel& list = index == 1 ? allFonts_ : assignedFonts_;
    const PressResult r =
        pressRow(list, row, button, shift, press_, app_.pickedFontName,
                 index == 1 ? QStringLiteral("All Fonts") : QStringLiteral("Assigned Fonts"));
    if (!r.handled) return;
    if (r.picked) {
        app_.currentFontName = app_.pickedFontName;
        displayFont();
        if (index == 1) enableDelete(QStringLiteral("Delete Font"));
    }
    setMessage(r.status);
    if (r.showPopup) {
        preparePopup(index);
        if (showPopup) showPopup(globalPos);
    }
}

void FrmMain::preparePopup(int index) {
    auto act = [this](const char* name) {
        return mnuPopupFont_->findChild<QAction*>(QString::fromLatin1(name));
    };
    FontListModel& list = index == 1 ? allFonts_ : assignedFonts_;
    const bool single = list.selectedCount == 1;
    act("mnuPopupFontSets")->setVisible(single);
    act("mnuPopupFontAssignBreak")->setVisible(single);
    act("mnuPopupFontAssignedBreak")->setVisible(single);
    act("mnuPopupFontAssign")->setVisible(index == 1);
    act("mnuPopupFontAssign")->setEnabled(!setBoxText().isEmpty());
    act("mnuPopupFontUnassign")->setVisible(index == 2);
    act("mnuPopupFontUnassignSets")->setVisible(true);
    act("mnuPopupFontUnassignSets")->setEnabled(index == 2 || !chkFilter_->isChecked());
    act("mnuPopupFontLegend")->setVisible(index == 1);
}

void FrmMain::grdFonts_Click(int index) {
    if (index == 2) disableDelete();
    if (press_.lastButton == ButtonLeft) handleButtons();
}

void FrmMain::grdFonts_DblClick(int index) {
    grdFonts_Click(index);
    if (index == 1 && !app_.currentSetName.isEmpty())
        mnuEditAddSelected_Click();
    else if (index == 2)
        mnuEditRemoveSelected_Click();
}

QString FrmMain::captionTip(const QString& caption) {
    if (caption == QLatin1String("lblFonts"))
        return countTip(allFonts_.size(), QStringLiteral("font"), QStringLiteral("fonts"));
    if (caption == QLatin1String("lblAssigned"))
        return setBoxText().isEmpty() ? QString()
                                      : countTip(assignedFonts_.size(), QStringLiteral("font"),
                                                 QStringLiteral("fonts"));
    if (caption == QLatin1String("lblSets")) {
        QString active;
        try {
            active = activatedSet(app_);
        } catch (const DbError&) {
        }
        return setsTip(cmbSets_->count(), active);
    }
    return {};
}

void FrmMain::chkFilter_Click() {
    ctx_.unassignedOnly = chkFilter_->isChecked();
    setMessage(ctx_.unassignedOnly ? QStringLiteral("Displaying only unassigned fonts.")
                                   : QStringLiteral("Displaying all available fonts."));
    runGuarded([this] {
        txtAll_->clear();
        Fill_AllFonts(ctx_);
    });
}

void FrmMain::cmbSets_KeyEnter() {
    runGuarded([this] { Add_Set(ctx_); });
}

void FrmMain::cmbSets_Click() {
    runGuarded([this] {
        txtAssigned_->clear();
        Select_Set(ctx_);
    });
}

void FrmMain::cmbSets_GotFocus() {
    if (!setBoxText().isEmpty()) enableDelete(QStringLiteral("Delete Set"));
}

void FrmMain::mnuEditAddSelected_Click() {
    runGuarded([this] { Assign_Fonts(ctx_, false); });
}

void FrmMain::mnuEditAddAll_Click() {
    runGuarded([this] { Assign_AllFonts(ctx_); });
}

void FrmMain::mnuEditRemoveSelected_Click() {
    runGuarded([this] { Unassign_Fonts(ctx_, false); });
}

void FrmMain::mnuEditRemoveAll_Click() {
    runGuarded([this] { Unassign_Fonts(ctx_, true); });
}

void FrmMain::mnuEditAssignSets_Click() {
    runGuarded([this] { Assign_AllSets(ctx_); });
}

void FrmMain::mnuEditUnassignSets_Click() {
    runGuarded([this] { Unassign_AllSets(ctx_); });
}

void FrmMain::mnuEditDelete_Click() {
    // Deleting fonts from a focused list comes with font deletion; the set box deletes its set.
    QWidget* focus = QApplication::focusWidget();
    if (focus == cmbSets_ || focus == cmbSets_->lineEdit())
        runGuarded([this] { Delete_Set(ctx_); });
}

void FrmMain::mnuEditCopySet_Click() {
    runGuarded([this] {
        app_.datSets->refresh();
        FrmCopySet dialog(ctx_, this);
        dialog.exec();
    });
}

void FrmMain::mnuEditRenameSet_Click() {
    runGuarded([this] { Rename_Set(ctx_); });
}

void FrmMain::mnuViewLegend_Click() {
    auto* legend = new FrmMainLegend(this);
    legend->setAttribute(Qt::WA_DeleteOnClose);
    legend->show();
}

void FrmMain::mnuViewSets_Click() {
    if (app_.pickedFontName.isEmpty()) return;
    runGuarded([this] {
        FrmSets dialog(ctx_, this);
        dialog.exec();
    });
}

} // namespace lb
