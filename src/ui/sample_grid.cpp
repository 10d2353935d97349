#include "ui/sample_grid.h"

#include "catalogue/font_list.h"
#include "platform/qt_face_drawing.h"
#include "samples/sample_pane.h"
#include "ui/font_grid.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

namespace lb {

SampleDelegate::SampleDelegate(SamplePane& pane, QtFaceDrawing& drawing, QObject* parent)
    : PlainTipDelegate(parent), pane_(pane), drawing_(drawing) {}

void SampleDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    if (index.column() == 0) {
        const auto state = FaceState(index.data(SamplePane::StateRole).toInt());
        option->font.setStrikeOut(state == FaceState::Inactive);
        option->font.setUnderline(state == FaceState::System);
        // The name, in the program's own font: a long one ends in an ellipsis, never cut bare.
        option->textElideMode = Qt::ElideRight;
        return;
    }
    if (!index.data(SamplePane::DrawableRole).toBool()) {
        option->text.clear();
        return;
    }
    const QString face = index.data(SamplePane::FaceRole).toString();
    const int size = index.data(SamplePane::PointSizeRole).toInt();
    const SampleStyles styles = pane_.styles();
    option->font = drawing_.font(face, size, styles.bold, styles.italic, styles.underline);
    option->fontMetrics = QFontMetrics(option->font);
}

SampleGrid::SampleGrid(SamplePane& pane, QtFaceDrawing& drawing, QWidget* parent)
    : QTableView(parent), pane_(pane) {
    setModel(&pane);
    setItemDelegate(new SampleDelegate(pane, drawing, this));
    setUpSampleTable(*this);
    setFocusPolicy(Qt::NoFocus);
    connect(&pane, &QAbstractItemModel::modelReset, this, &SampleGrid::applySizes);
    connect(&pane, &SamplePane::sizesChanged, this, &SampleGrid::applySizes);
}

int SampleGrid::pixels(int twips) const {
    const int dpi = logicalDpiY() > 0 ? logicalDpiY() : 96;
    return int(std::lround(twips * dpi / 1440.0));
}

void SampleGrid::applySizes() {
    const bool oneFont = pane_.state().shown == PaneState::OneFont;
    horizontalHeader()->setFixedHeight(pixels(360));
    // At least as wide as its header, which the desktop's font may make wider than designed.
    const QString header = pane_.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString();
    const int headerWidth = horizontalHeader()->fontMetrics().horizontalAdvance(header) + 12;
    setColumnWidth(0, std::max(pixels(oneFont ? 750 : 2000), headerWidth));
    // One font scrolls by the pane's own scroll bar; a list by the grid's.
    setVerticalScrollBarPolicy(oneFont ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    QHeaderView* rows = verticalHeader();
    {
        // Quiet: the grid would otherwise queue every one of a long list's rows for relayout;
        // it is laid out once below.
        const QSignalBlocker quiet(rows);
        if (oneFont) {
            for (int r = 0; r < pane_.rowCount(); ++r)
                rows->resizeSection(r, pixels(pane_.rowTwips(r)));
        } else {
            rows->setDefaultSectionSize(pixels(pane_.listSize() * TwipsPerPoint));
        }
    }
    updateGeometries();
    viewport()->update();
}

void SampleGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    Q_EMIT doubleClicked();
    event->accept();
}

} // namespace lb
