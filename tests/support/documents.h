#pragma once

// Documents written as other programs write them, and PDFs read back as a reader would: their
// text (poppler's pdftotext) and their fonts (pdffonts).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace lbtest {

// A PDF with a line of text in each of these font files (the fonts embedded as subsets, so their
// names carry a subset tag), drawn through Qt.
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
