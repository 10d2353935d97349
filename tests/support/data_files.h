#pragma once

#include "core/database.h"

#include <QString>
#include <memory>

namespace lbtest {

// A font database of data version "1" (no [Version] table nor later fields), "2.0" (no
// `Inactive`) or any other (current layout): a settings row and these knowledge-base rows.
std::unique_ptr<lb::Database>
makeDataFile(const QString& path, const QString& version,
             const std::vector<std::pair<QString, QString>>& knowledge = {},
             bool withInactive = false);

// A conversion file with [New Auto] rows.
void makeAppendFile(const QString& path, const std::vector<std::pair<QString, QString>>& rows);

QString scalar(lb::Database& db, const QString& sql);
// Runs `sql` with `values` bound in order; the first column of each row it gives.
QStringList query(lb::Database& db, const QString& sql, const QVariantList& values = {});
// A field of the settings row.
QString setting(lb::Database& db, const QString& field);

// Adds sets to a font database as a program of an earlier version did: its indexes in the text
// order of that time, where accented names sorted after Z.
void addSetsInEarlierOrder(const QString& path, const QStringList& sets);

} // namespace lbtest
