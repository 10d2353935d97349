#pragma once

#include <QFrame>

class QComboBox;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace lb {

class QtFaceDrawing;
class SampleGrid;
class SamplePane;

// The sample pane's controls: the frame `fraDisplay` with the grid `grdSample`, the scroll bar
// `scrDisplay` and the message box `txtDisplay`; the size box `cmbFontSize`; and the sample-text
// editor (`txtSample`, "Update Text"), which the window places above its status bar. It renders
// the pane's state and hands every event to the pane's rules.
class SampleFrame : public QFrame {
    Q_OBJECT
public:
    SampleFrame(SamplePane& pane, QtFaceDrawing& drawing, QWidget* parent = nullptr);

    QComboBox* fontSizeBox() const { return cmbFontSize_; }
    QWidget* editorBar() const { return editorBar_; }
    SampleGrid* grid() const { return grdSample_; }

    // Shows what the pane's state says.
    void render();
    // Sample_Text: opens the editor with the current text, all of it selected.
    void openEditor();
    void cmdSample_Click();
    void cmbFontSize_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    SamplePane& pane_;
    SampleGrid* grdSample_;
    QScrollBar* scrDisplay_;
    QLineEdit* txtDisplay_;
    QComboBox* cmbFontSize_;
    QWidget* editorBar_;
    QLineEdit* txtSample_;
    QPushButton* cmdSample_;
};

} // namespace lb
