#include "catalogue/selection.h"

namespace lb {

namespace {

void selectOnly(FontListModel& list, int row) {
    for (int i = 0; i < list.size(); ++i)
        list.setSelected(i, i == row);
    list.selectedCount = 1;
    list.anchor = row;
}

} // namespace

QString selectionText(const FontListModel& list, const QString& picked, const QString& caption) {
    if (list.selectedCount == 1)
        return QStringLiteral("\"") + picked + QStringLiteral("\" selected from ") + caption +
               QStringLiteral(".");
    if (list.selectedCount > 1)
        return QString::number(list.selectedCount) + QStringLiteral(" fonts selected from ") +
               caption + QStringLiteral(".");
    return QStringLiteral("No fonts selected from ") + caption + QStringLiteral(".");
}

PressResult pressRow(FontListModel& list, int row, int button, int shift, PressMemory& memory,
                     QString& picked, const QString& caption) {
    PressResult result;
    if (list.size() == 0 || row < 0 || row >= list.size()) return result;
    result.handled = true;
    memory.lastButton = button;
    memory.lastShift = shift;
    if (list.anchor < 0 && shift == ShiftShift) shift = ShiftNone;
    if (shift == ShiftAlt) {
        button = ButtonLeft;
        shift = ShiftNone;
    }
    bool click = true;
    if (button == ButtonRight) {
        if (list.row(row).selected || shift == ShiftShift || shift == ShiftCtrl)
            click = false;
        else
            shift = ShiftNone;
    }
    if (click) {
        picked = list.row(row).name;
        result.picked = true;
        if (shift == ShiftCtrl) {
            const bool nowSelected = !list.row(row).selected;
            list.setSelected(row, nowSelected);
            list.selectedCount += nowSelected ? 1 : -1;
        } else if (shift == ShiftShift) {
            memory.endRow = row;
            const int from = std::min(list.anchor, row);
            const int to = std::max(list.anchor, row);
            list.selectedCount = to - from + 1;
            for (int i = 0; i < list.size(); ++i)
                list.setSelected(i, i >= from && i <= to);
        } else {
            selectOnly(list, row);
        }
    }
    result.status = selectionText(list, picked, caption);
    result.showPopup = button == ButtonRight && list.selectedCount > 0;
    return result;
}

int findRow(const FontListModel& list, const QString& typed) {
    if (typed.isEmpty()) return 0;
    const QString key = typed.toLower();
    for (int i = 0; i < list.size(); ++i)
        if (list.row(i).name.left(key.size()).toLower() >= key) return i;
    return -1;
}

QString countTip(int rows, const QString& one, const QString& many) {
    if (rows == 0) return QStringLiteral(" No ") + many + QStringLiteral(" ");
    if (rows == 1) return QStringLiteral(" 1 ") + one + QStringLiteral(" ");
    return QStringLiteral(" ") + QString::number(rows) + QStringLiteral(" ") + many +
           QStringLiteral(" ");
}

QString setsTip(int sets, const QString& activatedSet) {
    QString tip = sets == 0 ? QStringLiteral(" No sets ")
                  : sets == 1
                      ? QStringLiteral(" 1 set ")
                      : QStringLiteral(" ") + QString::number(sets) + QStringLiteral(" sets, ");
    if (!activatedSet.isEmpty())
        return tip + QStringLiteral("\"") + activatedSet +
               QStringLiteral("\" is the activated set ");
    return tip + QStringLiteral("all are active ");
}

} // namespace lb
