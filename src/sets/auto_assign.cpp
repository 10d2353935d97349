#include "sets/auto_assign.h"

#include "core/schema.h"

namespace lb {

QStringList Auto_Assign(AppState& app) {
    QStringList added;
    RecordSet& kb = *app.datAuto;
    RecordSet& assigned = *app.datAssigned;
    RecordSet& sets = *app.datSets;
    const Criteria byFont(fld::FontName, app.currentFontName);
    for (bool found = kb.findFirst(byFont); found; found = kb.findNext(byFont)) {
        const QVariant inactive = kb.field(fld::Inactive);
        if (app.removeAutoAssign && !inactive.isNull() && inactive.toLongLong() != 0) continue;
        const QString set = kb.text(fld::SetName);
        const QString font = kb.text(fld::FontName);
        if (assigned.findFirst(Criteria(fld::SetName, set).andEq(fld::FontName, font))) continue;
        if (!sets.findFirst(Criteria(fld::SetName, set))) continue;
        assigned.addNew();
        assigned.setField(fld::SetName, set);
        assigned.setField(fld::FontName, font);
        assigned.update();
        assigned.setBookmark(assigned.lastModified());
        if (set == app.currentSetName) app.assignedStale = true;
        added << set;
    }
    return added;
}

void Unassign_Hook(AppState& app, const QString& setName, const QString& fontName) {
    RecordSet& kb = *app.datAuto;
    if (!kb.findFirst(Criteria(fld::SetName, setName).andEq(fld::FontName, fontName))) return;
    kb.edit();
    kb.setField(fld::Inactive, true);
    kb.update();
}

} // namespace lb
