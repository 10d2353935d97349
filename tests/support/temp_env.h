#pragma once

#include "support/temp_home.h"

#include <QSet>
#include <string>
#include <vector>

namespace lbtest {

// Copies a fixture font into `folder` (made as needed), as `as` if given, readable by everyone.
QString copyFixture(const QString& fixture, const QString& folder, const QString& as = {});

// A TempHome for a test, with the build's shipped files and fixture fonts to install.
class TempEnv : public TempHome {
public:
    TempEnv();
    static QString fixture(const QString& name);

    // Into the user's fonts folder or the system one.
    QString installFixture(const QString& name, bool systemWide = false, const QString& as = {}) {
        return copyFixture(name, systemWide ? systemFonts() : fontsFolder(), as);
    }
    QString installInSubfolder(const QString& name, const QString& sub, const QString& as = {}) {
        return copyFixture(name, fontsFolder() + sub, as);
    }
};

// A small file system of its own (tmpfs, so root only), unmounted at the end.
struct SmallDisk {
    QString path;
    bool mounted;
    SmallDisk(const QString& path, const char* size);
    ~SmallDisk();
    void fill() const; // what room is left
};

// Writes `bytes` to `path`, replacing what was there; returns the path.
QString writeFile(const QString& path, const QByteArray& bytes);

// The font files a separate fc-list sees in the current environment, links resolved.
QSet<QString> fcListFiles();
// The first family of every face a separate fc-list lists.
QSet<QString> fcListFamilies();
// Sorted, for comparisons that print readably.
std::vector<std::string> sorted(const QSet<QString>& files);
inline std::vector<std::string> fcList() {
    return sorted(fcListFiles());
}

// One face of a fixture font as tests/fixtures/fonts/MANIFEST.tsv describes it.
struct ManifestFace {
    int face = 0;
    QString family, fullName;
};
// The faces of one fixture file, in face order.
std::vector<ManifestFace> manifestFaces(const QString& file);

} // namespace lbtest
