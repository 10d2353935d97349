#pragma once

#include <QListView>

class QTableView;

namespace lb {

// A font list: draws its model's own selection and state markings and reports presses with
// the button and shift state, so the selection rules stay with the operations.
class FontGrid : public QListView {
    Q_OBJECT
public:
    explicit FontGrid(QWidget* parent = nullptr);
    int topRow() const;
    void setTopRow(int row);

Q_SIGNALS:
    void rowPressed(int row, int button, int shift, QPoint globalPos);
    void rowClicked();
    void rowDoubleClicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // Moving with the keys picks the font moved to as a click would, Shift and Ctrl as with the
    // mouse; the menu key (or Shift+F10) opens the pop-up at the current font.
    void keyPressEvent(QKeyEvent* event) override;
};

// A table of samples (the sample pane, Font Preview): rows drawn by their delegate at the
// heights the model gives, nothing to edit or select through the view itself.
void setUpSampleTable(QTableView& table);

// Maps Qt's keyboard modifiers onto the lists' shift state (Shift 1, Ctrl 2, Alt 4).
int shiftState(Qt::KeyboardModifiers modifiers);

} // namespace lb
