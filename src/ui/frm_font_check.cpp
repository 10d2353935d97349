#include "ui/frm_font_check.h"

#include "activation/deletion.h"
#include "ui/help.h"
#include "ui/plain_tip.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lb {

namespace {

constexpr int HelpFontCheck = 2070;
constexpr int PathRole = Qt::UserRole;

QTreeWidgetItem* fileItem(QTreeWidgetItem* parent, const QByteArray& path) {
    auto* item = new QTreeWidgetItem(parent);
    const QFileInfo info(displayPath(path));
    item->setText(0, info.fileName());
    item->setText(1, info.path());
    item->setToolTip(1, info.path());
    item->setData(0, PathRole, path);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    return item;
}

} // namespace

FrmFontCheck::FrmFontCheck(MainContext& ctx, FontInspector& inspector, QWidget* parent)
    : QDialog(parent), ctx_(ctx), inspector_(inspector) {
    setObjectName(QStringLiteral("frmFontCheck"));
    setWindowTitle(tr("Duplicate and Damaged Fonts"));
    setModal(true);

    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName(QStringLiteral("lblStatus"));
    lblStatus_->setWordWrap(true);

    trvCheck_ = new QTreeWidget(this);
    trvCheck_->setItemDelegate(new PlainTipDelegate(trvCheck_)); // folders named by users
    trvCheck_->setObjectName(QStringLiteral("trvCheck"));
    trvCheck_->setAccessibleName(tr("Duplicate and damaged fonts"));
    trvCheck_->setHeaderLabels({tr("File"), tr("Folder"), tr("Version"), tr("Format"), tr("Size"),
                                tr("Modified"), tr("Programs Use")});
    // Which copy programs use decides what to delete: shown beside the file, not past a long
    // folder at the far right.
    trvCheck_->header()->moveSection(6, 1);
    trvCheck_->setRootIsDecorated(true);
    trvCheck_->setUniformRowHeights(true);
    connect(trvCheck_, &QTreeWidget::itemChanged, this, [this] { handleButtons(); });

    auto* label = new QLabel(tr("Check the copies you want to &delete:"), this);
    label->setBuddy(trvCheck_);

    auto* buttons = new QDialogButtonBox(this);
    cmdDelete_ = buttons->addButton(tr("&Delete Checked"), QDialogButtonBox::ActionRole);
    cmdDelete_->setObjectName(QStringLiteral("cmdDelete"));
    cmdCheck_ = buttons->addButton(tr("Check &Again"), QDialogButtonBox::ActionRole);
    cmdCheck_->setObjectName(QStringLiteral("cmdCheck"));
    QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
    help->setObjectName(QStringLiteral("cmdHelp"));
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton* b : {cmdDelete_, cmdCheck_, help, close})
        b->setAccessibleName(b->text().remove(QLatin1Char('&')));
    connect(cmdDelete_, &QPushButton::clicked, this, &FrmFontCheck::cmdDelete_Click);
    connect(cmdCheck_, &QPushButton::clicked, this, &FrmFontCheck::cmdCheck_Click);
    connect(help, &QPushButton::clicked, this, [] { showHelp(HelpFontCheck); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblStatus_);
    layout->addWidget(label);
    layout->addWidget(trvCheck_, 1);
    layout->addWidget(buttons);
    resize(900, 480);
    installHelpKey(this, HelpFontCheck);
    handleButtons();
}

void FrmFontCheck::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    // Once the window is up, so that the progress has a window to belong to.
    QTimer::singleShot(0, this, &FrmFontCheck::cmdCheck_Click);
}

void FrmFontCheck::cmdCheck_Click() {
    checked_ = false;
    trvCheck_->clear();
    lblStatus_->setText(tr("Checking fonts..."));
    QProgressDialog progress(tr("Checking fonts..."), tr("Cancel"), 0, 0, this);
    progress.setObjectName(QStringLiteral("frmCheckProgress"));
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    const FontCheck found = checkFonts(inspector_, [&](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        QCoreApplication::processEvents();
        return !progress.wasCanceled();
    });
    progress.reset();
    if (found.cancelled) {
        lblStatus_->setText(tr("The check was cancelled."));
        handleButtons();
        return;
    }
    render(found);
    checked_ = true;
}

void FrmFontCheck::render(const FontCheck& found) {
    const QSignalBlocker quiet(trvCheck_);
    trvCheck_->clear();
    const QLocale locale;
    for (const DuplicateGroup& g : found.duplicates) {
        auto* group = new QTreeWidgetItem(trvCheck_);
        group->setText(0,
                       (g.identical ? tr("%1: %2 identical copies") : tr("%1: %2 different copies"))
                           .arg(g.family + QLatin1Char(' ') + g.style)
                           .arg(g.copies.size()));
        group->setFirstColumnSpanned(true);
        for (const FontCopy& c : g.copies) {
            QTreeWidgetItem* item = fileItem(group, c.path);
            item->setText(2, c.version);
            item->setText(3, c.format);
            item->setText(4, locale.formattedDataSize(c.size));
            item->setText(5, locale.toString(c.modified, QLocale::ShortFormat));
            item->setText(6, c.inUse ? tr("This copy") : QString());
        }
        group->setExpanded(true);
    }
    if (!found.damaged.empty()) {
        auto* damaged = new QTreeWidgetItem(trvCheck_);
        damaged->setText(0, tr("Damaged fonts: %1").arg(found.damaged.size()));
        damaged->setFirstColumnSpanned(true);
        for (const DamagedFont& d : found.damaged) {
            QTreeWidgetItem* item = fileItem(damaged, d.path);
            // The problem under the file, as a line of its own a screen reader reads with it.
            item->setToolTip(0, d.problem);
            auto* why = new QTreeWidgetItem(item);
            why->setText(0, d.problem);
            why->setFirstColumnSpanned(true);
            item->setExpanded(true);
        }
        damaged->setExpanded(true);
    }
    for (int c = 0; c < trvCheck_->columnCount(); ++c)
        trvCheck_->resizeColumnToContents(c);
    lblStatus_->setText(found.found()
                            ? tr("%1 fonts are installed more than once; %2 fonts are damaged.")
                                  .arg(found.duplicates.size())
                                  .arg(found.damaged.size())
                            : tr("No font is installed more than once, and none is damaged."));
    if (trvCheck_->topLevelItemCount() > 0) trvCheck_->setCurrentItem(trvCheck_->topLevelItem(0));
    handleButtons();
}

std::vector<QByteArray> FrmFontCheck::checkedFiles() const {
    std::vector<QByteArray> out;
    for (int i = 0; i < trvCheck_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = trvCheck_->topLevelItem(i);
        for (int j = 0; j < top->childCount(); ++j)
            if (top->child(j)->checkState(0) == Qt::Checked)
                out.push_back(top->child(j)->data(0, PathRole).toByteArray());
    }
    return out;
}

void FrmFontCheck::cmdDelete_Click() {
    const std::vector<QByteArray> files = checkedFiles();
    if (files.empty()) return;
    if (!Delete_FontCopies(ctx_, files)) return;
    // What is left is checked again, so the window never shows a file that has gone.
    cmdCheck_Click();
}

void FrmFontCheck::handleButtons() {
    cmdDelete_->setEnabled(!checkedFiles().empty());
}

} // namespace lb
