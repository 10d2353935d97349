#pragma once

// The text comparison of every text column of the database (the collation LBNOCASE): equal when
// two texts differ only in letter case, for every letter, not only ASCII. One implementation for
// the programs and for the loadable extension that lets the sqlcipher shell read the database.

#include <QString>

namespace lb {

// Compares two texts as the database does.
int compareNoCase(const QString& a, const QString& b);

// The same over UTF-8 bytes, with the signature of an SQLite collation.
int collateNoCase(void* unused, int lengthA, const void* a, int lengthB, const void* b);

} // namespace lb
