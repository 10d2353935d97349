#pragma once

#include "platform/font_inspection.h"

#include <QDateTime>
#include <functional>

namespace lb {

// One installed copy of a typeface's style.
struct FontCopy {
    QByteArray path;
    QString format;
    QString version;
    qint64 size = 0;
    QDateTime modified;
    bool inUse = false; // the copy programs get now
};

// A family and style installed more than once.
struct DuplicateGroup {
    QString family;
    QString style;
    std::vector<FontCopy> copies; // the copy in use first, then by path
    bool identical = false;       // every copy has the same contents
};

struct DamagedFont {
    QByteArray path;
    QString problem; // a sentence
};

struct FontCheck {
    std::vector<DuplicateGroup> duplicates;
    std::vector<DamagedFont> damaged;
    bool cancelled = false;
    bool found() const { return !duplicates.empty() || !damaged.empty(); }
};

// Called with the files checked so far and all there are; returning false cancels the check.
using CheckProgress = std::function<bool(int done, int total)>;

// Finds fonts installed more than once (by family and style; identical copies by content, never by
// name) and fonts that are damaged. Reads every installed font file once.
FontCheck checkFonts(FontInspector& inspector, const CheckProgress& progress = {});

// A file's path as people read it: a name that is not valid text shows replacement characters.
QString displayPath(const QByteArray& path);

} // namespace lb
