#pragma once

#include "core/main_context.h"

#include <QDateTime>
#include <vector>

namespace lb {

// One file behind a font, as the properties dialog lists it.
struct PropertyRow {
    QString friendlyName;
    QString path;     // as the file system spells it
    QString modified; // "m/d/yyyy h:mm AM", or the missing-file text
    bool missing = false;
};

// A file of a font in the preview dialog: its per-file name and its file name in the folder.
struct PreviewFile {
    QString resourceName;
    QString fileName;
    QString friendlyName; // what it would be listed under; empty: the resource name, TrueType
};

inline const QString SourceMain = QStringLiteral("frmMain");
inline const QString SourcePreview = QStringLiteral("frmFontPreview");
inline const QString MissingFileText = QStringLiteral("File not found");

// "Font Properties - " with the picked font's name and its state; makes it the current font.
// A previewed font the catalogue does not hold is " (Not Installed)".
QString propertiesCaption(MainContext& ctx);

// The rows for the picked font: from the catalogue when the source form is the main window,
// else from the preview dialog's `files` in `folder` (ending in "/").
std::vector<PropertyRow> Fill_Properties(MainContext& ctx, const QString& folder = {},
                                         const std::vector<PreviewFile>& files = {});

// "m/d/yyyy h:mm" and the AM or PM designator, on the 12-hour clock.
QString modifiedText(const QDateTime& time, const QString& am = QStringLiteral("AM"),
                     const QString& pm = QStringLiteral("PM"));

} // namespace lb
