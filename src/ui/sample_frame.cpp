#include "ui/sample_frame.h"

#include "samples/sample_pane.h"
#include "ui/sample_grid.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

namespace lb {

SampleFrame::SampleFrame(SamplePane& pane, QtFaceDrawing& drawing, QWidget* parent)
    : QFrame(parent), pane_(pane) {
    setObjectName(QStringLiteral("fraDisplay"));
    setFrameShape(QFrame::StyledPanel);
    setAccessibleName(tr("Samples"));

    grdSample_ = new SampleGrid(pane, drawing, this);
    grdSample_->setObjectName(QStringLiteral("grdSample"));
    grdSample_->setAccessibleName(tr("Samples"));
    scrDisplay_ = new QScrollBar(Qt::Vertical, this);
    scrDisplay_->setObjectName(QStringLiteral("scrDisplay"));
    scrDisplay_->setAccessibleName(tr("Font sizes"));
    scrDisplay_->setRange(1, int(SampleSizes.size()));
    scrDisplay_->setSingleStep(1);
    scrDisplay_->setPageStep(2);
    txtDisplay_ = new QLineEdit(this);
    txtDisplay_->setObjectName(QStringLiteral("txtDisplay"));
    txtDisplay_->setAccessibleName(tr("Sample message"));
    txtDisplay_->setReadOnly(true);
    txtDisplay_->setFocusPolicy(Qt::NoFocus);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(txtDisplay_, 0, 0, 1, 2, Qt::AlignTop);
    layout->addWidget(grdSample_, 1, 0);
    layout->addWidget(scrDisplay_, 1, 1);
    layout->setRowStretch(1, 1);

    cmbFontSize_ = new QComboBox(parent);
    cmbFontSize_->setObjectName(QStringLiteral("cmbFontSize"));
    cmbFontSize_->setAccessibleName(tr("Font Size"));
    cmbFontSize_->setToolTip(tr("Font Size"));
    for (int size = ListSizeMin; size <= ListSizeMax; ++size)
        cmbFontSize_->addItem(QString::number(size));

    editorBar_ = new QWidget(parent);
    editorBar_->setObjectName(QStringLiteral("editorBar"));
    auto* editor = new QHBoxLayout(editorBar_);
    editor->setContentsMargins(0, 0, 0, 0);
    txtSample_ = new QLineEdit(editorBar_);
    txtSample_->setObjectName(QStringLiteral("txtSample"));
    txtSample_->setAccessibleName(tr("Sample Text"));
    txtSample_->setMaxLength(SampleTextMaxLength);
    cmdSample_ = new QPushButton(tr("Update Text"), editorBar_);
    cmdSample_->setObjectName(QStringLiteral("cmdSample"));
    editor->addWidget(txtSample_, 1);
    editor->addWidget(cmdSample_);
    editorBar_->hide();

    connect(scrDisplay_, &QScrollBar::valueChanged, this,
            [this](int value) { pane_.scrDisplay_Change(value); });
    connect(cmbFontSize_, QOverload<int>::of(&QComboBox::activated), this,
            [this](int) { cmbFontSize_Click(); });
    connect(cmdSample_, &QPushButton::clicked, this, &SampleFrame::cmdSample_Click);
    connect(txtSample_, &QLineEdit::returnPressed, this, &SampleFrame::cmdSample_Click);
    connect(grdSample_, &SampleGrid::doubleClicked, this, &SampleFrame::openEditor);
    connect(&pane, &SamplePane::stateChanged, this, &SampleFrame::render);
    installEventFilter(this);
    txtSample_->installEventFilter(this);
    render();
}

void SampleFrame::render() {
    const PaneState& s = pane_.state();
    grdSample_->setVisible(s.shown != PaneState::Empty);
    const bool oneFont = s.shown == PaneState::OneFont;
    scrDisplay_->setVisible(oneFont);
    if (oneFont && scrDisplay_->value() != s.firstRow + 1) {
        const QSignalBlocker quiet(scrDisplay_);
        scrDisplay_->setValue(s.firstRow + 1);
    }
    if (oneFont) grdSample_->verticalScrollBar()->setValue(s.firstRow);
    txtDisplay_->setVisible(s.messageVisible);
    txtDisplay_->setText(s.messageVisible ? s.message : QString());
    cmbFontSize_->setEnabled(s.fontSizeEnabled);
    const QString size = QString::number(pane_.listSize());
    if (cmbFontSize_->currentText() != size) {
        const QSignalBlocker quiet(cmbFontSize_);
        cmbFontSize_->setCurrentIndex(cmbFontSize_->findText(size));
    }
    editorBar_->setVisible(s.editorOpen);
}

void SampleFrame::openEditor() {
    if (!pane_.Sample_Text()) return;
    txtSample_->setText(pane_.sampleText());
    editorBar_->show();
    txtSample_->setFocus(Qt::OtherFocusReason);
    txtSample_->selectAll();
}

void SampleFrame::cmdSample_Click() {
    QString text = txtSample_->text();
    const bool stored = pane_.cmdSample_Click(text);
    txtSample_->setText(text);
    if (!stored) {
        txtSample_->setFocus(Qt::OtherFocusReason);
        txtSample_->selectAll();
    }
}

void SampleFrame::cmbFontSize_Click() {
    const QWidget* active = QApplication::activeWindow();
    const bool mainActive = active && active->objectName() == QLatin1String("frmMain");
    pane_.cmbFontSize_Click(cmbFontSize_->currentText().toInt(), mainActive);
    render();
}

bool SampleFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this && event->type() == QEvent::MouseButtonDblClick) {
        openEditor();
        return true;
    }
    if (watched == txtSample_ && event->type() == QEvent::FocusIn)
        // After the click that gave the focus has placed the cursor.
        QTimer::singleShot(0, txtSample_, [box = txtSample_] { box->selectAll(); });
    return QFrame::eventFilter(watched, event);
}

} // namespace lb
