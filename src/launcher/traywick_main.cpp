// The tray launcher. For now it opens the shared database the same way the main program does
// and ends; the tray itself comes with its own window.
#include "core/database.h"
#include "core/paths.h"
#include "core/schema.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString prepared = lb::prepareDataFolder();
    if (!prepared.isEmpty()) {
        std::fprintf(stderr, "traywick: %s\n", qPrintable(prepared));
        return 1;
    }
    try {
        auto db = lb::Database::open(lb::databasePath(), lb::ConnectSuffix);
        auto settings = lb::openTable(*db, lb::tbl::SampleText);
        settings->refresh();
    } catch (const lb::DbError& e) {
        std::fprintf(stderr, "traywick: %s\n", e.what());
        return 1;
    }
    return 0;
}
