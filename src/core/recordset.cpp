#include "core/recordset.h"

#include <algorithm>

namespace lb {

RecordSet::RecordSet(Database& db, QString table, QString orderBy)
    : db_(db), table_(std::move(table)), orderBy_(std::move(orderBy)) {}

void RecordSet::loadColumns() {
    columns_ = db_.columns(table_);
    columnIndex_.clear();
    for (int i = 0; i < columns_.size(); ++i)
        columnIndex_.insert(columns_[i].toCaseFolded(), i);
}

void RecordSet::refresh() {
    // The rows are read when first used: operations refresh their record sets as they begin,
    // and many then read them through queries of their own, or not at all.
    loadColumns();
    rows_.clear();
    positionOf_.clear();
    live_ = 0;
    pos_ = -1;
    mode_ = Mode::None;
    noMatch_ = true;
    ++generation_;
    stale_ = true;
}

void RecordSet::ensureLoaded() const {
    if (stale_) const_cast<RecordSet*>(this)->load();
}

void RecordSet::load() {
    stale_ = false;
    rows_.clear();
    positionOf_.clear();
    QString sql = QStringLiteral("SELECT rowid, * FROM %1").arg(quoteIdentifier(table_));
    sql += QStringLiteral(" ORDER BY ") +
           (orderBy_.isEmpty() ? QString() : orderBy_ + QStringLiteral(", ")) +
           QStringLiteral("rowid");
    Statement st = db_.prepare(sql);
    const int n = int(columns_.size());
    while (st.step()) {
        Row row{st.int64(0), {}, false};
        row.values.reserve(size_t(n));
        for (int i = 0; i < n; ++i)
            row.values.push_back(st.value(i + 1));
        positionOf_.insert(row.rowid, int(rows_.size()));
        rows_.push_back(std::move(row));
    }
    live_ = int(rows_.size());
    pos_ = live_ ? 0 : -1;
    mode_ = Mode::None;
    noMatch_ = true;
    ++generation_;
}

int RecordSet::firstLive(int from) const {
    while (from < int(rows_.size()) && rows_[size_t(from)].deleted)
        ++from;
    return from;
}

void RecordSet::moveFirst() {
    ensureLoaded();
    if (live_ == 0) {
        pos_ = -1;
        return;
    }
    pos_ = firstLive(0);
}

void RecordSet::moveLast() {
    ensureLoaded();
    if (live_ == 0) {
        pos_ = -1;
        return;
    }
    int p = int(rows_.size()) - 1;
    while (p >= 0 && rows_[size_t(p)].deleted)
        --p;
    pos_ = p;
}

void RecordSet::moveNext() {
    ensureLoaded();
    if (pos_ >= int(rows_.size()))
        throw DbError(ErrNoCurrentRecord, QStringLiteral("No current record."));
    pos_ = firstLive(pos_ + 1);
}

void RecordSet::movePrevious() {
    ensureLoaded();
    if (pos_ < 0) throw DbError(ErrNoCurrentRecord, QStringLiteral("No current record."));
    int p = std::min(pos_, int(rows_.size())) - 1;
    while (p >= 0 && rows_[size_t(p)].deleted)
        --p;
    pos_ = p;
}

int RecordSet::columnIndex(const QString& name) const {
    const auto it = columnIndex_.constFind(name.toCaseFolded());
    if (it == columnIndex_.constEnd())
        throw DbError(3265, QStringLiteral("Item not found in this collection: %1").arg(name));
    return it.value();
}

const RecordSet::Row& RecordSet::current() const {
    ensureLoaded();
    if (pos_ < 0 || pos_ >= int(rows_.size()) || rows_[size_t(pos_)].deleted)
        throw DbError(ErrNoCurrentRecord, QStringLiteral("No current record."));
    return rows_[size_t(pos_)];
}

QVariant RecordSet::field(const QString& name) const {
    const int i = columnIndex(name);
    if (mode_ != Mode::None) return buffer_[size_t(i)];
    return current().values[size_t(i)];
}

void RecordSet::setField(const QString& name, const QVariant& value) {
    if (mode_ == Mode::None) throw DbError(3020, QStringLiteral("Update without AddNew or Edit."));
    const int i = columnIndex(name);
    buffer_[size_t(i)] = value;
    dirty_[size_t(i)] = true;
}

void RecordSet::addNew() {
    ensureLoaded();
    if (columns_.isEmpty()) loadColumns();
    mode_ = Mode::Adding;
    buffer_.assign(size_t(columns_.size()), QVariant());
    dirty_.assign(size_t(columns_.size()), false);
}

void RecordSet::edit() {
    ensureLoaded();
    const Row& row = current();
    mode_ = Mode::Editing;
    buffer_ = row.values;
    dirty_.assign(size_t(columns_.size()), false);
}

void RecordSet::cancelUpdate() {
    mode_ = Mode::None;
}

void RecordSet::update() {
    ensureLoaded();
    if (mode_ == Mode::None) throw DbError(3020, QStringLiteral("Update without AddNew or Edit."));
    QStringList names;
    std::vector<int> idx;
    for (int i = 0; i < columns_.size(); ++i)
        if (dirty_[size_t(i)]) {
            names << quoteIdentifier(columns_[i]);
            idx.push_back(i);
        }
    if (mode_ == Mode::Adding) {
        QString sql;
        if (names.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoteIdentifier(table_));
        } else {
            QStringList marks;
            for (size_t k = 0; k < idx.size(); ++k)
                marks << QStringLiteral("?");
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(quoteIdentifier(table_), names.join(QLatin1Char(',')),
                           marks.join(QLatin1Char(',')));
        }
        Statement st = db_.prepare(sql);
        for (size_t k = 0; k < idx.size(); ++k)
            st.bind(int(k) + 1, buffer_[size_t(idx[k])]);
        st.step();
        const qint64 rowid = db_.lastInsertRowId();
        positionOf_.insert(rowid, int(rows_.size()));
        rows_.push_back(Row{rowid, buffer_, false});
        ++live_;
        lastModified_ = rowid;
        if (pos_ < 0) pos_ = int(rows_.size()) - 1; // a set that was empty stands on its first row
    } else {
        Row& row = rows_[size_t(pos_)];
        if (!names.isEmpty()) {
            QStringList sets;
            for (const QString& n : names)
                sets << n + QStringLiteral(" = ?");
            Statement st =
                db_.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                                .arg(quoteIdentifier(table_), sets.join(QLatin1Char(','))));
            int k = 1;
            for (int i : idx)
                st.bind(k++, buffer_[size_t(i)]);
            st.bind(k, row.rowid);
            st.step();
        }
        row.values = buffer_;
        lastModified_ = row.rowid;
    }
    mode_ = Mode::None;
    ++generation_;
}

void RecordSet::remove() {
    ensureLoaded();
    Row& row = const_cast<Row&>(current());
    Statement st =
        db_.prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(quoteIdentifier(table_)));
    st.bind(1, row.rowid);
    st.step();
    row.deleted = true;
    --live_;
}

RecordSet::Bookmark RecordSet::bookmark() const {
    return current().rowid;
}

void RecordSet::setBookmark(Bookmark b) {
    ensureLoaded();
    const auto it = positionOf_.constFind(b);
    if (it == positionOf_.constEnd() || rows_[size_t(it.value())].deleted)
        throw DbError(3159, QStringLiteral("Not a valid bookmark."));
    pos_ = it.value();
}

Statement& RecordSet::cachedStatement(const QString& sql) {
    auto it = statements_.find(sql);
    if (it == statements_.end())
        it = statements_.insert(sql, std::make_shared<Statement>(db_.prepare(sql)));
    it.value()->reset();
    return *it.value();
}

const std::vector<int>& RecordSet::matches(const Criteria& c) {
    const quint64 changes = db_.changeCount();
    if (cachedAt_ == generation_ && cachedAtChanges_ == changes && cachedCriteria_ == c)
        return cachedMatches_;
    if (columns_.isEmpty()) loadColumns();
    QStringList terms;
    for (const auto& t : c.terms())
        terms << quoteIdentifier(columns_[columnIndex(t.first)]) + QStringLiteral(" = ?");
    QString sql = QStringLiteral("SELECT rowid FROM %1").arg(quoteIdentifier(table_));
    if (!terms.isEmpty()) sql += QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
    Statement& st = cachedStatement(sql);
    int k = 1;
    for (const auto& t : c.terms())
        st.bind(k++, t.second);
    std::vector<int> found;
    while (st.step()) {
        const auto it = positionOf_.constFind(st.int64(0));
        if (it != positionOf_.constEnd()) found.push_back(it.value());
    }
    std::sort(found.begin(), found.end());
    cachedCriteria_ = c;
    cachedMatches_ = std::move(found);
    cachedAt_ = generation_;
    cachedAtChanges_ = changes;
    return cachedMatches_;
}

bool RecordSet::findFirst(const Criteria& c) {
    ensureLoaded();
    const std::vector<int>& found = matches(c);
    for (int p : found)
        if (!rows_[size_t(p)].deleted) {
            pos_ = p;
            noMatch_ = false;
            return true;
        }
    noMatch_ = true;
    return false;
}

bool RecordSet::findNext(const Criteria& c) {
    ensureLoaded();
    const std::vector<int>& found = matches(c);
    for (auto it = std::upper_bound(found.begin(), found.end(), pos_); it != found.end(); ++it)
        if (!rows_[size_t(*it)].deleted) {
            pos_ = *it;
            noMatch_ = false;
            return true;
        }
    noMatch_ = true;
    return false;
}

} // namespace lb
