#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <future>
#include <mutex>
#include <vector>

typedef struct _FcConfig FcConfig;
typedef struct _FcPattern FcPattern;

namespace lb {

// One face of an installed font file, as fontconfig lists it.
struct InstalledFace {
    QByteArray path; // the file system's bytes: a name that is not valid text is still a file
    int index = 0;   // the face inside a collection
    QString family;
    QString style;
    QString version; // the font's revision, "1.100"; empty when it gives none
    QString format;  // "TrueType", "CFF", "Type 1", ...
};

// What the installed fonts are made of, for finding copies and damage. Hidden fonts are installed
// fonts too; fonts removed for good are not.
class FontInspector {
public:
    virtual ~FontInspector() = default;
    // Every face fontconfig lists, and the font files lying in the font folders that it lists no
    // face of (it could not read them).
    virtual void survey(std::vector<InstalledFace>& faces, std::vector<QByteArray>& unlisted) = 0;
    // What is wrong with a font file, in a sentence a person understands; empty when it is sound.
    // May run on several threads at once.
    virtual QString damage(const QByteArray& path) = 0;
    // The file's contents in short: equal digests are equal files. Empty when unreadable.
    virtual QByteArray digest(const QByteArray& path) = 0;
    // The file a program starting now gets for this family and style, links followed; empty when
    // none of it.
    virtual QByteArray inUse(const QString& family, const QString& style) = 0;
    // Called when a check has judged every file it could: the findings may be kept for the next.
    virtual void remember() {}
};

// The installed fonts through fontconfig (a private configuration, so hidden fonts are seen) and
// FreeType, which draws them for programs.
class FontconfigInspector : public FontInspector {
public:
    FontconfigInspector() = default;
    ~FontconfigInspector() override;
    FontconfigInspector(const FontconfigInspector&) = delete;
    FontconfigInspector& operator=(const FontconfigInspector&) = delete;
    void survey(std::vector<InstalledFace>& faces, std::vector<QByteArray>& unlisted) override;
    QString damage(const QByteArray& path) override;
    QByteArray digest(const QByteArray& path) override;
    QByteArray inUse(const QString& family, const QString& style) override;
    // Keeps what damage() found, file by file, under each file's identity on disk (device, inode,
    // size, times), in the user's cache folder: an unchanged file is not read again.
    void remember() override;

private:
    struct Judged {
        QByteArray stamp;
        QString problem;
    };
    void loadMemo();
    void loadPrograms();

    // What a program starting now sees. survey() starts loading it beside its own walk, which keeps
    // one core busy, so the questions after the files are judged do not wait for it.
    std::future<void> programsLoad_;
    FcConfig* programs_ = nullptr;
    QHash<QString, std::vector<FcPattern*>> byFamily_; // its fonts, by case-folded family
    bool memoLoaded_ = false;
    QHash<QByteArray, Judged> memo_; // read only while damage() runs on several threads
    std::mutex judgedLock_;
    QHash<QByteArray, Judged> judged_; // this check's findings
};

// The problem of a font's tables, if any: `data` is the whole file. Collections are walked face by
// face. Checks each table lies inside the file and matches its checksum.
QString sfntTableProblem(const QByteArray& data);

} // namespace lb
