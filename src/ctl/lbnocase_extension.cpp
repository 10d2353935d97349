// The collation LBNOCASE as a loadable extension, so that the sqlcipher shell can read the
// tables of letterbay.mdb: every text column compares with it. The comparison is the programs'
// own (core/nocase.cpp), built into this library too.
//
//   sqlcipher ~/.local/share/letterbay/letterbay.mdb
//   sqlite> .load /usr/lib/x86_64-linux-gnu/letterbay/lbnocase
//   sqlite> PRAGMA key = '...';
#include "core/nocase.h"

#include <sqlite3ext.h>

SQLITE_EXTENSION_INIT1

extern "C" __attribute__((visibility("default"))) int
sqlite3_lbnocase_init(sqlite3* db, char** /*error*/, const sqlite3_api_routines* api) {
    SQLITE_EXTENSION_INIT2(api);
    return sqlite3_create_collation_v2(db, "LBNOCASE", SQLITE_UTF8, nullptr, lb::collateNoCase,
                                       nullptr);
}
