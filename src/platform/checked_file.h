#pragma once

#include <QByteArray>
#include <QString>

namespace lb {

// Replaces the file at `path` with `bytes` so that a reader sees the old file or the new one,
// never a part: a dot-named temporary file in the same folder is written, its length checked,
// flushed to disk, read back and compared, and only then renamed over the target. On any failure
// the old file stays as it was. Returns empty text on success, else what went wrong.
QString replaceFileChecked(const QString& path, const QByteArray& bytes);

// Removes a file; a file that is not there counts as removed. Empty text on success.
QString removeFileChecked(const QString& path);

// The contents of a file; an empty array when it cannot be read.
QByteArray readWholeFile(const QString& path);

} // namespace lb
