#pragma once

#include "core/nocase.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <stdexcept>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace lb {

// Error numbers callers test by value; they keep the numbers the stored data and the
// rest of the program have always used.
enum DbErrorNumber {
    ErrDuplicateKey = 3022,
    ErrNoSuchObject = 3078,
    ErrCannotOpen = 3051,
    ErrNotADatabase = 3343,
    ErrNoCurrentRecord = 3021,
    ErrDiskFull = 3026,
    ErrOther = 3000,
};

class DbError : public std::runtime_error {
public:
    DbError(int number, const QString& message);
    int number() const { return number_; }
    QString message() const { return QString::fromUtf8(what()); }

private:
    int number_;
};

// Field types that the program itself creates.
enum class FieldType { Text, Long, YesNo, Double };

struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    int size = 0; // text size; informative only
    bool caseInsensitive = true;
};

class Statement {
public:
    Statement(sqlite3* db, const QString& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& other) noexcept;

    Statement& bind(int index, const QVariant& value); // 1-based
    bool step();                                       // true while a row is available
    void reset();
    int columnCount() const;
    QString columnName(int i) const;
    QVariant value(int i) const;
    qint64 int64(int i) const;
    QString text(int i) const;

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// One encrypted database file. Text columns compare without regard to letter case
// (every letter, not only ASCII) through the collation registered on each connection.
class Database {
public:
    static constexpr const char* Collation = "LBNOCASE";
    static constexpr int DefaultBusyTimeoutMs = 20000;

    // Opens an existing file (create=false) or makes a new one. The connect suffix
    // ";PWD=..." carries the key; a file made with another key, or without one, does not open.
    static std::unique_ptr<Database> open(const QString& path, const QString& connect,
                                          bool create = false);
    // Opens an existing file for reading only: it needs no write access to the file or its
    // folder, as with the installed, read-only conversion file.
    static std::unique_ptr<Database> openReadOnly(const QString& path, const QString& connect);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    static QString passwordFromConnect(const QString& connect);

    const QString& path() const { return path_; }
    sqlite3* handle() const { return db_; }
    bool isReadOnly() const;
    // For the file the programs share and change; never for one only read.
    void useWriteAheadLog();

    void exec(const QString& sql);
    Statement prepare(const QString& sql);
    qint64 lastInsertRowId() const;

    bool tableExists(const QString& table) const;
    QStringList columns(const QString& table);
    void createTable(const QString& table, const std::vector<FieldDef>& fields);
    void appendField(const QString& table, const FieldDef& field);
    void createQuery(const QString& name, QString sql);
    void deleteQuery(const QString& name);

    // How long a change waits for another program's change to end before it gives up with a
    // message saying so.
    void setBusyTimeout(int ms);

    // Nestable: the outermost commits; an exception unwinding any level undoes everything
    // done since that level began.
    class Transaction {
    public:
        explicit Transaction(Database& db);
        ~Transaction();
        void commit();

    private:
        Database& db_;
        QString name_;
        bool done_ = false;
    };

    // Changes whenever another program commits a change to the file; this connection's own
    // commits leave it as it is. One cheap question (SQLite's data version), so that a window can
    // tell whether the command line or the tray launcher changed what it shows.
    qint64 outsideChangeCount();

    // Moves on with every change made through this connection (rows written by any statement,
    // tables and queries made or dropped, work undone), so a record set can tell by itself that
    // what it found before may be out of date.
    quint64 changeCount() const;

    [[noreturn]] void fail(int rc, const QString& context) const;

private:
    Database(sqlite3* db, QString path) : db_(db), path_(std::move(path)) {}
    enum class Mode { Existing, Create, ReadOnly };
    static std::unique_ptr<Database> openIn(Mode mode, const QString& path, const QString& connect);
    sqlite3* db_;
    QString path_;
    int savepointDepth_ = 0;
    int busyTimeoutMs_ = DefaultBusyTimeoutMs;
    // Changes SQLite's own row count leaves out: schema changes and rollbacks.
    quint64 changes_ = 0;
};

QString quoteIdentifier(const QString& name);

// The message for a change that waited too long for another program's.
QString databaseBusyText(int seconds);

} // namespace lb
