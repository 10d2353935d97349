#pragma once

#include "support/temp_env.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace lbtest {

// A TempEnv with helpers for fonts in subfolders.
class FontEnv : public TempEnv {
public:
    // Copies a fixture into a subfolder of the user's fonts folder (created as needed).
    QString installInSubfolder(const QString& fixture, const QString& subfolder,
                               const QString& as = {});
};

// The font files a separate `fc-list` process sees in the current environment, links resolved;
// fc-list must print no error.
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
    QString file;
    int face = 0;
    QString family;
    QString fullName;
    QString format;
};
const std::vector<ManifestFace>& manifest();
// The faces of one fixture file, in face order.
std::vector<ManifestFace> manifestFaces(const QString& file);

} // namespace lbtest
