#pragma once

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

} // namespace lbtest
