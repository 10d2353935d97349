#pragma once

#include "core/database.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <memory>
#include <utility>
#include <vector>

namespace lb {

// A search: every term must hold (field = value), compared as the field's column compares
// (text without regard to letter case). Values are bound as parameters, never pasted into SQL.
class Criteria {
public:
    Criteria() = default;
    Criteria(const QString& field, const QVariant& value) { terms_.emplace_back(field, value); }
    Criteria& andEq(const QString& field, const QVariant& value) {
        terms_.emplace_back(field, value);
        return *this;
    }
    const std::vector<std::pair<QString, QVariant>>& terms() const { return terms_; }
    bool operator==(const Criteria& o) const { return terms_ == o.terms_; }

private:
    std::vector<std::pair<QString, QVariant>> terms_;
};

// An updatable record set over one whole table, in the table's stored order. Rows added
// through it join its end; rows changed by others appear after refresh(). Searches run
// as indexed queries and then position the cursor, so they cost a lookup, not a scan.
class RecordSet {
public:
    using Bookmark = qint64;

    RecordSet(Database& db, QString table, QString orderBy = {});

    const QString& table() const { return table_; }
    Database& database() { return db_; }

    void refresh();
    bool bof() const {
        ensureLoaded();
        return pos_ < 0 || live_ == 0;
    }
    bool eof() const {
        ensureLoaded();
        return pos_ >= int(rows_.size()) || live_ == 0;
    }
    int recordCount() const {
        ensureLoaded();
        return live_;
    }

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();

    bool findFirst(const Criteria& c);
    bool findNext(const Criteria& c);
    bool noMatch() const { return noMatch_; }

    QVariant field(const QString& name) const;
    QString text(const QString& name) const { return field(name).toString(); }
    void setField(const QString& name, const QVariant& value);

    void addNew();
    void edit();
    void update(); // throws DbError 3022 on a duplicate key; the pending change is kept
    void cancelUpdate();
    void remove(); // the current row; the cursor stays on the deleted row until it moves

    Bookmark bookmark() const;
    void setBookmark(Bookmark b);
    Bookmark lastModified() const { return lastModified_; }

    // The rows of the set in order, for fills that walk every row; skips deleted rows.
    template <typename F> void forEach(F&& f) {
        ensureLoaded();
        for (pos_ = firstLive(0); pos_ < int(rows_.size()); pos_ = firstLive(pos_ + 1))
            f(*this);
    }

private:
    struct Row {
        qint64 rowid;
        std::vector<QVariant> values;
        bool deleted = false;
    };
    enum class Mode { None, Adding, Editing };

    int columnIndex(const QString& name) const;
    const Row& current() const;
    int firstLive(int from) const;
    const std::vector<int>& matches(const Criteria& c);
    void loadColumns();
    void load();
    void ensureLoaded() const;

    Database& db_;
    QString table_;
    QString orderBy_;
    QStringList columns_;
    QHash<QString, int> columnIndex_;
    std::vector<Row> rows_;
    QHash<qint64, int> positionOf_;
    int pos_ = -1;
    int live_ = 0;
    bool noMatch_ = true;
    Mode mode_ = Mode::None;
    std::vector<QVariant> buffer_;
    std::vector<bool> dirty_;
    Bookmark lastModified_ = 0;
    bool stale_ = false; // refreshed, rows not read yet

    // Positions matching the last criteria, kept for findNext until the set or the database
    // changes.
    QHash<QString, std::shared_ptr<Statement>> statements_;
    Statement& cachedStatement(const QString& sql);
    Criteria cachedCriteria_;
    std::vector<int> cachedMatches_;
    quint64 cachedAt_ = ~quint64(0);
    quint64 cachedAtChanges_ = 0;
    quint64 generation_ = 0;
};

} // namespace lb
