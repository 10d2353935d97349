#pragma once

#include "support/temp_home.h"

#include <QString>
#include <QStringList>

namespace lbtest {

// Runs the rest of a test as an unprivileged user, as the program runs for a person at the
// desktop: root ignores file permissions, so a test of a read-only file or folder passes as root
// whatever the program does.
//
// The test prepares its files unless isUnprivilegedChild(), then calls continueUnprivileged().
// As a normal user that returns Here and the test goes on in this process. As root it hands the
// temporary home to user 65534 (except the paths in `keepRootOwned`, which stay root's, as
// installed files are), runs this same test again as that user over the same home, and returns
// Child with the child's exit code and output: the test then checks those and what the child
// left behind. Where no user can be switched to, it returns Skip and says why.
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
