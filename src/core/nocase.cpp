#include "core/nocase.h"

#include <algorithm>

namespace lb {

namespace {

bool isAscii(const void* p, int n) {
    auto* s = static_cast<const unsigned char*>(p);
    for (int i = 0; i < n; ++i)
        if (s[i] >= 0x80) return false;
    return true;
}

// A folded text's letters without their accents: "édition" gives "edition". A text with no
// accented letter and no accent (most names, and scripts without them) is returned as it is.
QString baseLetters(const QString& folded) {
    if (std::all_of(folded.cbegin(), folded.cend(), [](QChar c) {
            return c.unicode() < 0xC0 || (c.decompositionTag() != QChar::Canonical &&
                                          c.category() != QChar::Mark_NonSpacing);
        }))
        return folded;
    QString letters = folded.normalized(QString::NormalizationForm_D);
    letters.removeIf([](QChar c) { return c.category() == QChar::Mark_NonSpacing; });
    return letters;
}

} // namespace

// Accents decide only between texts whose letters are the same, so "Édition" sorts among the
// E's. Not the locale's collation: the database's indexes are kept in this order, and one user's
// locale may not reorder them for another program.
int compareNoCase(const QString& a, const QString& b) {
    const QString fa = a.toCaseFolded();
    const QString fb = b.toCaseFolded();
    if (fa == fb) return 0;
    if (const int letters = baseLetters(fa).compare(baseLetters(fb)); letters != 0)
        return letters < 0 ? -1 : 1;
    return fa < fb ? -1 : 1;
}

bool namesBefore(const QString& a, const QString& b) {
    const int c = compareNoCase(a, b);
    return c != 0 ? c < 0 : a < b;
}

void sortNames(QStringList& names) {
    std::sort(names.begin(), names.end(), namesBefore);
}

// ASCII texts take a byte loop; anything else is compared by Unicode case folding so that
// "Édition" equals "édition".
int collateNoCase(void*, int n1, const void* p1, int n2, const void* p2) {
    if (isAscii(p1, n1) && isAscii(p2, n2)) {
        auto* a = static_cast<const unsigned char*>(p1);
        auto* b = static_cast<const unsigned char*>(p2);
        const int n = n1 < n2 ? n1 : n2;
        for (int i = 0; i < n; ++i) {
            int ca = a[i] >= 'A' && a[i] <= 'Z' ? a[i] + 32 : a[i];
            int cb = b[i] >= 'A' && b[i] <= 'Z' ? b[i] + 32 : b[i];
            if (ca != cb) return ca - cb;
        }
        return n1 - n2;
    }
    return compareNoCase(QString::fromUtf8(static_cast<const char*>(p1), n1),
                         QString::fromUtf8(static_cast<const char*>(p2), n2));
}

} // namespace lb
