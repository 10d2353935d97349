#pragma once

#include "platform/qt_preview_fonts.h"
#include "preview/drives.h"
#include "preview/font_preview.h"

#include <QDialog>
#include <functional>
#include <memory>

class QComboBox;
class QFileSystemModel;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeView;

namespace lb {

class FrmMain;
class PreviewGrid;

// "Font Preview": the font files of any folder, each drawn in its own face, marked when already
// installed, selected and handed to the installer. A top-level window of its own, so that it stays
// up while the main window is minimised. It renders the preview's state and forwards events to it.
class FrmFontPreview : public QDialog, public PreviewView {
    Q_OBJECT
public:
    explicit FrmFontPreview(FrmMain& main);
    ~FrmFontPreview() override;

    FontPreview& preview() { return *preview_; }
    QtPreviewFonts& fonts() { return fonts_; }
    PreviewGrid* grid() const { return grdSample_; }
    const std::vector<Drive>& drives() const { return drives_; }
    // The row the "Preview" pop-up menu was opened for; -1 when none.
    int popupRow() const { return popupRow_; }

    // Where the drive list comes from; tests add drives of their own.
    std::function<std::vector<Drive>()> listDrives = mountedDrives;
    // Shows the "Preview" pop-up menu; tests replace it.
    std::function<void(QPoint)> showPopup;

    void fillDrives();
    void boxDrive_Change(int index);
    void boxDir_Change(const QString& folder);
    void grdSample_MouseDown(int row, int button, int shift, QPoint globalPos);
    void grdSample_DblClick(int row);
    void cmdInstall_Click();
    void cmdLegend_Click();
    void cmdCancel_Click();
    void cmbFontSize_Click();

    // PreviewView
    void setStatus(const QString& text) override;
    void setBusy(bool busy) override;
    void showProgress(bool visible) override;
    void setProgressRange(int maximum) override;
    void setProgressValue(int value) override;
    void yield() override;

Q_SIGNALS:
    // The list size shared with the main window was changed here.
    void listSizeChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void render();
    void showDrive(int index);
    // Makes `folder` the highlighted folder of the tree, its parents opened.
    void reveal(const QString& folder);

    FrmMain& main_;
    QtPreviewFonts fonts_;
    std::unique_ptr<FontPreview> preview_;
    std::vector<Drive> drives_;
    int previousDrive_ = -1;
    int popupRow_ = -1;
    QString revealing_; // a folder to highlight once the tree has read its parents

    QComboBox* boxDrive_ = nullptr;
    QTreeView* boxDir_ = nullptr;
    QFileSystemModel* folders_ = nullptr;
    QLabel* lblPath_ = nullptr;
    QFrame* fraSample_ = nullptr;
    PreviewGrid* grdSample_ = nullptr;
    QComboBox* cmbFontSize_ = nullptr;
    QPushButton* cmdSelect_ = nullptr;
    QPushButton* cmdDeselect_ = nullptr;
    QPushButton* cmdInstall_ = nullptr;
    QPushButton* cmdLegend_ = nullptr;
    QPushButton* cmdHelp_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QProgressBar* barProgress_ = nullptr;
    QLabel* panel2_ = nullptr;
    QLabel* panel3_ = nullptr;
};

} // namespace lb
