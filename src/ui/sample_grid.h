#pragma once

#include "ui/plain_tip.h"

#include <QTableView>

namespace lb {

class QtFaceDrawing;
class SamplePane;

// The sample grid `grdSample`: the pane's rows, each sample drawn in its own face. Only the
// rows on screen are drawn; heights follow the pane (30 twips per point of size).
class SampleGrid : public QTableView {
    Q_OBJECT
public:
    SampleGrid(SamplePane& pane, QtFaceDrawing& drawing, QWidget* parent = nullptr);
    // Column widths, header and row heights from the pane's state.
    void applySizes();
    int pixels(int twips) const;

Q_SIGNALS:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    SamplePane& pane_;
};

// Column 0 in the interface font (struck through or underlined by the font's state, as the
// lists draw it); column 1 in the row's face, or left empty when that face cannot be drawn.
class SampleDelegate : public PlainTipDelegate {
public:
    SampleDelegate(SamplePane& pane, QtFaceDrawing& drawing, QObject* parent);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    SamplePane& pane_;
    QtFaceDrawing& drawing_;
};

} // namespace lb
