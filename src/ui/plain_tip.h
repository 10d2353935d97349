#pragma once

#include <QStyledItemDelegate>

namespace lb {

// Qt shows a tip that looks like markup ("<b>x") as markup. The views whose tips carry names from
// users and font files (font names, folders, file names) show them as they are spelled; the
// model's own tip text stays plain for screen readers.
class PlainTipDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
};

} // namespace lb
