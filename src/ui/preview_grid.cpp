#include "ui/preview_grid.h"

#include "catalogue/selection.h"
#include "platform/qt_preview_fonts.h"
#include "preview/font_preview.h"
#include "samples/sample_pane.h"
#include "ui/font_grid.h"

#include <QApplication>
#include <QGlyphRun>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QRawFont>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

namespace lb {

PreviewDelegate::PreviewDelegate(QtPreviewFonts& fonts, QObject* parent)
    : QStyledItemDelegate(parent), fonts_(fonts) {}

void PreviewDelegate::initStyleOption(QStyleOptionViewItem* option,
                                      const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
    if (index.column() == 0) {
        // Only the name cell carries the marks: selected and installed.
        option->font.setStrikeOut(index.data(FontPreview::InstalledRole).toBool());
        if (index.data(FontPreview::SelectedRole).toBool()) option->state |= QStyle::State_Selected;
        if (!index.data(FontPreview::InstallableRole).toBool())
            option->state &= ~QStyle::State_Enabled;
        return;
    }
    if (!index.data(FontPreview::ReadableRole).toBool()) {
        // The message is the interface's, not a face's.
        option->font.setItalic(true);
        option->state &= ~QStyle::State_Enabled;
    }
}

namespace {

bool regularStyleName(const QString& style) {
    static const QStringList names{QStringLiteral("Regular"), QStringLiteral("Book"),
                                   QStringLiteral("Normal"),  QStringLiteral("Roman"),
                                   QStringLiteral("Plain"),   QStringLiteral("Standard")};
    return style.isEmpty() || names.contains(style, Qt::CaseInsensitive);
}

int distanceFromRegular(const QRawFont& raw) {
    // FreeType reports every weight that is not bold as regular: the font's own OS/2 table says
    // which file is the regular one (weight 400, normal width), as fontconfig reads it. Some
    // files give a light or narrow face the regular weight (and Type 1 has no such table), so
    // the style's name counts first.
    const QByteArray os2 = raw.fontTable("OS/2");
    const auto word = [&](int at) {
        return (int(quint8(os2[at])) << 8) | int(quint8(os2[at + 1]));
    };
    int weight = raw.weight() == QFont::Bold ? 700 : 400;
    int width = 5;
    bool italic = raw.style() != QFont::StyleNormal;
    if (os2.size() >= 64) {
        weight = word(4);
        width = word(6);
        italic = italic || (word(62) & 1);
    }
    return std::abs(weight - 400) + 100 * std::abs(width - 5) +
           (regularStyleName(raw.styleName()) ? 0 : 1000) + (italic ? 10000 : 0);
}

} // namespace

void PreviewDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    if (index.column() == 0 || !index.data(FontPreview::ReadableRole).toBool()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget* view = option.widget;
    QStyle* style = view ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);

    // The face's regular file when it has several.
    const int dpi = view && view->logicalDpiY() > 0 ? view->logicalDpiY() : 96;
    const qreal pixels = index.data(FontPreview::PointSizeRole).toInt() * dpi / 72.0;
    QRawFont face;
    int best = 0;
    for (const QVariant& id : index.data(FontPreview::FontIdsRole).toList()) {
        const QRawFont raw = fonts_.rawFont(id.toInt(), pixels);
        if (!raw.isValid()) continue;
        const int distance = distanceFromRegular(raw);
        if (!face.isValid() || distance < best) {
            face = raw;
            best = distance;
        }
    }
    if (!face.isValid() || text.isEmpty()) return; // never another face under this one's name
    const QList<quint32> glyphs = face.glyphIndexesForString(text);
    const QList<QPointF> advances = face.advancesForGlyphIndexes(glyphs);
    QList<QPointF> positions;
    positions.reserve(advances.size());
    qreal x = 0;
    for (const QPointF& a : advances) {
        positions << QPointF(x, 0);
        x += a.x();
    }
    QGlyphRun run;
    run.setRawFont(face);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    const QRect r = option.rect.adjusted(4, 0, -2, 0);
    const qreal baseline = r.top() + (r.height() + face.ascent() - face.descent()) / 2.0;
    painter->save();
    painter->setClipRect(r);
    painter->setPen(option.palette.color(QPalette::Text));
    painter->drawGlyphRun(QPointF(r.left(), baseline), run);
    painter->restore();
}

PreviewGrid::PreviewGrid(FontPreview& preview, QtPreviewFonts& fonts, QWidget* parent)
    : QTableView(parent), preview_(preview) {
    setModel(&preview);
    setItemDelegate(new PreviewDelegate(fonts, this));
    setUpSampleTable(*this);
    connect(&preview, &QAbstractItemModel::modelReset, this, &PreviewGrid::applySizes);
    connect(&preview, &FontPreview::sizesChanged, this, &PreviewGrid::applySizes);
    applySizes();
}

int PreviewGrid::pixels(int twips) const {
    const int dpi = logicalDpiY() > 0 ? logicalDpiY() : 96;
    return int(std::lround(twips * dpi / 1440.0));
}

void PreviewGrid::applySizes() {
    horizontalHeader()->setFixedHeight(pixels(360));
    const QString header = preview_.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString();
    const int headerWidth = horizontalHeader()->fontMetrics().horizontalAdvance(header) + 12;
    setColumnWidth(0, std::max(pixels(2000), headerWidth));
    {
        // Every row has the one height: set once, not row by row.
        const QSignalBlocker quiet(verticalHeader());
        verticalHeader()->setDefaultSectionSize(pixels(preview_.listSize() * TwipsPerPoint));
    }
    updateGeometries();
    viewport()->update();
}

void PreviewGrid::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) return;
    const int button = event->button() == Qt::RightButton    ? ButtonRight
                       : event->button() == Qt::MiddleButton ? ButtonMiddle
                                                             : ButtonLeft;
    Q_EMIT rowPressed(index.row(), button, shiftState(event->modifiers()),
                      event->globalPosition().toPoint());
}

void PreviewGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (indexAt(event->position().toPoint()).isValid()) Q_EMIT rowReleased();
}

void PreviewGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) Q_EMIT rowDoubleClicked(index.row());
}

void PreviewGrid::mouseMoveEvent(QMouseEvent*) {
    // Dragging does not select: the grid selects by press only.
}

} // namespace lb
