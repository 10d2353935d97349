#pragma once

// fontconfig <selectfont> files of the user's conf.d: the fonts the user removed for good, and the
// folder-level part of the hidden fonts. Every program on the desktop reads them, not only this
// one.
//
// fontconfig's globs know only '*' (which also matches '/') and '?', and cannot escape them; '[' is
// an ordinary character. A path containing '*' or '?' is therefore written as a <pattern> on the
// file name, which fontconfig compares exactly (up to case and spaces).

#include "platform/fonts.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace lb {

// $XDG_CONFIG_HOME/fontconfig/conf.d/ (default ~/.config/fontconfig/conf.d/), ending in "/".
QString fontconfigUserConfD();
// Fonts installed system-wide that the user removed for good.
QString removedFontsConfPath();
// Fonts the user has made inactive (hidden).
QString inactiveFontsConfPath();
// Both lie outside conf.d, in $XDG_CONFIG_HOME/fontconfig/letterbay/, and are read only through
// the installation's own file (installedRulesPath()), which conf.d's 78-letterbay.conf
// (rulesIncludePath()) includes: removing the program makes every font visible again to every
// user, with nothing run as them.
QString rulesIncludePath();
QString installedRulesPath();
// Writes that include when it is missing or names another installation, and moves the files of
// a version that kept the rules in conf.d itself. Empty text on success.
QString includeRules();

// What the rule files make every program see, their comments left out: the same key, the same
// fonts.
QByteArray fontRulesKey();
// Tells programs already running that the fonts changed. The desktop's settings daemon watches
// the configuration files fontconfig read, and it and every program compare their times with the
// time the configuration was loaded; so the include's time is set to now, and nothing else is
// written. A GTK program lists its fonts again before it reads the new configuration, so it shows
// the new fonts only at a later announcement: the tray launcher makes those (HiddenFolderWatch).
void announceFontChange();

// The <selectfont> content of one configuration file.
struct FontSelection {
    QStringList acceptGlobs;
    QStringList rejectGlobs;
    QStringList acceptFiles; // exact file names, written as <pattern>
    QStringList rejectFiles;
    // Faces of one file, by their fontconfig index, rejected while its other faces stay: written
    // as a <pattern> on file and index, which readFontSelection() passes over.
    std::vector<std::pair<QString, QList<int>>> rejectFaces;

    bool isEmpty() const {
        return acceptGlobs.isEmpty() && rejectGlobs.isEmpty() && acceptFiles.isEmpty() &&
               rejectFiles.isEmpty() && rejectFaces.empty();
    }
};

// The selectors of a configuration file; a missing or unreadable file selects nothing.
FontSelection readFontSelection(const QString& path);
// Writes the whole file atomically (temporary file, then rename), leaving it untouched when the
// content is the same, so that programs do not reload their configuration for nothing. An empty
// selection removes the file. Returns empty text, or why the file could not be written or removed.
QString writeFontSelection(const QString& path, const FontSelection& selection,
                           const QString& comment);

// A fontconfig configuration file: the font folders `dirs`, then the selection.
QByteArray serialiseFontConfig(const FontSelection& selection, const QString& comment,
                               const QStringList& dirs = {});

// fontconfig's glob: '*' matches any bytes ('/' included), '?' one byte, all else itself.
bool fontconfigGlobMatch(const QByteArray& glob, const QByteArray& path);
// True when a path written as a glob matches nothing but itself.
bool isLiteralGlob(const QString& path);
// True when the path can be written in a configuration file at all (XML 1.0 text).
bool isXmlText(const QString& path);

// Decides, as fontconfig does, whether a selection drops a font file.
class SelectionMatcher {
public:
    SelectionMatcher() = default;
    explicit SelectionMatcher(const FontSelection& selection);
    bool rejects(const QString& path) const;
    // True when the outcome for files outside the exact entries depends on wildcards.
    bool hasWildcards() const { return !wildReject_.isEmpty(); }
    // The exact (non-wildcard) reject entries, as written.
    const QStringList& exactRejects() const { return exactRejectList_; }

private:
    static bool matches(const QSet<QByteArray>& exact, const QList<QByteArray>& wild,
                        const QByteArray& path);

    QSet<QByteArray> exactAccept_, exactReject_;
    QList<QByteArray> wildAccept_, wildReject_;
    QSet<QString> acceptFiles_, rejectFiles_; // comparison keys
    QStringList exactRejectList_;
};

} // namespace lb
