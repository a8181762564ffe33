#include "platform/gui/list_model.h"

#include <limits>

namespace gui::layer {

namespace {

// A buffer that has come to hold more replaced texts than this is written anew.
constexpr std::size_t CompactAbove = 1 << 20;

}  // namespace

void RowsModel::setTitles(const QStringList& titles) {
    beginResetModel();
    titles_ = titles;
    dropTexts();
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
    const std::string_view text = cellText(index.row(), index.column());
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QVariant RowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= titles_.size()) return {};
    if (role == Qt::DisplayRole) return titles_[section];
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

std::string_view RowsModel::cellText(int row, int column) const {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns()) return {};
    const Cell cell = cells_[std::size_t(row) * std::size_t(columns()) + std::size_t(column)];
    return std::string_view(texts_).substr(cell.begin, cell.length);
}

void RowsModel::dropTexts() {
    // The room stays, for the refill that usually follows.
    texts_.clear();
    unusedBytes_ = 0;
    cells_.clear();
    rows_ = 0;
}

void RowsModel::clear() {
    if (bulk_) {
        dropTexts();
        return;
    }
    beginResetModel();
    dropTexts();
    endResetModel();
}

RowsModel::Cell RowsModel::store(std::string_view text) {
    // Texts come from fixed fields and short captions; anything beyond what a cell can
    // address is cut rather than wrapped around.
    constexpr std::size_t limit = std::numeric_limits<std::uint32_t>::max();
    if (texts_.size() + text.size() > limit) {
        text = text.substr(0, texts_.size() < limit ? limit - texts_.size() : 0);
    }
    const Cell cell{std::uint32_t(texts_.size()), std::uint32_t(text.size())};
    texts_.append(text);
    return cell;
}

void RowsModel::addRow(int row, std::string_view text) {
    row = std::clamp(row, 0, rows_);
    const auto at = cells_.begin() + std::ptrdiff_t(row) * columns();
    if (!bulk_) beginInsertRows({}, row, row);
    const auto inserted = cells_.insert(at, std::size_t(columns()), Cell{});
    *inserted = store(text);
    ++rows_;
    if (!bulk_) endInsertRows();
}

void RowsModel::setCell(int row, int column, std::string_view text) {
    if (row < 0 || row >= rows_ || column < 0 || column >= columns()) return;
    Cell& cell = cells_[std::size_t(row) * std::size_t(columns()) + std::size_t(column)];
    unusedBytes_ += cell.length;
    cell = store(text);
    if (unusedBytes_ > CompactAbove && unusedBytes_ > texts_.size() / 2) {
        // Rewritten in place of the old buffer, so that replacing cells over and over does
        // not let it grow without end.
        std::string kept;
        kept.reserve(texts_.size() - unusedBytes_);
        for (Cell& each : cells_) {
            const Cell moved{std::uint32_t(kept.size()), each.length};
            kept.append(texts_, each.begin, each.length);
            each = moved;
        }
        texts_ = std::move(kept);
        unusedBytes_ = 0;
    }
    if (!bulk_) {
        const QModelIndex changed = index(row, column);
        emit dataChanged(changed, changed, {Qt::DisplayRole});
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
