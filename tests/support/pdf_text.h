#pragma once

// Reading a PDF back as a reader would: its text (poppler's pdftotext) and its fonts (pdffonts).

#include <QString>
#include <QStringList>

namespace lbtest {

// True when poppler's tools are installed (./build.sh installs them).
bool havePdfTools();
// The text of each page, laid out as on the page.
QStringList pdfPages(const QString& pdf);
// The base names of the embedded fonts, without the subset prefix, e.g. "FixtureSans-Bold".
QStringList embeddedFonts(const QString& pdf);

} // namespace lbtest
