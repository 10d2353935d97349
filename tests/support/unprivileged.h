#pragma once

#include "support/temp_home.h"

#include <QString>
#include <QStringList>

namespace lbtest {

// Runs the rest of a test as an unprivileged user, as for a person at the desktop: root ignores
// file permissions, so a test of a read-only file passes as root whatever the program does.
//
// The test prepares its files unless isUnprivilegedChild(), then calls continueUnprivileged().
// As a normal user that returns Here and the test goes on. As root it hands the home to user 65534
// (but `keepRootOwned`, which stays root's as installed files are), runs this test again as that
// user over the same home and returns Child with the child's exit code and output, for the test
// to check with what the child left. Where no user can be switched to, it returns Skip and why.
struct Unprivileged {
    enum Where { Here, Child, Skip };
    Where where = Here;
    int exitCode = -1;
    QString output;
};

Unprivileged continueUnprivileged(const TempHome& home, const QStringList& keepRootOwned = {});

// True in the re-run started by continueUnprivileged(): the parent has prepared the files.
bool isUnprivilegedChild();

} // namespace lbtest

// After continueUnprivileged(): skips where no normal user can be had; as root, checks the normal
// user's run, then what it left behind (the further arguments), and ends the test.
#define LB_CONTINUE_UNPRIVILEGED(run, ...)                                                         \
    if ((run).where == lbtest::Unprivileged::Skip) GTEST_SKIP() << (run).output.toStdString();     \
    if ((run).where == lbtest::Unprivileged::Child) {                                              \
        EXPECT_EQ((run).exitCode, 0) << (run).output.toStdString();                                \
        __VA_ARGS__;                                                                               \
        return;                                                                                    \
    }
