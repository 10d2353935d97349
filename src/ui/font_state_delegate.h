#pragma once

#include <QStyledItemDelegate>

namespace lb {

// Draws inactive fonts struck through and system fonts underlined.
class FontStateDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace lb
