#include "ui/application.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // No print server answers here unless a test starts one: the machine's printers stay out.
    QTemporaryDir cups;
    qputenv("CUPS_SERVER", (cups.path() + QStringLiteral("/cups.sock")).toLocal8Bit());
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    // The texts the tests compare are the English ones, whatever the developer's language.
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
        qunsetenv(name);
    qputenv("LANG", "C.UTF-8");
    // The program's own application object: errors escaping a command are caught as there.
    lb::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
