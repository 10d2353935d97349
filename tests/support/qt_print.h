#pragma once

// How a failed expectation prints Qt values: as text, not as the bytes of the object. Included
// into every test file by the build, so that no test can forget it.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <ostream>

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QByteArray& b, std::ostream* os) {
    *os << '"' << b.toStdString() << '"';
}

inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << (l.isEmpty() ? "{}" : "{\"" + l.join(QStringLiteral("\", \"")).toStdString() + "\"}");
}

inline void PrintTo(const QVariant& v, std::ostream* os) {
    PrintTo(v.toString(), os);
}

namespace lb {
enum class FaceState;
// Found by argument-dependent lookup, so declared beside the state itself.
inline void PrintTo(FaceState s, std::ostream* os) {
    const int i = static_cast<int>(s);
    static const char* const names[] = {"Active", "Inactive", "System"};
    *os << (i >= 0 && i < 3 ? names[i] : "FaceState?");
}
} // namespace lb
