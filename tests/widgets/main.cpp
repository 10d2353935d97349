#include "ui/application.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The print system of this test program is its own: no server answers at this address
    // unless a test starts one there, so the machine's printers never reach the tests.
    QTemporaryDir cups;
    qputenv("CUPS_SERVER", (cups.path() + QStringLiteral("/cups.sock")).toLocal8Bit());
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    // The texts the tests compare are the English ones, whatever the developer's language.
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
        qunsetenv(name);
    qputenv("LANG", "C.UTF-8");
    // The program's own application object, so that errors escaping a command are caught as
    // they are in the program.
    lb::Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
