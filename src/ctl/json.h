#pragma once

// JSON for the command line: text values written for scripts, and a reader that keeps where each
// value began, so that a document it refuses is refused with its line.
//
// The reader is our own rather than QJsonDocument because import names the line and column of a
// value that breaks a rule of sets (a font given as a number, a set named twice), not only of a
// syntax error, and QJsonDocument keeps no positions; it also takes a key given twice silently
// (the last wins) where import must refuse it. Measured on 200,000 keys of one object, both read
// in a fraction of a second; this one is linear in the document's length and bounded below.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace lb::ctl {

// A text value quoted and escaped (UTF-8).
QByteArray jsonText(const QString& text);
// An array of text values on one line.
QByteArray jsonTexts(const QStringList& texts);

struct JsonValue {
    enum Kind { Null, Bool, Number, Text, Array, Object };
    Kind kind = Null;
    int line = 0, column = 0; // where the value begins, from 1
    bool boolean = false;
    double number = 0;
    QString text;
    std::vector<JsonValue> items;                       // an array's values
    std::vector<std::pair<QString, JsonValue>> members; // an object's, in document order

    // The member named `key`, or null.
    const JsonValue* member(const QString& key) const;
    // "text", "a number", "an object"...: for messages.
    QString kindName() const;
};

struct JsonError {
    int line = 0, column = 0;
    QString reason;
};

// Larger documents are refused before they are read: a document of sets for tens of thousands of
// fonts is a few megabytes, and these bound what reading one may take (a few hundred megabytes of
// memory at most, however the document is made).
inline constexpr qsizetype MaxJsonBytes = qsizetype(16) << 20;
inline constexpr qsizetype MaxJsonValues = 1000000;

// Reads one whole UTF-8 document, strictly: no comments, no trailing commas, no key twice in one
// object, valid UTF-8 and escapes only. False, with `error` saying where and why, otherwise. Time
// is linear in the document's length.
bool parseJson(const QByteArray& bytes, JsonValue& out, JsonError& error);

} // namespace lb::ctl
