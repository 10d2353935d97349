#pragma once

// The document of sets that export writes and import reads: sets, their fonts by face name, and
// the catalogue's file names of each font as hints for a machine where the name differs.
//
//   {
//     "format": "letterbay-sets",
//     "version": 1,
//     "sets": [
//       {
//         "name": "Body",
//         "fonts": [
//           {"name": "Fixture Sans", "files": ["FixtureSans-Bold.ttf", "FixtureSans-Regular.ttf"]}
//         ]
//       }
//     ]
//   }
//
// A font may also be given as its name alone ("Fixture Sans"). Keys the reader does not know are
// passed over, so later versions can add some.

#include "ctl/json.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace lb::ctl {

inline const QString SetDocumentFormat = QStringLiteral("letterbay-sets");
inline constexpr int SetDocumentVersion = 1;

struct DocumentFont {
    QString name;
    QStringList files; // base names
    int line = 0;
};

struct DocumentSet {
    QString name;
    std::vector<DocumentFont> fonts; // each name once
    int line = 0;
};

struct SetDocument {
    std::vector<DocumentSet> sets;
};

// Reads a document; one that is not well-formed, or breaks a rule of sets (a set name with a
// double quote or too long, a set twice), is refused: false, with the line and the reason.
bool readSetDocument(const QByteArray& bytes, SetDocument& doc, JsonError& error);

// The document, one font to a line, so that a change to a set is a change to a line.
QByteArray writeSetDocument(const SetDocument& doc);

} // namespace lb::ctl
