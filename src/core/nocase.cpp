#include "core/nocase.h"

#include <algorithm>
#include <array>
#include <utility>

namespace lb {

namespace {

bool isAscii(const void* p, int n) {
    auto* s = static_cast<const unsigned char*>(p);
    for (int i = 0; i < n; ++i)
        if (s[i] >= 0x80) return false;
    return true;
}

// The accented letters of the Latin and Greek alphabets, U+00C0 to U+03FF and U+1E00 to U+1FFF,
// and the marks that combine with them (U+0300 to U+036F): Unicode's default order sorts them
// with the letter they are written on. Other scripts keep the order of their character codes,
// which for kana and Hangul already puts a letter's variants beside it, and where a letter with
// a mark may be a letter of its own (Cyrillic й).
constexpr char16_t kLowStart = 0xC0, kLowEnd = 0x400, kHighStart = 0x1E00, kHighEnd = 0x2000;

// For each such character, the letter it is written on; 0 for a combining mark. Made once, from
// Qt's decomposition tables, so a comparison never allocates.
struct BaseLetters {
    std::array<char16_t, kLowEnd - kLowStart> low{};
    std::array<char16_t, kHighEnd - kHighStart> high{};
    static char16_t baseOf(char32_t c) {
        while (QChar::decompositionTag(c) == QChar::Canonical) {
            const QString d = QChar::decomposition(c);
            if (d.isEmpty()) break;
            c = d.at(0).unicode();
        }
        if (c >= 0x300 && c < 0x370) return 0;
        return char16_t(c);
    }
    BaseLetters() {
        for (char16_t c = kLowStart; c < kLowEnd; ++c)
            low[c - kLowStart] = baseOf(c);
        for (char16_t c = kHighStart; c < kHighEnd; ++c)
            high[c - kHighStart] = baseOf(c);
    }
};

char16_t letterOf(QChar ch) {
    static const BaseLetters table;
    const char16_t c = ch.unicode();
    if (c < kLowStart) return c;
    if (c < kLowEnd) return table.low[c - kLowStart];
    if (c >= kHighStart && c < kHighEnd) return table.high[c - kHighStart];
    return c;
}

// The next letter of a folded text from `at` on, marks passed over; -1 at its end.
int nextLetter(const QString& text, qsizetype& at) {
    while (at < text.size())
        if (const char16_t c = letterOf(text[at++])) return c;
    return -1;
}

} // namespace

// Accents decide only between texts whose letters are the same, so "Édition" sorts among the
// E's. Not the locale's collation: the database's indexes are kept in this order, and one user's
// locale may not reorder them for another program.
int compareNoCase(const QString& a, const QString& b) {
    const QString fa = a.toCaseFolded();
    const QString fb = b.toCaseFolded();
    if (fa == fb) return 0;
    // The letters before the first difference are the same on both sides.
    qsizetype first = 0;
    while (first < fa.size() && first < fb.size() && fa[first] == fb[first])
        ++first;
    for (qsizetype i = first, j = first;;) {
        const int x = nextLetter(fa, i), y = nextLetter(fb, j);
        if (x != y) return x < y ? -1 : 1;
        if (x < 0) break;
    }
    // The same letters: at the first difference, the plain letter before an accented one.
    if (first == fa.size()) return -1;
    if (first == fb.size()) return 1;
    const auto weight = [](QChar c) { return std::pair(letterOf(c) != c.unicode(), c.unicode()); };
    return weight(fa[first]) < weight(fb[first]) ? -1 : 1;
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
