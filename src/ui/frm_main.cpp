#include "ui/frm_main.h"

#include "activation/activation.h"
#include "activation/deletion.h"
#include "activation/interrupted_work.h"
#include "catalogue/font_lists.h"
#include "catalogue/refresh.h"
#include "catalogue/system_fonts.h"
#include "core/nocase.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/startup.h"
#include "reports/printing.h"
#include "sets/assignment.h"
#include "sets/set_maintenance.h"
#include "ui/dialogs.h"
#include "ui/font_grid.h"
#include "ui/frm_about.h"
#include "ui/frm_document_fonts.h"
#include "ui/frm_font_check.h"
#include "ui/frm_font_preview.h"
#include "ui/frm_history.h"
#include "ui/frm_print_setup.h"
#include "ui/frm_properties.h"
#include "ui/help.h"
#include "ui/sample_frame.h"
#include "ui/sample_grid.h"

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
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace lb {

FrmMain::FrmMain(AppState& app, FontPlatform& fonts, QWidget* parent)
    : QMainWindow(parent), app_(app), ctx_{app, fonts, *this, allFonts_, assignedFonts_},
      pane_(ctx_, drawing_) {
    setObjectName(QStringLiteral("frmMain"));
    endProgram = [] { QCoreApplication::quit(); };
    buildLayout();
    applyWhatsThis(this);
}

FrmMain::~FrmMain() {
    // The focus moves while the window's children go: nothing of this window may answer then.
    disconnect(focusWatch_);
    // The preview window works on this window's data: it goes first.
    minimisedForPreview_ = false;
    delete frmFontPreview_.data();
}

void FrmMain::buildLayout() {
    auto* central = new QWidget(this);
    commands_ = buildCommands(*this, central);
    mnuPopup_ = commands_.popup;
    mnuPopupFont_ = commands_.popup->findChild<QMenu*>(QStringLiteral("mnuPopupFont"));
    // What another program changed shows, at the latest, when a menu closes: before the command
    // chosen in it runs, and never while it is open, where re-reading would close it and lose
    // the keys typed into it.
    for (QMenu* menu : menuBar()->findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToHide, this, [this] { refreshIfChanged(); });
    showPopup = [this](QPoint at) { mnuPopupFont_->popup(at); };
    auto* outer = new QVBoxLayout(central);
    auto* grid = new QGridLayout;

    lblFonts_ = new QLabel(tr("All Fonts"), central);
    lblFonts_->setObjectName(QStringLiteral("lblFonts"));
    txtAll_ = new QLineEdit(central);
    txtAll_->setObjectName(QStringLiteral("txtAll"));
    grdAll_ = new FontGrid(central);
    grdAll_->setObjectName(QStringLiteral("grdFonts1"));
    chkFilter_ = new QCheckBox(tr("<-- Unassigned only"), central);
    chkFilter_->setObjectName(QStringLiteral("chkFilter"));

    lblSets_ = new QLabel(tr("Sets"), central);
    lblSets_->setObjectName(QStringLiteral("lblSets"));
    cmbSets_ = new QComboBox(central);
    cmbSets_->setObjectName(QStringLiteral("cmbSets"));
    cmbSets_->setEditable(true);
    cmbSets_->setInsertPolicy(QComboBox::NoInsert);
    // The box gives exactly what was typed: its completer would complete "Ser" to "Serif".
    cmbSets_->setCompleter(nullptr);
    cmbSets_->setMinimumWidth(200);
    lblAssigned_ = new QLabel(tr("Assigned Fonts"), central);
    lblAssigned_->setObjectName(QStringLiteral("lblAssigned"));
    txtAssigned_ = new QLineEdit(central);
    txtAssigned_->setObjectName(QStringLiteral("txtAssigned"));
    grdAssigned_ = new FontGrid(central);
    grdAssigned_->setObjectName(QStringLiteral("grdFonts2"));
    grdAll_->setModel(&allFonts_);
    grdAssigned_->setModel(&assignedFonts_);
    // What a screen reader says of each control: the caption it stands under.
    grdAll_->setAccessibleName(lblFonts_->text());
    grdAssigned_->setAccessibleName(lblAssigned_->text());
    cmbSets_->setAccessibleName(lblSets_->text());
    txtAll_->setAccessibleName(tr("Find in All Fonts"));
    txtAssigned_->setAccessibleName(tr("Find in Assigned Fonts"));

    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    for (QPushButton* b : commands_.assign)
        buttons->addWidget(b);
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

    outer->addLayout(grid, 1);

    sampleFrame_ = new SampleFrame(pane_, drawing_, central);
    auto* sizeRow = new QHBoxLayout;
    auto* lblFontSize = new QLabel(tr("Font Size:"), central);
    lblFontSize->setBuddy(sampleFrame_->fontSizeBox());
    sizeRow->addWidget(lblFontSize);
    sizeRow->addWidget(sampleFrame_->fontSizeBox());
    sizeRow->addStretch();
    outer->addLayout(sizeRow);
    outer->addWidget(sampleFrame_, 1);

    barProgress_ = new QProgressBar(central);
    barProgress_->setObjectName(QStringLiteral("barProgress"));
    barProgress_->setAccessibleName(tr("Progress"));
    barProgress_->setVisible(false);
    barProgress_->setTextVisible(false);
    outer->addWidget(barProgress_);
    outer->addWidget(sampleFrame_->editorBar());
    setCentralWidget(central);
    connect(&pane_, &SamplePane::stateChanged, this, &FrmMain::renderPane);

    statusBar()->setObjectName(QStringLiteral("barStatus"));
    panel1_ = new QLabel(this);
    panel1_->setObjectName(QStringLiteral("barStatusPanel1"));
    panel1_->setFixedWidth(24);
    panel1_->setAccessibleName(tr("Status"));
    panel2_ = new QLabel(this);
    panel2_->setObjectName(QStringLiteral("barStatusPanel2"));
    panel2_->setTextFormat(Qt::PlainText); // font and set names, never markup
    panel3_ = new QLabel(fontCountText(0), this);
    panel3_->setObjectName(QStringLiteral("barStatusPanel3"));
    // Two columns of the panel stay for the font count, however wide the window.
    panel3_->setMinimumWidth(sampleFrame_->grid()->pixels(2150));
    statusBar()->addWidget(panel1_);
    statusBar()->addWidget(panel2_, 1);
    statusBar()->addPermanentWidget(panel3_);

    connect(cmbSets_, QOverload<int>::of(&QComboBox::activated), this,
            [this](int) { cmbSets_Click(); });
    cmbSets_->installEventFilter(this);
    // Delete acts on the set box or All Fonts only: elsewhere it is off, not idle.
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == txtAll_ || now == txtAssigned_ || now == grdAssigned_)
            disableDelete();
        else if (now == grdAll_ && allFonts_.selectedCount == 0)
            disableDelete();
        else if (now == grdAll_)
            enableDelete(tr("Delete Font"));
    });
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
        app_.messages.ask(MessageKind::Critical, AppTitle, operationFailureText(e, app_.lineBreak));
        try {
            Fill_AllFonts(ctx_);
            if (!app_.currentSetName.isEmpty()) Fill_AssignedFonts(ctx_);
        } catch (const DbError&) {
            // The failure has just been told; the lists keep what they showed.
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
    setWindowTitle(AppTitle);
    mnuPopup_->menuAction()->setVisible(false);
    setMinimumSize(int(8145 / tpp), int(6270 / tpp));
    allFonts_.clear();
    assignedFonts_.clear();

    app.setActivated = !activatedSet(app).isEmpty();
    app.addAutoAssign = switchOn(readSetting(app, fld::AddAutoAssign));
    app.removeAutoAssign = switchOn(readSetting(app, fld::RemoveAutoAssign));
    command(QStringLiteral("mnuEditAddAutoAssign"))->setChecked(app.addAutoAssign);
    command(QStringLiteral("mnuEditRemoveAutoAssign"))->setChecked(app.removeAutoAssign);

    // The sample text and size, the empty pane, its editor closed and its styles off.
    pane_.load();
    frmHistory_ = new FrmHistory(this);
    frmHistory_->picked = [this](const QString& name) {
        app_.pickedFontName = name;
        runGuarded([this] { showPickedFont(); });
    };
    disableDelete();
    // The printer for this run: a print system that cannot be asked leaves "No Printer".
    try {
        choosePrinterAtStart(app, *printers_);
    } catch (const std::exception&) {
        app.printerName = NoPrinter;
    }
    showPrinter();
    Get_FontsFolder(app, ctx_.fonts.registry);
    Load_SystemFonts(app.systemFonts, ctx_.fonts.desktop);

    // From here on a failing step does not stop the load.
    try {
        if (Begin_FirstRun(app, [this] { show(); })) {
            command(QStringLiteral("mnuEditAddAutoAssign"))->setChecked(app.addAutoAssign);
            command(QStringLiteral("mnuEditRemoveAutoAssign"))->setChecked(false);
            Refresh_Fonts();
        } else {
            Fill_AllFonts(ctx_);
            fillSets();
            show();
            focusSetBox();
        }
    } catch (const DbError& e) {
        show();
        tellLoadFailure(tr("The font lists could not be read: %1").arg(e.message()));
    }
    handleButtons();
    try {
        if (app.setActivated) {
            setSetBoxText(activatedSet(app));
            app.currentSetName = setBoxText();
            Fill_AssignedFonts(ctx_);
        }
    } catch (const DbError& e) {
        tellLoadFailure(tr("The active set's fonts could not be read: %1").arg(e.message()));
    }
    // Whether or not a set is active, the desktop must hide what the database says, no more.
    runGuarded([this] {
        Recover_InterruptedWork(ctx_);
        Reapply_ActiveSet(ctx_);
    });
    try {
        outsideSeen_ = app.db->outsideChangeCount();
    } catch (const DbError&) {
        // Left unknown: the window then does not follow other programs' changes this run, and
        // its own operations read the database as they go.
    }
    // Other programs' changes show even while this window keeps the focus: one cheap question
    // now and then, never while a menu or a dialog is open.
    auto* watch = new QTimer(this);
    watch->setInterval(OutsideCheckMs);
    connect(watch, &QTimer::timeout, this, [this] {
        if (isVisible() && !QApplication::activePopupWidget() && !QApplication::activeModalWidget())
            refreshIfChanged();
    });
    watch->start();
}

void FrmMain::tellLoadFailure(const QString& what) {
    app_.messages.ask(MessageKind::Critical, AppTitle,
                      what + app_.lineBreak + app_.lineBreak +
                          tr("Your fonts and sets are kept in the database.  Use File > Refresh "
                             "Fonts to read them again."));
}

void FrmMain::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) refreshIfChanged();
    QMainWindow::changeEvent(event);
}

void FrmMain::refreshIfChanged() {
    // Not before the load, during an operation (the window is disabled then) or after the end.
    if (!app_.db || outsideSeen_ < 0 || !isEnabled() || app_.exiting) return;
    qint64 now = 0;
    try {
        now = app_.db->outsideChangeCount();
    } catch (const DbError&) {
        return; // asked again at the next activation or menu
    }
    if (now == outsideSeen_) return;
    outsideSeen_ = now;
    runGuarded([this] {
        Show_OutsideChanges(ctx_, setBoxText());
        // letterbayctl switches AutoAssign too: the menu and the next refresh follow it.
        app_.addAutoAssign = switchOn(readSetting(app_, fld::AddAutoAssign));
        app_.removeAutoAssign = switchOn(readSetting(app_, fld::RemoveAutoAssign));
        command(QStringLiteral("mnuEditAddAutoAssign"))->setChecked(app_.addAutoAssign);
        command(QStringLiteral("mnuEditRemoveAutoAssign"))->setChecked(app_.removeAutoAssign);
    });
}

bool FrmMain::Confirm_Exit() {
    return app_.messages.askYes(MessageKind::Question, tr("Confirm Exit"),
                                tr("Are you sure you want to exit %1?").arg(AppTitle));
}

void FrmMain::saveSize() {
    try {
        const double tpp = twipsPerPixel();
        writeSettings(app_,
                      {{fld::Height, double(height()) * tpp}, {fld::Width, double(width()) * tpp}});
    } catch (const DbError&) {
        // Only the window's size: the program ends anyway and the next start uses the last one.
    }
}

void FrmMain::mnuFileExit_Click() {
    if (!Confirm_Exit()) return;
    saveSize();
    app_.exiting = true;
    Shut_Down();
    endProgram();
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (app_.exiting) {
        event->accept();
        return;
    }
    if (!Confirm_Exit()) {
        event->ignore();
        return;
    }
    saveSize();
    app_.exiting = true;
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
    runGuarded([this] { Activate_Sets(ctx_, setBoxText(), true); });
}

void FrmMain::mnuEditActiveAll_Click() {
    runGuarded([this] { Activate_Sets(ctx_, setBoxText(), false); });
}

void FrmMain::mnuEditAddAutoAssign_Click() {
    app_.addAutoAssign = command(QStringLiteral("mnuEditAddAutoAssign"))->isChecked();
    runGuarded([this] { writeSetting(app_, fld::AddAutoAssign, app_.addAutoAssign); });
}

void FrmMain::mnuEditRemoveAutoAssign_Click() {
    app_.removeAutoAssign = command(QStringLiteral("mnuEditRemoveAutoAssign"))->isChecked();
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
    progress_ = Progress{minimum, maximum, progress_.value};
    barProgress_->setRange(minimum, maximum);
}

void FrmMain::setProgressValue(int value) {
    // Operations step once per row, tens of thousands of times, and the bar repaints itself at
    // once on every change: it is moved a few dozen times a second at most.
    const bool ends = value <= progress_.minimum || value >= progress_.maximum;
    progress_.value = value;
    if (!ends && progressShown_.isValid() && progressShown_.elapsed() < 40) return;
    progressShown_.start();
    barProgress_->setValue(value);
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
    sortNames(names);
    cmbSets_->addItems(names);
    cmbSets_->setCurrentIndex(-1);
    cmbSets_->setEditText(QString());
    setMessage(tr("Display Assigned Fonts by selecting a set."));
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
    // Enable_Assign/Disable_Assign and the three pairs after it: a button and its menu item.
    const bool states[4] = {b.assign, b.assignAll, b.unassign, b.unassignAll};
    const char* items[4] = {"mnuEditAddSelected", "mnuEditAddAll", "mnuEditRemoveSelected",
                            "mnuEditRemoveAll"};
    for (int i = 0; i < 4; ++i) {
        commands_.assign[size_t(i)]->setEnabled(states[i]);
        command(QString::fromLatin1(items[i]))->setEnabled(states[i]);
    }
    for (const char* name :
         {"mnuEditRenameSet", "mnuEditCopySet", "mnuEditActiveSelected", "mnuViewSampleSet"})
        command(QString::fromLatin1(name))->setEnabled(b.setCommands);
    tool(QStringLiteral("Redisplay Set"))->setEnabled(b.setCommands);
    tool(QStringLiteral("ActiveSelected"))->setEnabled(b.setCommands);
    if (b.disableDelete) disableDelete();
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
    while (at < cmbSets_->count() && namesBefore(cmbSets_->itemText(at), name))
        ++at;
    const QString text = cmbSets_->currentText();
    cmbSets_->insertItem(at, name);
    cmbSets_->setEditText(text);
}

void FrmMain::removeSetEntry(const QString& name) {
    int i = cmbSets_->currentIndex();
    if (i < 0 || compareNoCase(cmbSets_->itemText(i), name) != 0)
        i = cmbSets_->findText(name, Qt::MatchFixedString); // without regard to case
    if (i >= 0) cmbSets_->removeItem(i);
}

void FrmMain::enableDelete(const QString& tip) {
    command(QStringLiteral("mnuEditDelete"))->setEnabled(true);
    tool(QStringLiteral("Delete"))->setEnabled(true);
    tool(QStringLiteral("Delete"))->setToolTip(tip);
}

void FrmMain::disableDelete() {
    command(QStringLiteral("mnuEditDelete"))->setEnabled(false);
    tool(QStringLiteral("Delete"))->setEnabled(false);
    tool(QStringLiteral("Delete"))->setToolTip(tr("Delete"));
}

QString FrmMain::deleteTip() const {
    return tool(QStringLiteral("Delete"))->toolTip();
}

void FrmMain::keepAllFontsPosition() {
    keptTopRow_ = grdAll_->topRow();
}

void FrmMain::restoreAllFontsPosition() {
    grdAll_->setTopRow(keptTopRow_);
}

// ---- Lists and the set box ----

void FrmMain::grdFonts_MouseDown(int index, int row, int button, int shift, QPoint globalPos) {
    FontListModel& list = index == 1 ? allFonts_ : assignedFonts_;
    const PressResult r = pressRow(list, row, button, shift, press_, app_.pickedFontName,
                                   index == 1 ? tr("All Fonts") : tr("Assigned Fonts"));
    if (!r.handled) return;
    if (r.picked) {
        app_.currentFontName = app_.pickedFontName;
        runGuarded([this] {
            if (showPickedFont()) frmHistory_->Add_History(app_.currentFontName);
        });
        if (index == 1) enableDelete(tr("Delete Font"));
    }
    setMessage(r.status);
    if (r.showPopup) {
        preparePopup(index);
        if (showPopup) showPopup(globalPos);
    }
}

void FrmMain::preparePopup(int index) {
    auto act = [this](const char* name) { return command(QString::fromLatin1(name)); };
    FontListModel& list = index == 1 ? allFonts_ : assignedFonts_;
    const bool single = list.selectedCount == 1;
    for (const char* name :
         {"mnuPopupFontPrint", "mnuPopupFontSets", "mnuPopupFontProperties",
          "mnuPopupFontAssignBreak", "mnuPopupFontAssignedBreak", "mnuPopupFontPropertiesBreak"})
        act(name)->setVisible(single);
    act("mnuPopupFontAssign")->setVisible(index == 1);
    act("mnuPopupFontAssign")->setEnabled(!setBoxText().isEmpty());
    act("mnuPopupFontUnassign")->setVisible(index == 2);
    act("mnuPopupFontUnassignSets")->setVisible(true);
    act("mnuPopupFontUnassignSets")->setEnabled(index == 2 || !chkFilter_->isChecked());
    act("mnuPopupFontDelete")->setVisible(index == 1);
    act("mnuPopupFontDeleteBreak")->setVisible(index == 1);
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
    if (caption == QLatin1String("lblFonts")) return countTip(allFonts_.size());
    if (caption == QLatin1String("lblAssigned"))
        return setBoxText().isEmpty() ? QString() : countTip(assignedFonts_.size());
    if (caption == QLatin1String("lblSets")) {
        QString active;
        try {
            active = activatedSet(app_);
        } catch (const DbError&) {
            // A tooltip without the active set's name; the next one asks the database again.
        }
        return setsTip(cmbSets_->count(), active);
    }
    return {};
}

void FrmMain::chkFilter_Click() {
    ctx_.unassignedOnly = chkFilter_->isChecked();
    setMessage(ctx_.unassignedOnly ? tr("Displaying only unassigned fonts.")
                                   : tr("Displaying all available fonts."));
    runGuarded([this] {
        txtAll_->clear();
        Fill_AllFonts(ctx_);
    });
}

void FrmMain::cmbSets_KeyEnter() {
    runGuarded([this] { Add_Set(ctx_, setBoxText()); });
}

void FrmMain::cmbSets_Click() {
    runGuarded([this] {
        txtAssigned_->clear();
        Select_Set(ctx_, setBoxText());
    });
}

void FrmMain::cmbSets_GotFocus() {
    if (!setBoxText().isEmpty()) enableDelete(tr("Delete Set"));
}

void FrmMain::mnuEditAddSelected_Click() {
    runGuarded([this] { Assign_Fonts(ctx_, setBoxText(), false); });
}

void FrmMain::mnuEditAddAll_Click() {
    runGuarded([this] { Assign_AllFonts(ctx_, setBoxText()); });
}

void FrmMain::mnuEditRemoveSelected_Click() {
    runGuarded([this] { Unassign_Fonts(ctx_, setBoxText(), false); });
}

void FrmMain::mnuEditRemoveAll_Click() {
    runGuarded([this] { Unassign_Fonts(ctx_, setBoxText(), true); });
}

void FrmMain::mnuEditAssignSets_Click() {
    runGuarded([this] { Assign_AllSets(ctx_, setBoxText()); });
}

void FrmMain::mnuEditUnassignSets_Click() {
    runGuarded([this] { Unassign_AllSets(ctx_, setBoxText()); });
}

void FrmMain::mnuEditDelete_Click() {
    // By the control with the focus: the set box deletes its set, a font list the fonts selected
    // in All Fonts.
    QWidget* focus = QApplication::focusWidget();
    if (focus == cmbSets_ || focus == cmbSets_->lineEdit())
        runGuarded([this] { Delete_Set(ctx_, setBoxText()); });
    else if (focus == grdAll_ || focus == grdAssigned_)
        runGuarded([this] { Delete_Fonts(ctx_); });
}

void FrmMain::mnuPopupFontDelete_Click() {
    runGuarded([this] { Delete_Fonts(ctx_); });
}

void FrmMain::mnuEditCopySet_Click() {
    runGuarded([this] {
        app_.datSets->refresh();
        FrmCopySet dialog(ctx_, this);
        dialog.exec();
    });
}

void FrmMain::mnuEditRenameSet_Click() {
    runGuarded([this] { Rename_Set(ctx_, setBoxText()); });
}

void FrmMain::mnuViewLegend_Click() {
    auto* legend = new FrmMainLegend(this);
    legend->setAttribute(Qt::WA_DeleteOnClose);
    legend->show();
}

void FrmMain::mnuViewSets_Click() {
    if (app_.pickedFontName.isEmpty()) return;
    runGuarded([this] {
        FrmSets dialog(ctx_, setBoxText(), this);
        dialog.exec();
    });
}

void FrmMain::mnuViewCheck_Click() {
    runGuarded([this] {
        const std::unique_ptr<FontInspector> inspector =
            makeInspector ? makeInspector() : std::make_unique<FontconfigInspector>();
        FrmFontCheck dialog(ctx_, *inspector, this);
        dialog.exec();
    });
}

// ---- Samples ----

void FrmMain::hideSamples() {
    pane_.Hide_Samples();
}

void FrmMain::displayFont() {
    showPickedFont();
}

bool FrmMain::showPickedFont() {
    const DisplayResult result = pane_.Display_Font();
    if (result == DisplayResult::NotCatalogued) {
        frmHistory_->remove(app_.pickedFontName);
        return false;
    }
    return true;
}

void FrmMain::renderPane() {
    const PaneState& s = pane_.state();
    setWindowTitle(s.caption);
    for (const char* name :
         {"mnuFilePrint", "mnuPopupFontPrint", "mnuViewProperties", "mnuViewSets"})
        command(QString::fromLatin1(name))->setEnabled(s.sampleCommands);
    for (const char* key : {"Print", "Preview", "Properties"})
        tool(QString::fromLatin1(key))->setEnabled(s.sampleCommands);
    const SampleStyles styles = pane_.styles();
    const std::pair<const char*, bool> toggles[3] = {
        {"Bold", styles.bold}, {"Italics", styles.italic}, {"Underline", styles.underline}};
    for (const auto& [key, on] : toggles) {
        QAction* a = tool(QString::fromLatin1(key));
        a->setEnabled(s.stylesEnabled);
        a->setChecked(on);
    }
    sampleFrame_->grid()->setWhatsThis(
        whatsThisText(QStringLiteral("grdSample.%1").arg(s.helpTopic)));
    sampleFrame_->fontSizeBox()->setWhatsThis(s.shown == PaneState::List
                                                  ? sampleFrame_->grid()->whatsThis()
                                                  : whatsThisText(QStringLiteral("cmbFontSize")));
}

void FrmMain::Toggle_Bold() {
    pane_.Toggle_Bold();
}

void FrmMain::Toggle_Italics() {
    pane_.Toggle_Italics();
}

void FrmMain::Toggle_Underline() {
    pane_.Toggle_Underline();
}

void FrmMain::mnuEditSample_Click() {
    sampleFrame_->openEditor();
}

void FrmMain::mnuViewDisplayAllFonts_Click() {
    runGuarded([this] { pane_.Display_List(ModeAllFonts); });
}

void FrmMain::mnuViewSampleSet_Click() {
    runGuarded([this] { pane_.Display_List(ModeAssignedFonts); });
}

// ---- Dialogs and help ----

void FrmMain::mnuViewHistory_Click() {
    frmHistory_->show();
    frmHistory_->raise();
    frmHistory_->activateWindow();
}

void FrmMain::mnuViewProperties_Click() {
    if (app_.pickedFontName.isEmpty()) return;
    app_.sourceFormName = SourceMain;
    runGuarded([this] {
        FrmProperties dialog(ctx_, this);
        dialog.exec();
    });
}

void FrmMain::mnuPopupPreviewProperties_Click() {
    FrmFontPreview* preview = frmFontPreview_;
    if (!preview) return;
    const FontPreview& p = preview->preview();
    const int row = preview->popupRow();
    if (row < 0 || row >= p.size()) return;
    // The dialog names the previewed font; the main window's own pick stays what it was.
    const QString picked = app_.pickedFontName;
    app_.pickedFontName = p.row(row).face;
    app_.sourceFormName = SourcePreview;
    runGuarded([&] {
        FrmProperties dialog(ctx_, preview, p.folder(), p.propertyFiles(row));
        dialog.exec();
    });
    app_.pickedFontName = picked;
}

FrmFontPreview* FrmMain::fontPreview() const {
    return frmFontPreview_.data();
}

QMenu* FrmMain::previewPopup() const {
    return commands_.popup->findChild<QMenu*>(QStringLiteral("mnuPopupPreview"));
}

void FrmMain::mnuHelpProduct_Click() {
    showHelp(HelpProduct);
}

void FrmMain::mnuHelpContents_Click() {
    showHelp(HelpContents);
}

void FrmMain::mnuHelpWhatsThis_Click() {
    QWhatsThis::enterWhatsThisMode();
}

void FrmMain::mnuHelpSupport_Click() {
    auto* box = new FrmTechSupport(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

void FrmMain::mnuHelpAbout_Click() {
    auto* box = new FrmAbout(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

// ---- Printing ----

void FrmMain::mnuFilePrintSetup_Click() {
    if (app_.printerName == NoPrinter) {
        app_.messages.ask(
            MessageKind::Critical, tr("Print"),
            tr("%1 cannot change printers. No printers are installed.").arg(AppTitle));
        return;
    }
    FrmPrintSetup dialog(app_, *printers_, this);
    if (onPrintDialog) QTimer::singleShot(0, &dialog, [this, &dialog] { onPrintDialog(&dialog); });
    dialog.exec();
    showPrinter();
}

void FrmMain::showPrinter() {
    // The button reads out what its tooltip says: which printer it prints on.
    QAction* print = tool(QStringLiteral("Print"));
    print->setToolTip(printTooltip(app_));
    print->setText(print->toolTip());
}

bool FrmMain::Print_Report(bool request) {
    bool printed = false;
    runGuarded([this, request, &printed] {
        printed = lb::Print_Report(ctx_, drawing_, pane_.state(), request, [this](QPrinter& p) {
            QPrintDialog dialog(&p, this);
            dialog.setObjectName(QStringLiteral("dlgPrint"));
            if (onPrintDialog)
                QTimer::singleShot(0, &dialog, [this, &dialog] { onPrintDialog(&dialog); });
            return dialog.exec() == QDialog::Accepted;
        });
    });
    return printed;
}

void FrmMain::mnuFilePrint_Click() {
    Print_Report(true);
}

void FrmMain::mnuPopupFontPrint_Click() {
    Print_Report(false);
}

void FrmMain::Print_Preview() {
    const QString refusal = nothingToPrint(pane_.state());
    if (!refusal.isEmpty()) {
        app_.messages.ask(MessageKind::Critical, tr("Print Preview"), refusal);
        return;
    }
    runGuarded([this] {
        std::unique_ptr<Report> report = reportForPane(ctx_, drawing_, pane_.state());
        QPrinter printer(QPrinter::HighResolution);
        // Without a printer the preview still saves the report as a PDF file.
        if (app_.printerName == NoPrinter)
            printer.setOutputFormat(QPrinter::PdfFormat);
        else
            printer.setPrinterName(app_.printerName);
        preparePrinter(printer, report->title());
        QPrintPreviewDialog dialog(&printer, this);
        dialog.setObjectName(QStringLiteral("frmPrintPreview"));
        dialog.setWindowTitle(tr("Print Preview - %1").arg(report->title()));

        connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this, &report](QPrinter* p) {
            const QString error = printReport(*report, *p);
            if (error.isEmpty()) return;
            app_.messages.ask(MessageKind::Critical, tr("Print"), error);
        });
        if (onPrintDialog)
            QTimer::singleShot(0, &dialog, [this, &dialog] { onPrintDialog(&dialog); });
        dialog.exec();
    });
}

// ---- Fonts for a Document ----

void FrmMain::mnuFileDocumentFonts_Click() {
    const QStringList files = chooseDocuments(this);
    if (files.isEmpty()) return;
    auto* dialog = new FrmDocumentFonts(*this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    dialog->showDocuments(files);
}

// ---- Font Preview ----

void FrmMain::mnuFileFontPreview_Click() {
    if (frmFontPreview_) {
        frmFontPreview_->show();
        frmFontPreview_->raise();
        frmFontPreview_->activateWindow();
        return;
    }
    auto* preview = new FrmFontPreview(*this);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    frmFontPreview_ = preview;
    connect(preview, &FrmFontPreview::listSizeChanged, this, [this] { pane_.reloadListSize(); });
    connect(preview, &QObject::destroyed, this, &FrmMain::previewClosed);
    // Out of the way while the preview is up, where the window system can give it back: under
    // Wayland a program cannot restore its own minimised window.
    stateBeforePreview_ = windowState();
    minimisedForPreview_ = !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    preview->show();
    if (minimisedForPreview_) setWindowState(stateBeforePreview_ | Qt::WindowMinimized);
    preview->raise();
    preview->activateWindow();
}

void FrmMain::previewClosed() {
    if (!minimisedForPreview_) return;
    minimisedForPreview_ = false;
    if (app_.exiting) return;
    setWindowState(stateBeforePreview_);
    raise();
    activateWindow();
}

} // namespace lb
