#pragma once

#include "platform/fonts.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <mutex>
#include <thread>
#include <vector>

namespace lb {

// The metrics files (.afm, .pfm) beside a Type 1 font at `path`, which FreeType reads with it and
// which are no font of their own: they travel with the font. Empty for other fonts.
QStringList type1Companions(const QString& path);

// The installed fonts as fontconfig's own font folders and their caches list them. Inactive
// fonts are listed too: the folders are read on a private configuration, never through the
// font list of the running program, which leaves hidden fonts out. Fonts removed for good (see
// removeFiles) are left out here.
class FontconfigFonts : public FontRegistry, public FaceNameReader {
public:
    FontconfigFonts() = default;
    ~FontconfigFonts() override;
    FontconfigFonts(const FontconfigFonts&) = delete;
    FontconfigFonts& operator=(const FontconfigFonts&) = delete;

    std::vector<FontValue> enumerate() override;
    QString fontsFolder() override;
    bool registerFile(const QString& fileName) override;
    QStringList registerFiles(const QStringList& fileNames) override;
    QString installProblem() override;
    std::vector<std::pair<QString, QString>> removeFiles(const QStringList& fileNames) override;
    std::vector<std::pair<QString, QString>> setAsideFiles(const QStringList& fileNames,
                                                           FileJournal& journal) override;
    QStringList finishRemoval(const FileJournal& journal) override;
    QStringList undoRemoval(const FileJournal& journal) override;

    FaceNames read(const QString& fileOrPath) override;
    QStringList unusableNames() override { return unusableNames_; }

    // The full path of a `File Name` as stored: bare names lie in the fonts folder.
    QString absolutePath(const QString& fileName);

    // One installed font file with its names; a file of several faces, one per face.
    struct InstalledFile {
        QString path;         // as the file system spells it
        int face = 0;         // the face's number in a file of several
        QString valueName;    // e.g. "Fixture Sans Bold (TrueType)", "Fixture Cff (OpenType)"
        QString faceName;     // the first family name, English where given
        QString resourceName; // the full name
        bool removed = false; // removed for good through the user's rejection file
    };
    // Every installed file, removed ones included, sorted by path and face.
    std::vector<InstalledFile> installedFiles();

    // Waits until the caches of folders that files were removed from are written again.
    void settle();

private:
    struct Location {
        QString dir; // spelled under fontsFolder(), no trailing "/"
        QString name;
    };
    // Where a file lies when, after resolving links and "..", it is inside the fonts folder;
    // an empty dir otherwise.
    Location locate(const QString& fileName);
    // Adds paths to the user's list of removed fonts; an error text, empty on success.
    QString addRemovals(const QStringList& paths);
    QString dropRemovals(const QStringList& paths);
    // Rescans these folders' caches on a thread of their own; settle() waits for it. Readers of
    // the caches settle first, so that a folder is not scanned twice at once.
    void refreshLater(const QStringList& dirs);

    static QString computeFontsFolder();
    QByteArray fontsFolderKey_{"\x01"}; // the environment fontsFolder_ was found in
    QString fontsFolder_;
    // The names of the last enumeration by path, made into a table when read() first asks:
    // a refresh, which enumerates 20,000 files, never does.
    // Font preview reads names on worker threads: the first of them makes the table, under
    // namesLock_.
    const QHash<QString, FaceNames>& names();
    void forgetNames(const QString& path);
    std::mutex namesLock_;
    std::vector<InstalledFile> listed_; // the last enumeration, until names() takes it
    QSet<QString> forgotten_;           // files changed since, not yet taken out of the table
    QHash<QString, FaceNames> names_;
    QStringList unusableNames_; // files of the last enumeration whose names are not text
    std::thread rescan_;
};

} // namespace lb
