#include "core/database.h"

#include <QFileInfo>
#include <sqlite3.h>

#include <cerrno>
#include <cstring>

namespace lb {

DbError::DbError(int number, const QString& message)
    : std::runtime_error(message.toStdString()), number_(number) {}

QString quoteIdentifier(const QString& name) {
    if (name.contains(QLatin1Char(']')) || name.isEmpty())
        throw DbError(ErrOther, QStringLiteral("Invalid name: %1").arg(name));
    return QLatin1Char('[') + name + QLatin1Char(']');
}

namespace {

// A full disk is reported as SQLITE_FULL when SQLite itself finds no room, but as an I/O error
// (with ENOSPC behind it) when a write to the log or its index fails.
bool diskFull(sqlite3* db, int rc) {
    return (rc & 0xff) == SQLITE_FULL ||
           ((rc & 0xff) == SQLITE_IOERR && db && sqlite3_system_errno(db) == ENOSPC);
}

QString diskFullMessage(sqlite3* db) {
    const char* file = sqlite3_db_filename(db, "main");
    return QStringLiteral("The disk holding '%1' is full").arg(QString::fromUtf8(file ? file : ""));
}

int mapError(sqlite3* db, int rc) {
    if (diskFull(db, rc)) return ErrDiskFull;
    const int ext = db ? sqlite3_extended_errcode(db) : rc;
    if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY)
        return ErrDuplicateKey;
    const char* msg = db ? sqlite3_errmsg(db) : "";
    if ((rc & 0xff) == SQLITE_ERROR &&
        (std::strncmp(msg, "no such table", 13) == 0 || std::strncmp(msg, "no such view", 12) == 0))
        return ErrNoSuchObject;
    if ((rc & 0xff) == SQLITE_NOTADB) return ErrNotADatabase;
    if ((rc & 0xff) == SQLITE_CANTOPEN || (rc & 0xff) == SQLITE_READONLY ||
        (rc & 0xff) == SQLITE_PERM)
        return ErrCannotOpen;
    return ErrOther;
}

} // namespace

// ---- Statement ----

Statement::Statement(sqlite3* db, const QString& sql) : db_(db) {
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK) {
        const int number = mapError(db_, rc);
        throw DbError(number,
                      QString::fromUtf8(sqlite3_errmsg(db_)) + QStringLiteral(" in: ") + sql);
    }
}

Statement::Statement(Statement&& other) noexcept : db_(other.db_), stmt_(other.stmt_) {
    other.stmt_ = nullptr;
}

Statement::~Statement() {
    if (stmt_) sqlite3_finalize(stmt_);
}

Statement& Statement::bind(int index, const QVariant& value) {
    int rc = SQLITE_OK;
    if (value.isNull() || !value.isValid()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_int(stmt_, index, value.toBool() ? 1 : 0);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Short:
        case QMetaType::UShort:
            rc = sqlite3_bind_int64(stmt_, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(stmt_, index, value.toDouble());
            break;
        default: {
            const QByteArray utf8 = value.toString().toUtf8();
            rc = sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()),
                                   SQLITE_TRANSIENT);
        }
        }
    }
    if (rc != SQLITE_OK) throw DbError(ErrOther, QString::fromUtf8(sqlite3_errmsg(db_)));
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    const int number = mapError(db_, rc);
    const QString msg =
        number == ErrDiskFull ? diskFullMessage(db_) : QString::fromUtf8(sqlite3_errmsg(db_));
    sqlite3_reset(stmt_);
    throw DbError(number, msg);
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

QString Statement::columnName(int i) const {
    return QString::fromUtf8(sqlite3_column_name(stmt_, i));
}

QVariant Statement::value(int i) const {
    switch (sqlite3_column_type(stmt_, i)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(stmt_, i)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt_, i));
    default:
        return QVariant(text(i));
    }
}

qint64 Statement::int64(int i) const {
    return sqlite3_column_int64(stmt_, i);
}

QString Statement::text(int i) const {
    auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, i)) : QString();
}

// ---- Database ----

QString Database::passwordFromConnect(const QString& connect) {
    const auto parts = connect.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq > 0 &&
            part.left(eq).trimmed().compare(QLatin1String("PWD"), Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1);
    }
    return {};
}

std::unique_ptr<Database> Database::open(const QString& path, const QString& connect, bool create) {
    return openIn(create ? Mode::Create : Mode::Existing, path, connect);
}

std::unique_ptr<Database> Database::openReadOnly(const QString& path, const QString& connect) {
    return openIn(Mode::ReadOnly, path, connect);
}

std::unique_ptr<Database> Database::openIn(Mode mode, const QString& path, const QString& connect) {
    if (mode != Mode::Create && !QFileInfo(path).isFile())
        throw DbError(ErrCannotOpen, QStringLiteral("Could not find file '%1'.").arg(path));
    sqlite3* db = nullptr;
    const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY
                      : mode == Mode::Create ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                                             : SQLITE_OPEN_READWRITE;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    auto closeAndThrow = [&](int number, const QString& what) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
        sqlite3_close(db);
        throw DbError(number, QStringLiteral("%1 '%2': %3").arg(what, path, msg));
    };
    if (rc != SQLITE_OK) closeAndThrow(ErrCannotOpen, QStringLiteral("Could not open"));
    const QByteArray key = passwordFromConnect(connect).toUtf8();
    if (!key.isEmpty()) {
        rc = sqlite3_key(db, key.constData(), int(key.size()));
        if (rc != SQLITE_OK) closeAndThrow(ErrCannotOpen, QStringLiteral("Could not key"));
    }
    rc = sqlite3_create_collation_v2(db, Collation, SQLITE_UTF8, nullptr, collateNoCase, nullptr);
    if (rc != SQLITE_OK) closeAndThrow(ErrOther, QStringLiteral("Could not prepare"));
    // A file another program is writing is waited for a while, from the first read on: long
    // enough for another program's activation of tens of thousands of fonts.
    sqlite3_busy_timeout(db, DefaultBusyTimeoutMs);
    // The key is only checked when the first page is read: do that now, so a wrong key or a
    // plain file is refused at open and not half way through the first operation.
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        closeAndThrow(ErrCannotOpen, QStringLiteral("Another program keeps the file locked"));
    if (rc != SQLITE_OK && diskFull(db, rc)) {
        const QString message = diskFullMessage(db);
        sqlite3_close(db);
        throw DbError(ErrDiskFull, message);
    }
    if (rc != SQLITE_OK)
        closeAndThrow(rc == SQLITE_NOTADB ? ErrNotADatabase : ErrCannotOpen,
                      QStringLiteral("Not a valid database file"));
    // A file meant for changes that can only be read would fail at the first change.
    if (mode == Mode::Existing && sqlite3_db_readonly(db, "main") == 1)
        closeAndThrow(ErrCannotOpen, QStringLiteral("The file is read-only"));
    sqlite3_exec(db, "PRAGMA foreign_keys = OFF", nullptr, nullptr, nullptr);
    // Every page read from the file is decrypted: a catalogue of tens of thousands of fonts is a
    // few megabytes, kept in memory whole rather than decrypted again on each pass.
    sqlite3_exec(db, "PRAGMA cache_size = -65536", nullptr, nullptr, nullptr);
    return std::unique_ptr<Database>(new Database(db, path));
}

Database::~Database() {
    if (db_) sqlite3_close_v2(db_);
}

void Database::useWriteAheadLog() {
    // Changes go to a log beside the file and reach the file in batches: a commit costs one
    // write and no rollback journal, and the other programs' readers never wait for a writer.
    sqlite3_exec(db_, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
    sqlite3_exec(db_, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
}

bool Database::isReadOnly() const {
    return sqlite3_db_readonly(db_, "main") == 1;
}

void Database::fail(int rc, const QString& context) const {
    if (diskFull(db_, rc)) throw DbError(ErrDiskFull, diskFullMessage(db_));
    throw DbError(mapError(db_, rc),
                  QString::fromUtf8(sqlite3_errmsg(db_)) + QStringLiteral(" in: ") + context);
}

void Database::exec(const QString& sql) {
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_exec(db_, utf8.constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) fail(rc, sql);
    ++changes_;
}

quint64 Database::changeCount() const {
    // SQLite counts every row this connection inserted, changed or deleted; the int wraps, which
    // still reads as a change.
    return changes_ + quint64(unsigned(sqlite3_total_changes(db_)));
}

Statement Database::prepare(const QString& sql) {
    return Statement(db_, sql);
}

qint64 Database::outsideChangeCount() {
    Statement st = prepare(QStringLiteral("PRAGMA data_version"));
    return st.step() ? st.int64(0) : 0;
}

qint64 Database::lastInsertRowId() const {
    return sqlite3_last_insert_rowid(db_);
}

bool Database::tableExists(const QString& table) const {
    Statement st(db_, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type IN ('table','view') "
                                     "AND name = ?"));
    st.bind(1, table);
    return st.step();
}

QStringList Database::columns(const QString& table) {
    if (!tableExists(table))
        throw DbError(ErrNoSuchObject, QStringLiteral("No table or query '%1'.").arg(table));
    QStringList names;
    Statement st = prepare(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(quoteIdentifier(table)));
    for (int i = 0; i < st.columnCount(); ++i)
        names << st.columnName(i);
    return names;
}

namespace {
QString columnDefinition(const FieldDef& f) {
    QString def = quoteIdentifier(f.name);
    switch (f.type) {
    case FieldType::Text:
        def += f.size > 0 ? QStringLiteral(" VARCHAR(%1)").arg(f.size) : QStringLiteral(" TEXT");
        if (f.caseInsensitive)
            def += QStringLiteral(" COLLATE ") + QLatin1String(Database::Collation);
        break;
    case FieldType::Long:
        def += QStringLiteral(" INTEGER");
        break;
    case FieldType::YesNo:
        def += QStringLiteral(" BOOLEAN");
        break;
    case FieldType::Double:
        def += QStringLiteral(" REAL");
        break;
    }
    return def;
}
} // namespace

void Database::createTable(const QString& table, const std::vector<FieldDef>& fields) {
    QStringList defs;
    for (const FieldDef& f : fields)
        defs << columnDefinition(f);
    exec(QStringLiteral("CREATE TABLE %1 (%2)")
             .arg(quoteIdentifier(table), defs.join(QStringLiteral(", "))));
}

void Database::appendField(const QString& table, const FieldDef& field) {
    if (!tableExists(table))
        throw DbError(ErrNoSuchObject, QStringLiteral("No table '%1'.").arg(table));
    exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2")
             .arg(quoteIdentifier(table), columnDefinition(field)));
}

void Database::createQuery(const QString& name, QString sql) {
    sql = sql.trimmed();
    while (sql.endsWith(QLatin1Char(';')))
        sql.chop(1);
    exec(QStringLiteral("CREATE VIEW %1 AS %2").arg(quoteIdentifier(name), sql));
}

void Database::deleteQuery(const QString& name) {
    Statement st(db_,
                 QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'view' AND name = ?"));
    st.bind(1, name);
    if (!st.step()) throw DbError(ErrNoSuchObject, QStringLiteral("No query '%1'.").arg(name));
    exec(QStringLiteral("DROP VIEW %1").arg(quoteIdentifier(name)));
}

QString databaseBusyText(int seconds) {
    return QStringLiteral("Another Letterbay program has been changing your fonts for more than "
                          "%1 seconds, so nothing was changed.  Try again when it has finished.")
        .arg(seconds);
}

void Database::setBusyTimeout(int ms) {
    busyTimeoutMs_ = ms;
    sqlite3_busy_timeout(db_, ms);
}

Database::Transaction::Transaction(Database& db) : db_(db) {
    name_ = QStringLiteral("lb%1").arg(++db_.savepointDepth_);
    if (db_.savepointDepth_ > 1) {
        db_.exec(QStringLiteral("SAVEPOINT ") + name_);
        return;
    }
    // The write lock is taken at the start and waited for: a transaction that read first could
    // not wait for it later (another program's commit in between makes its snapshot stale, and
    // SQLite then refuses at once rather than wait).
    const char* begin = db_.isReadOnly() ? "BEGIN" : "BEGIN IMMEDIATE";
    const int rc = sqlite3_exec(db_.db_, begin, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        --db_.savepointDepth_;
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            throw DbError(ErrOther, databaseBusyText(db_.busyTimeoutMs_ / 1000));
        db_.fail(rc, QString::fromLatin1(begin));
    }
}

void Database::Transaction::commit() {
    if (done_) return;
    if (db_.savepointDepth_ == 1) {
        const int rc = sqlite3_exec(db_.db_, "COMMIT", nullptr, nullptr, nullptr);
        if (rc == SQLITE_BUSY) throw DbError(ErrOther, databaseBusyText(db_.busyTimeoutMs_ / 1000));
        if (rc != SQLITE_OK) db_.fail(rc, QStringLiteral("COMMIT"));
    } else {
        db_.exec(QStringLiteral("RELEASE ") + name_);
    }
    --db_.savepointDepth_;
    done_ = true;
}

Database::Transaction::~Transaction() {
    if (done_) return;
    if (db_.savepointDepth_ == 1) {
        sqlite3_exec(db_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
    } else {
        const QByteArray rollback = (QStringLiteral("ROLLBACK TO ") + name_).toUtf8();
        const QByteArray release = (QStringLiteral("RELEASE ") + name_).toUtf8();
        sqlite3_exec(db_.db_, rollback.constData(), nullptr, nullptr, nullptr);
        sqlite3_exec(db_.db_, release.constData(), nullptr, nullptr, nullptr);
    }
    --db_.savepointDepth_;
    ++db_.changes_;
}

} // namespace lb
