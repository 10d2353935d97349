#pragma once

#include "catalogue/font_list.h"
#include "catalogue/selection.h"
#include "core/main_context.h"
#include "platform/font_inspection.h"
#include "platform/qt_face_drawing.h"
#include "platform/qt_printers.h"
#include "samples/sample_pane.h"
#include "ui/main_commands.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QProgressBar;
class QPrinter;
class QPushButton;

namespace lb {

class FontGrid;
class FrmFontPreview;
class FrmHistory;
class SampleFrame;

// File > Fonts for a Document's question: the documents to read (a file dialog).
QStringList askForDocuments(QWidget* parent);

// The main window: renders the lists and forwards commands to the operations.
class FrmMain : public QMainWindow, public OperationView {
    Q_OBJECT
public:
    FrmMain(AppState& app, FontPlatform& fonts, QWidget* parent = nullptr);
    ~FrmMain() override;

    void Form_Load();
    bool Confirm_Exit();
    void Shut_Down();

    // Commands, as the tables of main_commands.cpp wire them.
    void mnuFileFontPreview_Click();
    void mnuFileRefresh_Click();
    void mnuFileDocumentFonts_Click();
    void mnuFilePrintSetup_Click();
    void mnuFilePrint_Click();
    void mnuFileExit_Click();
    void mnuEditAddAutoAssign_Click();
    void mnuEditRemoveAutoAssign_Click();
    void mnuEditAddSelected_Click();
    void mnuEditAddAll_Click();
    void mnuEditRemoveSelected_Click();
    void mnuEditRemoveAll_Click();
    void mnuEditAssignSets_Click();
    void mnuEditUnassignSets_Click();
    void mnuEditDelete_Click();
    void mnuEditCopySet_Click();
    void mnuEditRenameSet_Click();
    void mnuEditSample_Click();
    void mnuEditActiveSelected_Click();
    void mnuEditActiveAll_Click();
    void mnuViewHistory_Click();
    void mnuViewLegend_Click();
    void mnuViewSampleSet_Click();
    void mnuViewDisplayAllFonts_Click();
    void mnuViewSets_Click();
    void mnuViewProperties_Click();
    void mnuViewCheck_Click();
    void mnuHelpProduct_Click();
    void mnuHelpContents_Click();
    void mnuHelpWhatsThis_Click();
    void mnuHelpSupport_Click();
    void mnuHelpAbout_Click();
    void mnuPopupFontPrint_Click();
    // The toolbar's "Preview": the report Print would print, in a print preview.
    void Print_Preview();
    void mnuPopupFontDelete_Click();
    void mnuPopupPreviewProperties_Click();
    void Toggle_Bold();
    void Toggle_Italics();
    void Toggle_Underline();

    void chkFilter_Click();
    void cmbSets_KeyEnter();
    void cmbSets_Click();
    void cmbSets_GotFocus();

    // A press in font list 1 (All Fonts) or 2 (Assigned Fonts), as the mouse gives it.
    void grdFonts_MouseDown(int index, int row, int button, int shift, QPoint globalPos = {});
    void grdFonts_Click(int index);
    void grdFonts_DblClick(int index);
    QString captionTip(const QString& caption);

    void Refresh_Fonts();
    // Prints the report of the sample mode; with `request` the print dialog comes first.
    bool Print_Report(bool request);

    // The printers the program offers; tests give their own before the window loads.
    void setPrinters(Printers& printers) { printers_ = &printers; }
    Printers& printers() { return *printers_; }

    MainContext& context() { return ctx_; }
    FontListModel& allFonts() { return allFonts_; }
    FontListModel& assignedFonts() { return assignedFonts_; }
    SamplePane& samples() { return pane_; }
    QtFaceDrawing& drawing() { return drawing_; }
    SampleFrame* sampleFrame() const { return sampleFrame_; }
    FrmHistory* history() const { return frmHistory_; }
    QString deleteTip() const;
    QAction* command(const QString& name) const { return commands_.items.value(name); }
    QAction* tool(const QString& key) const { return commands_.tools.value(key); }
    // The help topic F1 and What's This use for the sample grid.
    int sampleHelpTopic() const { return pane_.state().helpTopic; }

    // What the duplicate and damage check reads the installed fonts through; tests give their own.
    std::function<std::unique_ptr<FontInspector>()> makeInspector;

    // Called when the program ends; tests replace it so the test program goes on.
    std::function<void()> endProgram;

    // The set box's text: the set the set commands work on.
    QString setBoxText() const;

    // OperationView
    void setMessage(const QString& text) override;
    void setFontCount(const QString& text) override;
    void showProgress(bool visible) override;
    void setProgressRange(int minimum, int maximum) override;
    void setProgressValue(int value) override;
    void setWindowEnabled(bool enabled) override;
    void yield() override;
    void fillSets() override;
    void clearAssignedFonts() override;
    void fillAssignedFonts() override;
    void handleButtons() override;
    void setSetBoxText(const QString& text) override;
    void focusSetBox() override;
    void clearFindBox(int list) override;
    void addSetEntry(const QString& name) override;
    void removeSetEntry(const QString& name) override;
    void enableDelete(const QString& tip) override;
    void disableDelete() override;
    void keepAllFontsPosition() override;
    void restoreAllFontsPosition() override;

    void hideSamples() override;
    void displayFont() override;

    // Asks for the documents of File > Fonts for a Document; tests answer it.
    std::function<QStringList(QWidget*)> chooseDocuments = askForDocuments;

    // Runs while a print dialog or print preview is open, with it; tests answer it.
    std::function<void(QDialog*)> onPrintDialog;

    // The pop-up menu is prepared here and shown by the caller; tests inspect it.
    QMenu* fontPopup() const { return mnuPopupFont_; }
    // The "Preview" pop-up of the Font Preview window.
    QMenu* previewPopup() const;
    // The Font Preview window while it is open.
    FrmFontPreview* fontPreview() const;

    // Runs an operation; an error escaping it is shown, and the lists show the data as it is.
    void runGuarded(const std::function<void()>& operation);
    void preparePopup(int index);
    std::function<void(QPoint)> showPopup;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildLayout();
    void renderPane();
    // Shows the picked font's sample; false when it could not be shown.
    bool showPickedFont();
    // The chosen printer on the Print button.
    void showPrinter();
    void saveSize();
    // Says what the load could not read and that nothing is lost.
    void tellLoadFailure(const QString& what);
    double twipsPerPixel() const;
    // Another program (letterbayctl, traywick) may change the database while this window is in
    // the background: when it is activated again, or a menu opens, and the database says so, it
    // shows the changes.
    void refreshIfChanged();
    void previewClosed();

    AppState& app_;
    FontListModel allFonts_;
    FontListModel assignedFonts_;
    MainContext ctx_;

    QtFaceDrawing drawing_;
    QtPrinters qtPrinters_;
    Printers* printers_ = &qtPrinters_;
    SamplePane pane_;
    Commands commands_;
    QMenu* mnuPopup_ = nullptr;
    QMenu* mnuPopupFont_ = nullptr;
    SampleFrame* sampleFrame_ = nullptr;
    FrmHistory* frmHistory_ = nullptr;
    QPointer<FrmFontPreview> frmFontPreview_;
    Qt::WindowStates stateBeforePreview_;
    bool minimisedForPreview_ = false;
    FontGrid* grdAll_ = nullptr;
    FontGrid* grdAssigned_ = nullptr;
    QLabel* lblFonts_ = nullptr;
    QLabel* lblAssigned_ = nullptr;
    QLabel* lblSets_ = nullptr;
    PressMemory press_;
    QComboBox* cmbSets_ = nullptr;
    QCheckBox* chkFilter_ = nullptr;
    QLineEdit* txtAll_ = nullptr;
    QLineEdit* txtAssigned_ = nullptr;
    QProgressBar* barProgress_ = nullptr;
    struct Progress {
        int minimum = 0, maximum = 0, value = 0;
    } progress_;
    QElapsedTimer progressShown_; // since the bar was last moved
    QLabel* panel1_ = nullptr;
    QLabel* panel2_ = nullptr;
    QLabel* panel3_ = nullptr;
    static constexpr int OutsideCheckMs = 1500;
    QMetaObject::Connection focusWatch_;
    int keptTopRow_ = 0;      // All Fonts' scroll position over a refill
    qint64 outsideSeen_ = -1; // the database's count of other programs' changes last shown
};

} // namespace lb
