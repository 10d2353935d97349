#pragma once

#include <QStringList>

namespace lb {

// The fonts whose samples were shown, newest first, as the History dialog lists them.
struct FontHistory {
    QStringList names;

    // A font picked in a list has had its sample shown: it goes on top unless it is the top
    // entry already. Only the top is compared, so a name can recur further down.
    void Add_History(const QString& currentFontName) {
        if (names.isEmpty() || names.front() != currentFontName) names.prepend(currentFontName);
    }
    // A name the catalogue no longer holds leaves the list.
    void remove(const QString& name) { names.removeAll(name); }
    void clear() { names.clear(); }
};

} // namespace lb
