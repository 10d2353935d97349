#include "ui/frm_print_setup.h"

#include "reports/printing.h"
#include "ui/dialogs.h"
#include "ui/help.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lb {

FrmPrintSetup::FrmPrintSetup(AppState& app, Printers& printers, QWidget* parent)
    : QDialog(parent), app_(app), printers_(printers) {
    setObjectName(QStringLiteral("frmPrintSetup"));
    setWindowTitle(tr("Print Setup"));
    auto* layout = new QVBoxLayout(this);
    auto* fraPrinter = new QGroupBox(tr("Printer"), this);
    fraPrinter->setObjectName(QStringLiteral("fraPrinter"));
    auto* grid = new QGridLayout(fraPrinter);
    auto* lblName = new QLabel(tr("Name:"), fraPrinter);
    lblName->setObjectName(QStringLiteral("lblName"));
    cmbPrinter_ = new QComboBox(fraPrinter);
    cmbPrinter_->setObjectName(QStringLiteral("cmbPrinter"));
    cmbPrinter_->setAccessibleName(tr("Name:"));
    cmbPrinter_->setMinimumWidth(260);
    lblName->setBuddy(cmbPrinter_);
    auto* lblSetup = new QLabel(tr("Where:"), fraPrinter);
    lblSetup->setObjectName(QStringLiteral("lblSetup"));
    lblPort_ = new QLabel(fraPrinter);
    lblPort_->setObjectName(QStringLiteral("lblPort"));
    lblPort_->setAccessibleName(tr("Where:"));
    lblPort_->setTextFormat(Qt::PlainText);
    grid->addWidget(lblName, 0, 0);
    grid->addWidget(cmbPrinter_, 0, 1);
    grid->addWidget(lblSetup, 1, 0);
    grid->addWidget(lblPort_, 1, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &FrmPrintSetup::cmdOK_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(fraPrinter);
    layout->addWidget(buttons);

    for (const PrinterInfo& p : setupPrinters(printers))
        cmbPrinter_->addItem(p.name);
    cmbPrinter_->setCurrentIndex(cmbPrinter_->findText(app.printerName, Qt::MatchExactly));
    lblPort_->setText(app.printerPort);
    connect(cmbPrinter_, QOverload<int>::of(&QComboBox::activated), this,
            [this](int) { cmbPrinter_Click(); });
    installHelpKey(this, 1008);
    applyWhatsThis(this);
    centreOnScreen(this);
}

void FrmPrintSetup::cmbPrinter_Click() {
    lblPort_->setText(printerWhere(printers_, cmbPrinter_->currentText()));
}

void FrmPrintSetup::cmdOK_Click() {
    // A printer removed since the dialog opened leaves the choice as it was.
    choosePrinter(app_, printers_, cmbPrinter_->currentText());
    accept();
}

} // namespace lb
