#include "ui/plain_tip.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QTextDocument> // Qt::mightBeRichText
#include <QToolTip>

namespace lb {

bool PlainTipDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                 const QStyleOptionViewItem& option, const QModelIndex& index) {
    const QString tip =
        event->type() == QEvent::ToolTip ? index.data(Qt::ToolTipRole).toString() : QString();
    if (!Qt::mightBeRichText(tip))
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // Kept on its lines, as a plain tip is: markup would wrap it at every blank.
    QToolTip::showText(event->globalPos(),
                       QStringLiteral("<p style='white-space:pre'>") + tip.toHtmlEscaped() +
                           QStringLiteral("</p>"),
                       view->viewport(), view->visualRect(index));
    return true;
}

} // namespace lb
