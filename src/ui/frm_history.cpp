#include "ui/frm_history.h"

#include "ui/dialogs.h"
#include "ui/help.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QListWidget>
#include <QPushButton>

namespace lb {

FrmHistory::FrmHistory(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(tr("History"));
    setModal(false);
    lstHistory_ = new QListWidget(this);
    lstHistory_->setObjectName(QStringLiteral("lstHistory"));
    lstHistory_->setAccessibleName(tr("History"));
    auto* cmdClear = new QPushButton(tr("&Clear"), this);
    cmdClear->setObjectName(QStringLiteral("cmdClear"));
    cmdClear->setAutoDefault(false);
    auto* cmdOK = new QPushButton(tr("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    auto* layout = new QGridLayout(this);
    layout->addWidget(lstHistory_, 0, 0, 3, 1);
    layout->addWidget(cmdOK, 0, 1);
    layout->addWidget(cmdClear, 1, 1);
    layout->setRowStretch(2, 1);
    connect(cmdClear, &QPushButton::clicked, this, &FrmHistory::cmdClear_Click);
    connect(cmdOK, &QPushButton::clicked, this, &FrmHistory::cmdOK_Click);
    auto pick = [this](QListWidgetItem* item) {
        if (picked) picked(item->text());
    };
    connect(lstHistory_, &QListWidget::itemClicked, this, pick);
    connect(lstHistory_, &QListWidget::itemDoubleClicked, this, pick);
    installHelpKey(this, 1046);
    resize(260, 300);
    centreOnScreen(this);
}

void FrmHistory::Add_History(const QString& currentFontName) {
    history_.Add_History(currentFontName);
    render();
}

void FrmHistory::remove(const QString& name) {
    history_.remove(name);
    render();
}

void FrmHistory::cmdClear_Click() {
    history_.clear();
    render();
}

void FrmHistory::cmdOK_Click() {
    close();
}

void FrmHistory::closeEvent(QCloseEvent* event) {
    // Closing forgets the list: the next picked font starts a new one.
    history_.clear();
    render();
    QDialog::closeEvent(event);
}

void FrmHistory::render() {
    lstHistory_->clear();
    lstHistory_->addItems(history_.names);
}

} // namespace lb
