#include "ui/font_state_delegate.h"

#include "catalogue/font_list.h"

namespace lb {

void FontStateDelegate::initStyleOption(QStyleOptionViewItem* option,
                                        const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const auto state = FaceState(index.data(FontListModel::StateRole).toInt());
    option->font.setStrikeOut(state == FaceState::Inactive);
    option->font.setUnderline(state == FaceState::System);
    // The list's own selection marking, not the view's: the operations own it.
    if (index.data(FontListModel::SelectedRole).toBool())
        option->state |= QStyle::State_Selected;
    else
        option->state &= ~QStyle::State_Selected;
    option->state &= ~QStyle::State_HasFocus;
}

} // namespace lb
