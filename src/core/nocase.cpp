#include "core/nocase.h"

namespace lb {

namespace {

bool isAscii(const void* p, int n) {
    auto* s = static_cast<const unsigned char*>(p);
    for (int i = 0; i < n; ++i)
        if (s[i] >= 0x80) return false;
    return true;
}

} // namespace

int compareNoCase(const QString& a, const QString& b) {
    const QString fa = a.toCaseFolded();
    const QString fb = b.toCaseFolded();
    return fa < fb ? -1 : (fb < fa ? 1 : 0);
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
