#pragma once

#include "catalogue/font_list.h"
#include "catalogue/selection.h"
#include "core/main_context.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace lb {

class FontGrid;

// Copies the current set's assignments into another set, new or existing.
class FrmCopySet : public QDialog {
    Q_OBJECT
public:
    FrmCopySet(MainContext& ctx, QWidget* parent = nullptr);
    QComboBox* target() const { return cmbSets_; }
    void cmdOK_Click();

private:
    MainContext& ctx_;
    QComboBox* cmbSets_;
};

// The sets that hold the picked font, with unassign commands.
class FrmSets : public QDialog {
    Q_OBJECT
public:
    // `setBox`: the main window's set box, which stays as it is while the dialog is open.
    FrmSets(MainContext& ctx, const QString& setBox, QWidget* parent = nullptr);
    FontListModel& sets() { return list_; }
    void pressRow(int row, int button, int shift);
    void cmdUnassign_Click();
    void cmdAll_Click();

private:
    void updateButtons();

    MainContext& ctx_;
    QString font_;
    QString setBox_;
    FontListModel list_;
    PressMemory memory_;
    FontGrid* grdSets_;
    QPushButton* cmdUnassign_;
};

// Explains the markings of the All Fonts list.
class FrmMainLegend : public QDialog {
    Q_OBJECT
public:
    explicit FrmMainLegend(QWidget* parent = nullptr);
};

// Explains the markings of the Font Preview grid.
class FrmPreviewLegend : public QDialog {
    Q_OBJECT
public:
    explicit FrmPreviewLegend(QWidget* parent = nullptr);
};

void centreOnScreen(QWidget* window);

} // namespace lb
