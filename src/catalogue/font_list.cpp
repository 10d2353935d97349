#include "catalogue/font_list.h"

#include <algorithm>

namespace lb {

int FontListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

QVariant FontListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const Row& r = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return r.name;
    case StateRole:
        return int(r.state);
    case SelectedRole:
        return r.selected;
    default:
        return {};
    }
}

void FontListModel::beginFill() {
    pending_.clear();
    filling_ = true;
}

void FontListModel::append(const QString& name, FaceState state) {
    if (filling_) {
        pending_.push_back(Row{name, state, false});
        return;
    }
    const int at = int(rows_.size());
    byNameValid_ = false;
    beginInsertRows({}, at, at);
    rows_.push_back(Row{name, state, false});
    endInsertRows();
}

void FontListModel::endFill() {
    byNameValid_ = false;
    beginResetModel();
    rows_.swap(pending_);
    pending_.clear();
    filling_ = false;
    selectedCount = 0;
    anchor = -1;
    endResetModel();
}

void FontListModel::clear() {
    byNameValid_ = false;
    beginResetModel();
    rows_.clear();
    set.clear();
    selectedCount = 0;
    anchor = -1;
    endResetModel();
}

int FontListModel::find(const QString& name) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].name == name) return int(i);
    return -1;
}

const QHash<QString, int>& FontListModel::rowsByName() const {
    if (!byNameValid_) {
        catalogueOrder_.clear();
        byName_.clear();
        byName_.reserve(qsizetype(rows_.size()));
        // From the last row up, so that the first of equal names is the one kept.
        for (size_t i = rows_.size(); i-- > 0;)
            byName_.insert(rows_[i].name, int(i));
        byNameValid_ = true;
    }
    return byName_;
}

std::vector<int>& FontListModel::catalogueOrder() const {
    if (!byNameValid_) catalogueOrder_.clear();
    return catalogueOrder_;
}

void FontListModel::removeAt(int i) {
    byNameValid_ = false;
    beginRemoveRows({}, i, i);
    if (rows_[size_t(i)].selected) --selectedCount;
    rows_.erase(rows_.begin() + i);
    if (anchor == i)
        anchor = -1;
    else if (anchor > i)
        --anchor;
    endRemoveRows();
}

void FontListModel::removeIf(const std::function<bool(const Row&)>& gone) {
    int first = -1, last = -1, runs = 0;
    for (int i = 0; i < size(); ++i) {
        if (!gone(rows_[size_t(i)])) continue;
        if (i != last + 1 || first < 0) ++runs;
        if (first < 0) first = i;
        last = i;
    }
    if (runs == 0) return;
    byNameValid_ = false;
    if (runs == 1) {
        beginRemoveRows({}, first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
    } else {
        beginResetModel();
        rows_.erase(std::remove_if(rows_.begin(), rows_.end(), gone), rows_.end());
    }
    selectedCount =
        int(std::count_if(rows_.begin(), rows_.end(), [](const Row& r) { return r.selected; }));
    if (anchor >= first) anchor = -1;
    if (runs == 1)
        endRemoveRows();
    else
        endResetModel();
}

void FontListModel::setState(int i, FaceState state) {
    rows_[size_t(i)].state = state;
    const QModelIndex idx = index(i);
    Q_EMIT dataChanged(idx, idx, {StateRole});
}

void FontListModel::setStates(const std::vector<FaceState>& states) {
    for (size_t i = 0; i < rows_.size() && i < states.size(); ++i) {
        rows_[i].state = states[i];
        rows_[i].selected = false;
    }
    selectedCount = 0;
    anchor = -1;
    if (!rows_.empty())
        Q_EMIT dataChanged(index(0), index(int(rows_.size()) - 1), {StateRole, SelectedRole});
}

void FontListModel::setSelected(int i, bool selected) {
    Row& r = rows_[size_t(i)];
    if (r.selected == selected) return;
    r.selected = selected;
    const QModelIndex idx = index(i);
    Q_EMIT dataChanged(idx, idx, {SelectedRole});
}

void FontListModel::insertSorted(const QString& name) {
    byNameValid_ = false;
    const auto at = std::lower_bound(rows_.begin(), rows_.end(), name,
                                     [](const Row& r, const QString& n) { return r.name < n; });
    const int i = int(at - rows_.begin());
    beginInsertRows({}, i, i);
    rows_.insert(at, Row{name, FaceState::Active, false});
    if (anchor >= i) ++anchor;
    endInsertRows();
}

void FontListModel::insertAt(int i, const QString& name, FaceState state) {
    byNameValid_ = false;
    beginInsertRows({}, i, i);
    rows_.insert(rows_.begin() + i, Row{name, state, false});
    if (anchor >= i) ++anchor;
    endInsertRows();
}

void FontListModel::sortByName() {
    byNameValid_ = false;
    Q_EMIT layoutAboutToBeChanged();
    std::stable_sort(rows_.begin(), rows_.end(),
                     [](const Row& a, const Row& b) { return a.name < b.name; });
    Q_EMIT layoutChanged();
}

QStringList FontListModel::selectedNames() const {
    QStringList names;
    for (const Row& r : rows_)
        if (r.selected) names << r.name;
    return names;
}

} // namespace lb
