#pragma once

// The fonts documents use, as catalogued, and the set that holds exactly them.

#include "core/main_context.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace lb {

struct UsedFonts {
    int read = 0;                            // documents read
    QString firstRead;                       // the first of them, as named
    QStringList problems;                    // documents not read, each naming its file and why
    QStringList unread;                      // those documents, as named
    QStringList notes;                       // documents read in part
    QStringList faces;                       // catalogued typefaces, in the order first named
    QStringList missing;                     // names no catalogued font has
    QHash<QString, QStringList> documentsOf; // by case-folded typeface or missing name
};

// Reads the documents and matches the names they use to the catalogue.
UsedFonts readUsedFonts(MainContext& ctx, const QStringList& documents);

// "For poster.pdf", "For poster.pdf and 2 more": the set named after the documents read.
QString documentSetName(const UsedFonts& used);

// Makes the set `name` hold exactly `faces` (made when needed; its other fonts taken out without
// a question, since replacing them is what was asked) in one transaction, then activates it.
// Returns the set's stored name.
QString Activate_DocumentFonts(MainContext& ctx, const QString& name, const QStringList& faces);

} // namespace lb
