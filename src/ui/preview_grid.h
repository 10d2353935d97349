#pragma once

#include <QStyledItemDelegate>
#include <QTableView>

namespace lb {

class FontPreview;
class QtPreviewFonts;

// The preview grid `grdSample`: one row per face of the folder, the name in the interface font
// (struck through when installed, in the selection colours when selected, dimmed when it cannot
// be installed) and the sample drawn from the bytes of the face's own file. Only the rows on screen
// are drawn; presses go to the preview's rules with the button and shift codes of the lists.
class PreviewGrid : public QTableView {
    Q_OBJECT
public:
    PreviewGrid(FontPreview& preview, QtPreviewFonts& fonts, QWidget* parent = nullptr);
    void applySizes();
    int pixels(int twips) const;

Q_SIGNALS:
    void rowPressed(int row, int button, int shift, QPoint globalPos);
    void rowReleased();
    void rowDoubleClicked(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    FontPreview& preview_;
};

class PreviewDelegate : public QStyledItemDelegate {
public:
    PreviewDelegate(QtPreviewFonts& fonts, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    QtPreviewFonts& fonts_;
};

} // namespace lb
