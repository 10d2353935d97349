#pragma once

#include "core/app_state.h"
#include "platform/printers.h"

#include <QDialog>

class QComboBox;
class QLabel;

namespace lb {

// Print Setup: chooses the printer reports go to, for the rest of the run.
class FrmPrintSetup : public QDialog {
    Q_OBJECT
public:
    FrmPrintSetup(AppState& app, Printers& printers, QWidget* parent = nullptr);

    QComboBox* printerBox() const { return cmbPrinter_; }
    QLabel* portLabel() const { return lblPort_; }

    void cmbPrinter_Click();
    void cmdOK_Click();

private:
    AppState& app_;
    Printers& printers_;
    QComboBox* cmbPrinter_;
    QLabel* lblPort_;
};

} // namespace lb
