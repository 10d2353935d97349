#include "ui/frm_font_preview.h"

#include "preview/installation.h"
#include "samples/sample_pane.h"
#include "ui/dialogs.h"
#include "ui/frm_main.h"
#include "ui/help.h"
#include "ui/preview_grid.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace lb {

namespace {

// The drive list, read again each time it opens: a disk may have come or gone.
class DriveBox : public QComboBox {
public:
    DriveBox(std::function<void()> refresh, QWidget* parent)
        : QComboBox(parent), refresh_(std::move(refresh)) {}
    void showPopup() override {
        refresh_();
        QComboBox::showPopup();
    }

private:
    std::function<void()> refresh_;
};

QPushButton* button(const QString& caption, const char* name, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QString slashed(const QString& path) {
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

} // namespace

FrmFontPreview::FrmFontPreview(FrmMain& main) : QDialog(nullptr), main_(main) {
    setObjectName(QStringLiteral("frmFontPreview"));
    setModal(false);
    setSizeGripEnabled(true);
    preview_ = std::make_unique<FontPreview>(main.context(), fonts_, *this);
    showPopup = [this](QPoint at) {
        if (QMenu* menu = main_.previewPopup()) menu->exec(at);
    };

    auto* lblDrives = new QLabel(tr("Drives:"), this);
    lblDrives->setObjectName(QStringLiteral("lblDrives"));
    boxDrive_ = new DriveBox([this] { fillDrives(); }, this);
    boxDrive_->setObjectName(QStringLiteral("boxDrive"));
    boxDrive_->setAccessibleName(tr("Drives:"));
    lblDrives->setBuddy(boxDrive_);
    auto* lblDirs = new QLabel(tr("Folders:"), this);
    lblDirs->setObjectName(QStringLiteral("lblDirs"));
    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    folders_->setReadOnly(true);
    boxDir_ = new QTreeView(this);
    boxDir_->setObjectName(QStringLiteral("boxDir"));
    boxDir_->setAccessibleName(tr("Folders:"));
    boxDir_->setModel(folders_);
    for (int c = 1; c < folders_->columnCount(); ++c)
        boxDir_->hideColumn(c);
    boxDir_->header()->hide();
    boxDir_->setExpandsOnDoubleClick(false);
    boxDir_->setMinimumHeight(140);
    lblDirs->setBuddy(boxDir_);
    lblPath_ = new QLabel(this);
    lblPath_->setObjectName(QStringLiteral("lblPath"));
    lblPath_->setAccessibleName(tr("Folder"));
    lblPath_->setTextFormat(Qt::PlainText); // names, never markup
    lblPath_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblPath_->setWordWrap(true);

    auto* fraButtons = new QFrame(this);
    fraButtons->setObjectName(QStringLiteral("fraButtons"));
    cmdSelect_ = button(tr("&Select All"), "cmdSelect", fraButtons);
    cmdDeselect_ = button(tr("&Deselect All"), "cmdDeselect", fraButtons);
    cmdInstall_ = button(tr("&Install"), "cmdInstall", fraButtons);
    cmdLegend_ = button(tr("&Legend"), "cmdLegend", fraButtons);
    cmdHelp_ = button(tr("&Help"), "cmdHelp", fraButtons);
    cmdCancel_ = button(tr("Cancel"), "cmdCancel", fraButtons);
    auto* buttons = new QVBoxLayout(fraButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    for (QPushButton* b : {cmdSelect_, cmdDeselect_, cmdInstall_, cmdLegend_})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(cmdHelp_);
    buttons->addWidget(cmdCancel_);

    auto* lblFontSize = new QLabel(tr("Font Size:"), this);
    cmbFontSize_ = new QComboBox(this);
    cmbFontSize_->setObjectName(QStringLiteral("cmbFontSize"));
    cmbFontSize_->setAccessibleName(tr("Font Size"));
    for (int size = ListSizeMin; size <= ListSizeMax; ++size)
        cmbFontSize_->addItem(QString::number(size));
    cmbFontSize_->setCurrentIndex(cmbFontSize_->findText(QString::number(preview_->listSize())));
    lblFontSize->setBuddy(cmbFontSize_);

    fraSample_ = new QFrame(this);
    fraSample_->setObjectName(QStringLiteral("fraSample"));
    fraSample_->setFrameShape(QFrame::StyledPanel);
    grdSample_ = new PreviewGrid(*preview_, fonts_, fraSample_);
    grdSample_->setObjectName(QStringLiteral("grdSample"));
    grdSample_->setAccessibleName(tr("Fonts of the folder"));
    auto* sample = new QVBoxLayout(fraSample_);
    sample->setContentsMargins(2, 2, 2, 2);
    sample->addWidget(grdSample_);

    barProgress_ = new QProgressBar(this);
    barProgress_->setObjectName(QStringLiteral("barProgress"));
    barProgress_->setAccessibleName(tr("Progress"));
    barProgress_->setTextVisible(false);
    barProgress_->hide();
    auto* barStatus = new QStatusBar(this);
    barStatus->setObjectName(QStringLiteral("barStatus"));
    barStatus->setSizeGripEnabled(false);
    panel2_ = new QLabel(this);
    panel2_->setObjectName(QStringLiteral("barStatusPanel2"));
    panel2_->setAccessibleName(tr("Status"));
    panel2_->setTextFormat(Qt::PlainText);
    panel3_ = new QLabel(this);
    panel3_->setObjectName(QStringLiteral("barStatusPanel3"));
    panel3_->setAccessibleName(tr("Fonts to be Installed"));
    barStatus->addWidget(panel2_, 1);
    barStatus->addPermanentWidget(panel3_);

    auto* places = new QVBoxLayout;
    places->addWidget(lblDrives);
    places->addWidget(boxDrive_);
    places->addWidget(lblDirs);
    places->addWidget(boxDir_, 1);
    places->addWidget(lblPath_);
    auto* top = new QHBoxLayout;
    top->addLayout(places, 1);
    top->addWidget(fraButtons);
    auto* size = new QHBoxLayout;
    size->addWidget(lblFontSize);
    size->addWidget(cmbFontSize_);
    size->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(size);
    layout->addWidget(fraSample_, 2);
    layout->addWidget(barProgress_);
    layout->addWidget(barStatus);

    connect(boxDrive_, QOverload<int>::of(&QComboBox::activated), this,
            &FrmFontPreview::boxDrive_Change);
    // A folder is opened as with the classic folder list: double-click or Enter; a single click
    // only moves the highlight.
    connect(boxDir_, &QTreeView::activated, this,
            [this](const QModelIndex& index) { boxDir_Change(folders_->filePath(index)); });
    connect(grdSample_, &PreviewGrid::rowPressed, this, &FrmFontPreview::grdSample_MouseDown);
    connect(grdSample_, &PreviewGrid::rowDoubleClicked, this, &FrmFontPreview::grdSample_DblClick);
    connect(cmdSelect_, &QPushButton::clicked, this, [this] { preview_->cmdSelect_Click(); });
    connect(cmdDeselect_, &QPushButton::clicked, this, [this] { preview_->cmdDeselect_Click(); });
    connect(cmdInstall_, &QPushButton::clicked, this, &FrmFontPreview::cmdInstall_Click);
    connect(cmdLegend_, &QPushButton::clicked, this, &FrmFontPreview::cmdLegend_Click);
    connect(cmdHelp_, &QPushButton::clicked, this, [] { showHelp(2035); });
    connect(cmdCancel_, &QPushButton::clicked, this, &FrmFontPreview::cmdCancel_Click);
    connect(cmbFontSize_, QOverload<int>::of(&QComboBox::activated), this,
            [this](int) { cmbFontSize_Click(); });
    connect(preview_.get(), &FontPreview::stateChanged, this, &FrmFontPreview::render);

    // Form_Load: the current folder, nothing loaded yet.
    const QString current = slashed(QDir::currentPath());
    fillDrives();
    const int drive = driveOf(drives_, current);
    showDrive(drive);
    previousDrive_ = drive;
    lblPath_->setText(current);
    reveal(current);
    // The tree reads folders in the background and sorts them as they come: the folder is
    // scrolled to again as rows arrive, until the user takes over.
    const auto follow = [this] {
        if (revealing_.isEmpty()) return;
        QTimer::singleShot(0, boxDir_, [this] {
            if (revealing_.isEmpty()) return;
            const QModelIndex at = folders_->index(revealing_);
            if (at.isValid()) boxDir_->scrollTo(at, QAbstractItemView::PositionAtCenter);
        });
    };
    connect(folders_, &QAbstractItemModel::rowsInserted, this, follow);
    connect(folders_, &QAbstractItemModel::layoutChanged, this, follow);
    connect(boxDir_, &QTreeView::pressed, this, [this] { revealing_.clear(); });
    installHelpKey(this, 2035);
    applyWhatsThis(this);
    // Named as the main window's are, but about this window.
    grdSample_->setWhatsThis(whatsThisText(QStringLiteral("grdSample.2035")));
    panel3_->setWhatsThis(whatsThisText(QStringLiteral("barStatusPanel3.2035")));
    render();
    setStatus(previewPrompt());
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    // Wide enough for the two designed columns of the grid and the buttons; centred.
    resize(std::max(640, int((2000 + 4950 + 1900) * dpi / 1440)), 620);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

FrmFontPreview::~FrmFontPreview() {
    preview_->Unload_PreviewFonts();
}

void FrmFontPreview::fillDrives() {
    drives_ = listDrives();
    const QString chosen = previousDrive_ >= 0 && previousDrive_ < boxDrive_->count()
                               ? boxDrive_->itemData(previousDrive_).toString()
                               : QString();
    const QSignalBlocker quiet(boxDrive_);
    boxDrive_->clear();
    for (const Drive& d : drives_)
        boxDrive_->addItem(d.name, d.root);
    const int again = boxDrive_->findData(chosen);
    if (again >= 0) {
        boxDrive_->setCurrentIndex(again);
        previousDrive_ = again;
    }
}

void FrmFontPreview::showDrive(int index) {
    if (index < 0 || index >= int(drives_.size())) return;
    const QSignalBlocker quiet(boxDrive_);
    boxDrive_->setCurrentIndex(index);
    const QString root = drives_[size_t(index)].root;
    folders_->setRootPath(root);
    boxDir_->setRootIndex(folders_->index(root));
}

void FrmFontPreview::reveal(const QString& folder) {
    revealing_ = QDir::cleanPath(folder);
    const QModelIndex at = folders_->index(revealing_);
    if (!at.isValid()) {
        revealing_.clear();
        return;
    }
    // Its parents opened: each is read as it opens.
    for (QModelIndex p = at.parent(); p.isValid() && p != boxDir_->rootIndex(); p = p.parent())
        boxDir_->expand(p);
    boxDir_->setCurrentIndex(at);
    boxDir_->scrollTo(at);
}

void FrmFontPreview::boxDrive_Change(int index) {
    if (index < 0 || index >= int(drives_.size())) return;
    const Drive drive = drives_[size_t(index)];
    if (!driveAvailable(drive)) {
        AppState& app = main_.context().app;
        app.messages.ask(MessageKind::Critical, tr("Drive problem"), driveProblemText(drive));
        // Back to the drive and folder that could be opened last.
        fillDrives();
        showDrive(previousDrive_);
        return;
    }
    showDrive(index);
    previousDrive_ = index;
    boxDir_Change(drive.root);
}

void FrmFontPreview::boxDir_Change(const QString& folder) {
    revealing_.clear();
    const QString path = slashed(folder);
    lblPath_->setText(path);
    preview_->boxDir_Change(path);
    render();
}

void FrmFontPreview::render() {
    const FontPreview& p = *preview_;
    setWindowTitle(tr("Font Preview - %1").arg(lblPath_->text()));

    grdSample_->setVisible(p.shown());
    cmbFontSize_->setEnabled(p.shown());
    for (QPushButton* b : {cmdSelect_, cmdDeselect_, cmdLegend_})
        b->setEnabled(p.shown() && p.size() > 0);
    cmdInstall_->setEnabled(p.selectedCount() > 0);
    panel3_->setText(p.installCountText());
    cmdCancel_->setText(p.installedOnce() ? tr("Close") : tr("Cancel"));
    const QString size = QString::number(p.listSize());
    if (cmbFontSize_->currentText() != size) {
        const QSignalBlocker quiet(cmbFontSize_);
        cmbFontSize_->setCurrentIndex(cmbFontSize_->findText(size));
    }
}

void FrmFontPreview::grdSample_MouseDown(int row, int button, int shift, QPoint globalPos) {
    const PreviewPress press = preview_->grdSample_MouseDown(row, button, shift);
    if (!press.handled) return;
    if (press.showPopup) {
        popupRow_ = press.popupRow;
        if (showPopup) showPopup(globalPos);
    }
    if (!press.status.isEmpty()) setStatus(press.status);
}

void FrmFontPreview::grdSample_DblClick(int row) {
    // Installs what the double-click selected, never other rows under an unselectable one.
    if (row < 0 || row >= preview_->size() || !preview_->row(row).selected) return;
    cmdInstall_Click();
}

void FrmFontPreview::cmdInstall_Click() {
    main_.runGuarded([this] { Install_Fonts(main_.context(), *preview_, *this); });
    render();
}

void FrmFontPreview::cmdLegend_Click() {
    auto* legend = new FrmPreviewLegend(this);
    legend->setAttribute(Qt::WA_DeleteOnClose);
    legend->show();
}

void FrmFontPreview::cmdCancel_Click() {
    preview_->Unload_PreviewFonts();
    close();
}

void FrmFontPreview::reject() {
    cmdCancel_Click();
}

void FrmFontPreview::closeEvent(QCloseEvent* event) {
    // Closed however it is (Cancel, Close, the title bar, the end of the program): the previews
    // go. Not QDialog's own handling, which would call reject() and so Cancel again.
    preview_->Unload_PreviewFonts();
    event->accept();
}

void FrmFontPreview::cmbFontSize_Click() {
    if (preview_->cmbFontSize_Click(cmbFontSize_->currentText().toInt())) Q_EMIT listSizeChanged();
    render();
}

void FrmFontPreview::setStatus(const QString& text) {
    panel2_->setText(text);
}

void FrmFontPreview::setBusy(bool busy) {
    setEnabled(!busy);
    main_.context().app.messages.pointer().set(busy ? MousePointer::Hourglass
                                                    : MousePointer::Default);
}

void FrmFontPreview::showProgress(bool visible) {
    barProgress_->setVisible(visible);
}

void FrmFontPreview::setProgressRange(int maximum) {
    barProgress_->setRange(0, maximum);
}

void FrmFontPreview::setProgressValue(int value) {
    barProgress_->setValue(value);
}

void FrmFontPreview::yield() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace lb
