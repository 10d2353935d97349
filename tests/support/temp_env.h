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

// A small file system of its own (tmpfs, so root only), unmounted at the end.
struct SmallDisk {
    QString path;
    bool mounted;
    SmallDisk(const QString& path, const char* size);
    ~SmallDisk();
    // Fills what room is left.
    void fill() const;
};

// Writes `bytes` to `path`, replacing what was there; returns the path.
QString writeFile(const QString& path, const QByteArray& bytes);

} // namespace lbtest
