#pragma once

// Hidden and removed fonts are kept as fontconfig <selectfont> files in the user's conf.d, so
// that every program on the desktop, not only this one, stops seeing them.
//
// Why the inactive file looks the way it does: fontconfig tests every font file against every
// <glob> each time a program builds its font list, so the cost is files x globs and is paid by
// every program that starts. With 10,000 font files, 9,900 per-file rejects make `fc-list` take
// about 2 s, while one folder-wide reject plus 100 per-file accepts (an accept overrides a
// reject) take 0.03 s, the same as no file at all. So for each folder that holds hidden files
// we write whichever is shorter: a reject per hidden file, or a reject of the whole folder plus
// an accept per font under it that stays visible. fontconfig also tests subfolder names against
// the globs and skips a rejected subfolder entirely, so subfolders on the way to a visible font
// are accepted too.
//
// fontconfig's globs know only '*' (which also matches '/') and '?', and cannot escape them;
// '[' is an ordinary character. A path containing '*' or '?' is therefore written as a <pattern>
// on the file name, which fontconfig compares exactly (up to case and spaces), and such a path
// never takes part in a folder-wide decision, because an accept pattern cannot override a
// rejecting glob.

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

// The <selectfont> content of one configuration file.
struct FontSelection {
    QStringList acceptGlobs;
    QStringList rejectGlobs;
    QStringList acceptFiles; // exact file names, written as <pattern>
    QStringList rejectFiles;

    bool isEmpty() const {
        return acceptGlobs.isEmpty() && rejectGlobs.isEmpty() && acceptFiles.isEmpty() &&
               rejectFiles.isEmpty();
    }
};

// The selectors of a configuration file; a missing or unreadable file selects nothing.
FontSelection readFontSelection(const QString& path);
// Writes the whole file atomically (temporary file, then rename), leaving it untouched when the
// content is the same, so that programs do not reload their configuration for nothing. An empty
// selection removes the file. Returns false when the file could not be written or removed.
bool writeFontSelection(const QString& path, const FontSelection& selection,
                        const QString& comment);

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

// The inactive fonts, kept in `78-letterbay-inactive.conf`. Loads and unloads change only this
// object; broadcast() writes the file. The file's state is read back on construction, and a lost
// file means every font is active again.
class FontconfigResources : public FontResources {
public:
    // `registry` lists the installed font files: a folder-wide reject is read back, and chosen,
    // by knowing which installed files lie under the folder.
    explicit FontconfigResources(FontRegistry& registry);

    int load(const QString& file) override;
    int unload(const QString& file) override;
    void broadcast() override;

    // The hidden files now (loads and unloads not yet broadcast included), absolute, sorted.
    QStringList hiddenFiles();
    bool isHidden(const QString& file) const;

    // What broadcast() writes for these hidden and installed files (absolute paths).
    static FontSelection plan(const QSet<QString>& hidden, const std::vector<QString>& installed);

private:
    QString absolute(const QString& file) const;
    std::vector<QString> installedFiles();
    bool hiddenByFile(const QString& path) const;

    FontRegistry& registry_;
    QString path_;
    SelectionMatcher written_; // what the file on disk says
    QSet<QString> hidden_;     // hidden files known by name
    QSet<QString> loaded_;     // made available since the last broadcast
};

} // namespace lb
