#pragma once

#include "platform/file_journal.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace lb {

// One installed font as the font registry lists it.
struct FontValue {
    QString name; // the font's full name and its format: " (TrueType)", " (OpenType)" for CFF
                  // outlines, " (Type 1)", " (Bitmap)" for fonts of fixed sizes only
    QString data; // the bare file name when the file lies directly in the fonts folder, else its
                  // full path
    int face = 0; // the face's number in its file; each face of a collection is a value of its own
    QString family; // the face's family when the registry knows it, else read by FaceNameReader
};

// One face of a font file as the catalogue and the hidden fonts name it: the file itself for its
// first face (so a file of one face is named by its file alone), else the file and the face's
// number joined by a NUL, which no file name holds.
QString fontRef(const QString& file, int face);
QString refFile(const QString& ref);
int refFace(const QString& ref);

// Whether a file name is one of a font the catalogue keeps: TrueType, OpenType and their
// collections, Type 1 (whose .afm and .pfm metrics travel with it and are no fonts of their own).
bool isFontFileName(const QString& name);

// The installed fonts of the user, active or not. Hidden (inactive) fonts are listed too:
// only fonts the user removed for good are left out.
class FontRegistry {
public:
    virtual ~FontRegistry() = default;
    // Every installed font file once, in a stable order.
    virtual std::vector<FontValue> enumerate() = 0;
    // The user's fonts folder, ending in "/"; empty when it cannot be known.
    virtual QString fontsFolder() = 0;
    // A file just copied into the fonts folder becomes installed; caches are brought up to date.
    virtual bool registerFile(const QString& fileName) = 0;
    // The same for several files at once: each folder's cache is brought up to date once.
    // Returns the files the font folders do not list afterwards (not installed after all).
    virtual QStringList registerFiles(const QStringList& fileNames) {
        QStringList missing;
        for (const QString& f : fileNames)
            if (!registerFile(f)) missing << f;
        return missing;
    }
    // Why a font copied into the fonts folder would not be installed (the folder is not one the
    // font configuration reads, or there is none); empty when it would be.
    virtual QString installProblem() { return {}; }
    // Removes installed font files for good, each given as its `File Name` is stored. A file
    // inside the fonts folder is deleted (a link itself, never what it points to); one outside
    // it is hidden from the user for good and deleted nowhere. A file that is gone already
    // counts as removed. Caches and the removal list are written once for all of them. Returns
    // the files that could not be removed, each with the reason.
    virtual std::vector<std::pair<QString, QString>> removeFiles(const QStringList& fileNames) = 0;
    // Removal in two steps, so that the catalogue can change in between and a failure or a kill at
    // any instant leaves disk and catalogue in step. setAsideFiles() makes the files disappear for
    // every program but keeps them (a file in the fonts folder renamed to a hidden name beside it,
    // one installed system-wide listed as removed), each step in `journal` before it is taken, and
    // returns the files it could not set aside, each with the reason (they stay as they were).
    // Then finishRemoval() deletes what was set aside, or undoRemoval() puts it back; both return
    // what could not be done, and may run in a later process, from the journal alone.
    // A registry that cannot take a removal back removes at once.
    virtual std::vector<std::pair<QString, QString>> setAsideFiles(const QStringList& fileNames,
                                                                   FileJournal& journal) {
        (void)journal;
        return removeFiles(fileNames);
    }
    virtual QStringList finishRemoval(const FileJournal&) { return {}; }
    virtual QStringList undoRemoval(const FileJournal&) { return {}; }
    // Font files the last enumeration left out because their names are not valid text (shown with
    // replacement characters).
    virtual QStringList unusableNames() { return {}; }
};

// A face of a collection after its first: a font of its own in the catalogue.
struct FurtherFace {
    int index = 0;
    QString faceName;
    QString valueName;
    QString resourceName = {}; // its full name
};

struct FaceNames {
    QString resourceName; // the per-file name (full name); of the first face in a collection
    QString faceName;     // the name all files of one typeface share (family)
    bool readable = false;
    QString valueName; // what the registry lists the file under once installed; empty if unread
    std::vector<FurtherFace> furtherFaces = {}; // a collection's other faces
};

// Reads a font file's own names. A file that cannot be read gets its base name for both.
// read() may run on several threads at once.
class FaceNameReader {
public:
    virtual ~FaceNameReader() = default;
    virtual FaceNames read(const QString& fileOrPath) = 0;
};

// The families the desktop itself depends on, in the order they were found.
class DesktopFonts {
public:
    virtual ~DesktopFonts() = default;
    virtual QStringList families() = 0;
};

// Which installed font files the applications of the desktop may use. The state is one for the
// whole desktop and shared by every program of the system: loads and unloads are kept here until
// the broadcast, which applies them to the state as it is then, under a lock.
class FontResources {
public:
    virtual ~FontResources() = default;
    // Makes a font file available again. `file` is a `File Name` as stored (a bare name in the
    // fonts folder or a full path), or one face of it as fontRef() names it.
    virtual void load(const QString& file) = 0;
    // Hides a font file.
    virtual void unload(const QString& file) = 0;
    // True when other programs cannot use the file (changes not yet broadcast included).
    virtual bool isHidden(const QString& file) = 0;
    // The loads and unloads that follow, up to the broadcast, are a whole activation: every file
    // they do not leave hidden ends visible, whatever the state held before. About `files` of
    // them follow: room for them is made once.
    virtual void beginActivation(qsizetype files) = 0;
    virtual bool hasPending() const = 0;
    // Announces the loads and unloads since the last broadcast to every program, recording `stamp`
    // as the change of the database they implement. False when the state could not be written:
    // it stays as it was, the pending changes are dropped, and error() says why.
    virtual bool broadcast(const QString& stamp) = 0;
    // After a broadcast that changed nothing (files shown while nothing was hidden), the stamp the
    // state kept, which the database then records instead; empty when `stamp` was recorded.
    virtual QString keptStamp() const { return {}; }
    // Drops the loads and unloads not yet broadcast.
    virtual void discard() = 0;
    // Puts back the state this program's last broadcast replaced, unless another program changed
    // it since: for a database change that could not be committed after its fonts were broadcast.
    // False when it could not be written (error()).
    virtual bool restore() = 0;
    virtual QString error() const = 0;
    // After a broadcast: the files a program starting now would not see as it meant them to be
    // (hidden files still listed, shown ones not), each said in a line; empty when as meant.
    virtual QStringList unmet() const = 0;
    // True when the desktop's state implements the database change `stamp` (empty: none yet).
    virtual bool inStep(const QString& stamp) = 0;
    // Fonts that arrived in a folder holding hidden fonts since the last broadcast are no one's
    // to hide: makes them visible. True when something changed; false also on failure (error()).
    virtual bool reconcile() = 0;
    // Another program is known to have changed the state: the next question reads it again.
    virtual void reread() {}
    // Tells programs that started before the hidden-font configuration existed, and so watch none
    // of its files, that the fonts changed.
    virtual void announceToEarlierPrograms() {}
};

// Font files this program loads for itself alone, from their bytes, to draw files that are not
// installed: other programs never see them. A file's bytes are read when it is drawn and held
// for a bounded number of files, so a folder of any size costs only what is on screen.
class PreviewFonts {
public:
    virtual ~PreviewFonts() = default;
    // Names one face of a file (its full path, the face's number in it) for drawing; returns an
    // id, or -1 when nothing is drawn.
    virtual int add(const QString& path, int face) = 0;
    // Lets go of everything add() took, and of nothing else.
    virtual void removeAll() = 0;
    // How many files' bytes are in memory.
    virtual int loadedCount() const = 0;
};

// Drawing a catalogued typeface in the program's own windows. A face is drawn only as itself:
// never a substitute for a name the drawing side does not know.
class FaceDrawing {
public:
    virtual ~FaceDrawing() = default;
    // True when the face can be drawn as itself without loading anything.
    virtual bool known(const QString& face) = 0;
    // Loads the face's files (full paths) for this program alone; true when the face is then
    // drawable as itself.
    virtual bool load(const QString& face, const QStringList& files) = 0;
};

} // namespace lb
