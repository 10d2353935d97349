#pragma once

// A record on disk of work that changes files and the catalogue together (installing, deleting),
// written before each file changes, so that work cut off by a kill or a power cut is finished or
// undone at the next start of any of the programs instead of leaving a font half installed, or a
// font's only copy under a hidden name.
//
// Each journal is one file in a folder of journals, locked (flock) by the process that writes it
// for as long as it lives: a journal nobody holds belongs to work that was cut off. A record is on
// disk (synced) before record() returns, so whatever a kill leaves behind is named in a journal.

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace lb {

class FileJournal {
public:
    struct Record {
        QString tag;
        QStringList fields;
    };

    // Starts a journal of `kind` in `folder`; null with `error` set when it cannot be written.
    static std::unique_ptr<FileJournal> begin(const QString& folder, const QString& kind,
                                              QString& error);
    // A journal kept in memory only, for work that is done at once (nothing to recover).
    static std::unique_ptr<FileJournal> inMemory(const QString& kind);
    // The journals in `folder` that no running program holds, each locked for this one now.
    static std::vector<std::unique_ptr<FileJournal>> abandoned(const QString& folder);
    // Every path the journals in `folder` name, held or not: files a running program works on.
    static QSet<QString> namedPaths(const QString& folder);

    ~FileJournal();
    FileJournal(const FileJournal&) = delete;
    FileJournal& operator=(const FileJournal&) = delete;

    // The journal's name, unique among the journals of its folder.
    QString id() const { return id_; }
    QString kind() const { return kind_; }
    const std::vector<Record>& records() const { return records_; }
    // The records with this tag, in the order written.
    std::vector<QStringList> fieldsOf(const QString& tag) const;

    // Appends a record and syncs it to disk; false with error() when it could not be written: the
    // change it announces must not be made then.
    bool record(const QString& tag, const QStringList& fields);
    // The same for many records under one tag, synced once: none is announced unless all are.
    bool recordAll(const QString& tag, const std::vector<QStringList>& records);
    // Appends a record that a kill cannot lose but a power cut may, for a file that is harmless
    // when left unnamed (a dot-named temporary file swept later); the next record() syncs it.
    bool note(const QString& tag, const QStringList& fields);
    QString error() const { return error_; }

    // The work is done or undone: the journal goes.
    void close();

private:
    FileJournal(int fd, QString path, QString id, QString kind);
    static std::unique_ptr<FileJournal> read(const QString& path, bool lock);
    bool write(const QString& tag, const std::vector<QStringList>& records, bool sync);

    int fd_ = -1;
    bool memoryOnly_ = false;
    QString path_;
    QString id_;
    QString kind_;
    QString error_;
    std::vector<Record> records_;
};

} // namespace lb
