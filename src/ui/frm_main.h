#pragma once

#include "catalogue/font_list.h"
#include "core/main_context.h"

#include <QMainWindow>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QProgressBar;

namespace lb {

// The main window: renders the lists and forwards commands to the operations.
class FrmMain : public QMainWindow, public OperationView {
    Q_OBJECT
public:
    FrmMain(AppState& app, FontPlatform& fonts, QWidget* parent = nullptr);
    ~FrmMain() override;

    void Form_Load();
    bool Confirm_Exit();
    void Shut_Down();
    void mnuFileExit_Click();
    void mnuFileRefresh_Click();
    void mnuEditActiveSelected_Click();
    void mnuEditActiveAll_Click();
    void mnuEditAddAutoAssign_Click();
    void mnuEditRemoveAutoAssign_Click();

    void Refresh_Fonts();

    MainContext& context() { return ctx_; }
    FontListModel& allFonts() { return allFonts_; }
    FontListModel& assignedFonts() { return assignedFonts_; }

    // Called when the program ends; tests replace it so the test program goes on.
    std::function<void()> endProgram;

    // OperationView
    void setMessage(const QString& text) override;
    void setFontCount(const QString& text) override;
    void showProgress(bool visible) override;
    void setProgressRange(int minimum, int maximum) override;
    void setProgressValue(int value) override;
    int progressValue() const override;
    int progressMaximum() const override;
    void setWindowEnabled(bool enabled) override;
    void yield() override;
    void fillSets() override;
    void clearAssignedFonts() override;
    void fillAssignedFonts() override;
    void handleButtons() override;
    QString setBoxText() const override;
    void setSetBoxText(const QString& text) override;
    void focusSetBox() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildMenus();
    void buildLayout();
    void saveSize();
    void runGuarded(const std::function<void()>& operation);
    double twipsPerPixel() const;

    AppState& app_;
    FontListModel allFonts_;
    FontListModel assignedFonts_;
    MainContext ctx_;

    QAction* mnuFileRefresh_ = nullptr;
    QAction* mnuFileExit_ = nullptr;
    QAction* mnuEditAddAutoAssign_ = nullptr;
    QAction* mnuEditRemoveAutoAssign_ = nullptr;
    QAction* mnuEditActiveAll_ = nullptr;
    QAction* mnuEditActiveSelected_ = nullptr;
    QMenu* mnuPopup_ = nullptr;
    QListView* grdAll_ = nullptr;
    QListView* grdAssigned_ = nullptr;
    QComboBox* cmbSets_ = nullptr;
    QCheckBox* chkFilter_ = nullptr;
    QLineEdit* txtAll_ = nullptr;
    QLineEdit* txtAssigned_ = nullptr;
    QProgressBar* barProgress_ = nullptr;
    QLabel* panel1_ = nullptr;
    QLabel* panel2_ = nullptr;
    QLabel* panel3_ = nullptr;
};

} // namespace lb
