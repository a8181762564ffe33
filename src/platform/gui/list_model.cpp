#include "platform/gui/list_model.h"

namespace gui::layer {

void RowsModel::setTitles(const QStringList& titles) {
    beginResetModel();
    titles_ = titles;
    cells_.clear();
    rows_ = 0;
    endResetModel();
}

int RowsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int RowsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(titles_.size());
}

QVariant RowsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    if (index.row() >= rows_ || index.column() >= columns()) return {};
    return cells_[std::size_t(index.row()) * std::size_t(columns()) + std::size_t(index.column())];
}

QVariant RowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= titles_.size()) return {};
    if (role == Qt::DisplayRole) return titles_[section];
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void RowsModel::clear() {
    if (bulk_) {
        cells_.clear();
        rows_ = 0;
        return;
    }
    beginResetModel();
    cells_.clear();
    rows_ = 0;
    endResetModel();
}

void RowsModel::addRow(int row, const QString& text) {
    row = std::clamp(row, 0, rows_);
    const auto at = cells_.begin() + std::ptrdiff_t(row) * columns();
    if (!bulk_) beginInsertRows({}, row, row);
    const auto inserted = cells_.insert(at, std::size_t(columns()), QString());
    *inserted = text;
    ++rows_;
    if (!bulk_) endInsertRows();
}

void RowsModel::setCell(int row, int column, const QString& text) {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns()) return;
    cells_[std::size_t(row) * std::size_t(columns()) + std::size_t(column)] = text;
    if (!bulk_) {
        const QModelIndex cell = index(row, column);
        emit dataChanged(cell, cell, {Qt::DisplayRole});
    }
}

void RowsModel::beginBulk() {
    if (bulk_) return;
    beginResetModel();
    bulk_ = true;
}

void RowsModel::endBulk() {
    if (!bulk_) return;
    bulk_ = false;
    endResetModel();
}

}  // namespace gui::layer
