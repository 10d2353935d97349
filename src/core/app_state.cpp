#include "core/app_state.h"

#include "core/schema.h"

namespace lb {

void AppState::openMainDataSources() {
    try {
        addCurrentFields(*db);
    } catch (const DbError&) {
        // A file that cannot take the field is refused by the first operation that needs it.
    }
    datAuto = openTable(*db, tbl::AutoAssign);
    datFonts = openTable(*db, tbl::Fonts);
    datAssigned = openTable(*db, tbl::AssignedFonts);
    datSets = openTable(*db, tbl::Sets);
    datSampleText = openTable(*db, tbl::SampleText);
    datVersion = openTable(*db, tbl::Version);
    for (RecordSet* rs : {datAuto.get(), datFonts.get(), datAssigned.get(), datSets.get(),
                          datSampleText.get(), datVersion.get()}) {
        try {
            rs->refresh();
        } catch (const DbError&) {
            // A missing table leaves that source empty; the load goes on as before.
        }
    }
}

void AppState::closeAll() {
    datFonts.reset();
    datAssigned.reset();
    datSets.reset();
    datAuto.reset();
    datSampleText.reset();
    datVersion.reset();
    db.reset();
    instanceLock.reset();
}

} // namespace lb
