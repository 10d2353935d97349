#include "ui/font_grid.h"

#include "catalogue/selection.h"
#include "ui/font_state_delegate.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>

namespace lb {

int shiftState(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? ShiftShift : 0) | (m & Qt::ControlModifier ? ShiftCtrl : 0) |
           (m & Qt::AltModifier ? ShiftAlt : 0);
}

FontGrid::FontGrid(QWidget* parent) : QListView(parent) {
    setItemDelegate(new FontStateDelegate(this));
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    setSelectionMode(NoSelection);
}

int FontGrid::topRow() const {
    const QModelIndex top = indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

void FontGrid::setTopRow(int row) {
    if (!model() || row < 0 || row >= model()->rowCount()) return;
    scrollTo(model()->index(row, 0), PositionAtTop);
}

void FontGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    setFocus(Qt::MouseFocusReason);
    if (!index.isValid()) return;
    setCurrentIndex(index);
    const int button = event->button() == Qt::RightButton    ? ButtonRight
                       : event->button() == Qt::MiddleButton ? ButtonMiddle
                                                             : ButtonLeft;
    Q_EMIT rowPressed(index.row(), button, shiftState(event->modifiers()),
                      event->globalPosition().toPoint());
}

void FontGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (indexAt(event->position().toPoint()).isValid()) Q_EMIT rowClicked();
}

void FontGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (indexAt(event->position().toPoint()).isValid()) Q_EMIT rowDoubleClicked();
}

void FontGrid::mouseMoveEvent(QMouseEvent*) {
    // Dragging does not select: the lists select by press only.
}

void FontGrid::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool popup =
        key == Qt::Key_Menu || (key == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier);
    CursorAction action = MoveDown;
    switch (key) {
    case Qt::Key_Up:
        action = MoveUp;
        break;
    case Qt::Key_Down:
        action = MoveDown;
        break;
    case Qt::Key_PageUp:
        action = MovePageUp;
        break;
    case Qt::Key_PageDown:
        action = MovePageDown;
        break;
    case Qt::Key_Home:
        action = MoveHome;
        break;
    case Qt::Key_End:
        action = MoveEnd;
        break;
    default:
        if (!popup) {
            QListView::keyPressEvent(event);
            return;
        }
    }
    event->accept();
    if (!model() || model()->rowCount() == 0) return;
    QModelIndex target = currentIndex();
    if (!popup)
        target = target.isValid() ? moveCursor(action, Qt::NoModifier) : model()->index(0, 0);
    if (!target.isValid()) return;
    setCurrentIndex(target);
    scrollTo(target);
    const QPoint at = viewport()->mapToGlobal(visualRect(target).center());
    Q_EMIT rowPressed(target.row(), popup ? ButtonRight : ButtonLeft,
                      popup ? 0 : shiftState(event->modifiers()), at);
    Q_EMIT rowClicked();
}

void setUpSampleTable(QTableView& table) {
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setSelectionMode(QAbstractItemView::NoSelection);
    table.setWordWrap(false);
    table.setTextElideMode(Qt::ElideNone); // an ellipsis could only come from another font
    table.setCornerButtonEnabled(false);
    table.setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    table.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table.verticalHeader()->hide();
    table.verticalHeader()->setMinimumSectionSize(1);
    table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table.horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table.horizontalHeader()->setStretchLastSection(true);
    table.horizontalHeader()->setSectionsClickable(false);
    table.horizontalHeader()->setHighlightSections(false);
}

} // namespace lb
