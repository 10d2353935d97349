#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace lb {

// A face's state as the lists show it.
enum class FaceState { Active = 0, Inactive = 1, System = 2 };

// One font list (All Fonts or Assigned Fonts): one row per typeface with its state and
// selection. A model, so that views draw only the rows on screen however many there are.
class FontListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Roles { StateRole = Qt::UserRole + 1, SelectedRole };

    struct Row {
        QString name;
        FaceState state = FaceState::Active;
        bool selected = false;
    };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Bulk fill: collect rows with append() between begin and end, one model reset.
    void beginFill();
    void append(const QString& name, FaceState state);
    void endFill();
    void clear();

    const Row& row(int i) const { return rows_[size_t(i)]; }
    Row& row(int i) { return rows_[size_t(i)]; } // its state and selection; not its name
    int size() const { return int(rows_.size()); }
    int find(const QString& name) const; // exact; -1 when absent
    // Every row by name (the first of equal names), for restating a whole list. Kept until the
    // rows change, since an activation restates rows that stayed where they were.
    const QHash<QString, int>& rowsByName() const;
    // The rows in the order a restate last met their names in the catalogue, kept as long as
    // rowsByName(): the next restate compares each name with its guess instead of looking it up.
    std::vector<int>& catalogueOrder() const;
    void removeAt(int i);
    // Removes every row `gone` names in one pass: one signal for one run of rows, one reset for
    // several, since removing row by row moved the rows below each removed one again.
    void removeIf(const std::function<bool(const Row&)>& gone);
    void setState(int i, FaceState state);
    // Every row's state at once, one per row in order; the selection is cleared, as by a fill.
    void setStates(const std::vector<FaceState>& states);
    void setSelected(int i, bool selected);
    void insertSorted(const QString& name); // plain character-code order
    void insertAt(int i, const QString& name, FaceState state);
    void sortByName(); // plain character-code order
    QStringList selectedNames() const;

    // Selection: a selected count and an anchor row per list.
    int selectedCount = 0;
    int anchor = -1;
    // Assigned Fonts: the set whose fonts the list shows; empty once the list is cleared.
    QString set;

private:
    std::vector<Row> rows_;
    std::vector<Row> pending_;
    bool filling_ = false;
    mutable QHash<QString, int> byName_;
    mutable bool byNameValid_ = false;
    mutable std::vector<int> catalogueOrder_;
};

} // namespace lb
