#pragma once

#include "support/temp_home.h"

namespace lbtest {

// A TempHome for a test: the shipped database comes from the build, and fixture fonts can be
// installed into it.
class TempEnv : public TempHome {
public:
    TempEnv();

    // Copies a fixture font into the user's fonts folder or the system folder.
    QString installFixture(const QString& fixture, bool systemWide = false, const QString& as = {});
    static QString fixture(const QString& name);
};

} // namespace lbtest
