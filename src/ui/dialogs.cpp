#include "ui/dialogs.h"

#include "catalogue/font_lists.h"
#include "core/nocase.h"
#include "sets/assigned_sets.h"
#include "sets/set_maintenance.h"
#include "ui/font_grid.h"
#include "ui/help.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace lb {

void centreOnScreen(QWidget* window) {
    window->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.x() + (area.width() - window->width()) / 2,
                     area.y() + (area.height() - window->height()) / 2);
    }
}

FrmCopySet::FrmCopySet(MainContext& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
    setObjectName(QStringLiteral("frmCopySet"));
    setWindowTitle(tr("Copy Set"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(tr("Copy \"%1\" to the set below").arg(ctx.app.currentSetName), this);
    label->setObjectName(QStringLiteral("lblCopy"));
    label->setTextFormat(Qt::PlainText); // a set's name, never markup
    cmbSets_ = new QComboBox(this);
    cmbSets_->setObjectName(QStringLiteral("cmbSets"));
    cmbSets_->setEditable(true);
    cmbSets_->setInsertPolicy(QComboBox::NoInsert);
    cmbSets_->setCompleter(nullptr); // the target is exactly what was typed
    QStringList names = setNames(ctx.app);
    sortNames(names);
    cmbSets_->addItems(names);
    cmbSets_->setCurrentIndex(-1);
    cmbSets_->setEditText(QString());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &FrmCopySet::cmdOK_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(cmbSets_);
    layout->addWidget(buttons);
    installHelpKey(this, 2060);
    centreOnScreen(this);
}

void FrmCopySet::cmdOK_Click() {
    if (Copy_Set(ctx_, cmbSets_->currentText())) accept();
}

FrmSets::FrmSets(MainContext& ctx, const QString& setBox, QWidget* parent)
    : QDialog(parent), ctx_(ctx), font_(ctx.app.pickedFontName), setBox_(setBox) {
    setObjectName(QStringLiteral("frmSets"));
    setWindowTitle(tr("Assigned Sets - %1").arg(font_));
    auto* layout = new QGridLayout(this);
    grdSets_ = new FontGrid(this);
    grdSets_->setObjectName(QStringLiteral("grdSets"));
    grdSets_->setModel(&list_);
    grdSets_->setMinimumWidth(330);
    cmdUnassign_ = new QPushButton(tr("&Unassign"), this);
    cmdUnassign_->setObjectName(QStringLiteral("cmdUnassign"));
    cmdUnassign_->setAutoDefault(false);
    auto* cmdAll = new QPushButton(tr("Unassign &All"), this);
    cmdAll->setObjectName(QStringLiteral("cmdAll"));
    cmdAll->setAutoDefault(false);
    auto* cmdClose = new QPushButton(tr("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    layout->addWidget(grdSets_, 0, 0, 4, 1);
    layout->addWidget(cmdUnassign_, 0, 1);
    layout->addWidget(cmdAll, 1, 1);
    layout->addWidget(cmdClose, 3, 1);
    connect(cmdUnassign_, &QPushButton::clicked, this, &FrmSets::cmdUnassign_Click);
    connect(cmdAll, &QPushButton::clicked, this, &FrmSets::cmdAll_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    connect(grdSets_, &FontGrid::rowPressed, this,
            [this](int row, int button, int shift, QPoint) { pressRow(row, button, shift); });
    connect(grdSets_, &FontGrid::rowDoubleClicked, this, &FrmSets::cmdUnassign_Click);
    Fill_FontSets(ctx.app, list_, font_);
    updateButtons();
    installHelpKey(this, 2028);
    centreOnScreen(this);
}

void FrmSets::pressRow(int row, int button, int shift) {
    QString picked;
    // The dialog's own selection: a right click selects like a left one.
    lb::pressRow(list_, row, button == ButtonRight ? ButtonLeft : button, shift, memory_, picked,
                 QStringLiteral("sets"));
    updateButtons();
}

void FrmSets::updateButtons() {
    cmdUnassign_->setEnabled(list_.selectedCount > 0);
}

void FrmSets::cmdUnassign_Click() {
    setEnabled(false);
    Unassign_FromSets(ctx_, list_, font_, false, setBox_);
    setEnabled(true);
    updateButtons();
}

void FrmSets::cmdAll_Click() {
    setEnabled(false);
    Unassign_FromSets(ctx_, list_, font_, true, setBox_);
    setEnabled(true);
    updateButtons();
}

FrmMainLegend::FrmMainLegend(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMainLegend"));
    setWindowTitle(tr("All Fonts Color Legend"));
    auto* layout = new QGridLayout(this);
    const struct {
        bool selected, strike, underline;
        const char* text;
    } rows[] = {
        {false, false, false, QT_TR_NOOP("Font is active, but not selected.")},
        {true, false, false, QT_TR_NOOP("Font is active and selected.")},
        {false, true, false, QT_TR_NOOP("Font is inactivated, but not selected.")},
        {true, true, false, QT_TR_NOOP("Font is inactivated and selected.")},
        {false, false, true, QT_TR_NOOP("Font is a system font, but not selected.")},
        {true, false, true, QT_TR_NOOP("Font is a system font and selected.")},
    };
    int r = 0;
    for (const auto& row : rows) {
        auto* sample = new QLabel(tr(" Arial Narrow"), this);
        QFont f = sample->font();
        f.setStrikeOut(row.strike);
        f.setUnderline(row.underline);
        sample->setFont(f);
        sample->setAutoFillBackground(true);
        QPalette p = sample->palette();
        p.setColor(QPalette::Window,
                   palette().color(row.selected ? QPalette::Highlight : QPalette::Base));
        p.setColor(QPalette::WindowText,
                   palette().color(row.selected ? QPalette::HighlightedText : QPalette::Text));
        sample->setPalette(p);
        sample->setMinimumWidth(120);
        layout->addWidget(sample, r, 0);
        layout->addWidget(new QLabel(tr(row.text), this), r, 1);
        ++r;
    }
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, r, 1, Qt::AlignRight);
    installHelpKey(this, 2019);
    centreOnScreen(this);
}

FrmPreviewLegend::FrmPreviewLegend(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPreviewLegend"));
    setWindowTitle(tr("Font Preview Legend"));
    auto* layout = new QGridLayout(this);
    const struct {
        bool selected, installed, dimmed;
        const char* text;
    } rows[] = {
        {true, true, false, QT_TR_NOOP("Font is selected and installed, ready to be re-installed")},
        {false, true, false, QT_TR_NOOP("Font is installed, can be selected to be re-installed")},
        {true, false, false, QT_TR_NOOP("Font is selected, it is ready to be installed")},
        {false, false, false,
         QT_TR_NOOP("Font is ready to be selected, it is not currently installed")},
        {false, false, true,
         QT_TR_NOOP("File cannot be read as a font, or is not a TrueType font: it cannot be "
                    "installed")},
    };
    int r = 0;
    for (const auto& row : rows) {
        auto* sample = new QLabel(tr(" Arial Narrow"), this);
        QFont f = sample->font();
        f.setStrikeOut(row.installed);
        sample->setFont(f);
        sample->setAutoFillBackground(true);
        QPalette p = sample->palette();
        p.setColor(QPalette::Window,
                   palette().color(row.selected ? QPalette::Highlight : QPalette::Window));
        p.setColor(QPalette::WindowText, row.selected ? palette().color(QPalette::HighlightedText)
                                         : row.dimmed
                                             ? palette().color(QPalette::Disabled, QPalette::Text)
                                             : palette().color(QPalette::WindowText));
        sample->setPalette(p);
        sample->setMinimumWidth(120);
        sample->setAccessibleName(tr(row.text));
        layout->addWidget(sample, r, 0);
        layout->addWidget(new QLabel(tr(row.text), this), r, 1);

        ++r;
    }
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, r, 1, Qt::AlignRight);
    installHelpKey(this, 2048);
    centreOnScreen(this);
}

} // namespace lb
