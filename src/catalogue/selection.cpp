#include "catalogue/selection.h"

#include "core/nocase.h"

#include <QCoreApplication>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(Selection)
};
} // namespace

namespace {

void selectOnly(FontListModel& list, int row) {
    for (int i = 0; i < list.size(); ++i)
        list.setSelected(i, i == row);
    list.selectedCount = 1;
    list.anchor = row;
}

} // namespace

QString selectionText(const FontListModel& list, const QString& picked, const QString& caption) {
    if (list.selectedCount == 1) return T::tr("\"%1\" selected from %2.").arg(picked, caption);
    if (list.selectedCount > 1)
        return T::tr("%1 fonts selected from %2.")
            .arg(QString::number(list.selectedCount), caption);
    return T::tr("No fonts selected from %1.").arg(caption);
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
    // Compared as the list is sorted, so "ep" passes over "Édition" to "Epsilon".
    for (int i = 0; i < list.size(); ++i)
        if (compareNoCase(list.row(i).name.left(typed.size()), typed) >= 0) return i;
    return -1;
}

QString countTip(int rows) {
    return rows == 0   ? T::tr(" No fonts ")
           : rows == 1 ? T::tr(" 1 font ")
                       : T::tr(" %1 fonts ").arg(rows);
}

QString setsTip(int sets, const QString& activatedSet) {
    QString tip = sets == 0   ? T::tr(" No sets ")
                  : sets == 1 ? T::tr(" 1 set ")
                              : T::tr(" %1 sets, ").arg(sets);
    if (!activatedSet.isEmpty())
        return tip + T::tr("\"%1\" is the activated set ").arg(activatedSet);
    return tip + T::tr("all are active ");
}

} // namespace lb
