#pragma once

// Documents as other programs write them; PDFs read back as a reader would, with poppler's tools.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace lbtest {

// A PDF drawn through Qt, a line in each of these fonts, embedded as subsets (names with a tag).
bool writePdf(const QString& path, const QStringList& fontFiles);
// A zip package holding these parts, written with libzip; the first part is stored.
bool writeZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& parts);

// True when poppler's tools are installed (./build.sh installs them).
bool havePdfTools();
// The text of each page, laid out as on the page.
QStringList pdfPages(const QString& pdf);
// The base names of the embedded fonts, without the subset prefix, e.g. "FixtureSans-Bold".
QStringList embeddedFonts(const QString& pdf);

} // namespace lbtest
