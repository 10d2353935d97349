#pragma once

// The text comparison of every text column of the database (the collation LBNOCASE): equal when
// two texts differ only in letter case, for every letter, not only ASCII; ordered by their letters
// first and their accents after. One implementation for the programs and for the loadable
// extension that lets the sqlcipher shell read the database.

#include <QString>
#include <QStringList>

namespace lb {

// Compares two texts as the database does.
int compareNoCase(const QString& a, const QString& b);

// The order of the lists people read (set names, font names): as the database compares them,
// spellings of one name in character-code order.
bool namesBefore(const QString& a, const QString& b);
void sortNames(QStringList& names);

// The same over UTF-8 bytes, with the signature of an SQLite collation.
int collateNoCase(void* unused, int lengthA, const void* a, int lengthB, const void* b);

} // namespace lb
