#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace gui::layer {

// The rows of a list view. Every cell's text is kept as UTF-8 in one shared buffer and
// becomes a QString only when the view asks for it, which it does for the rows on screen: a
// list of thousands of rows costs little more than the bytes of its texts, and filling it
// makes no string per cell.
class RowsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setTitles(const QStringList& titles);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The cell's text as UTF-8 ("" for a cell that does not exist).
    std::string_view cellText(int row, int column) const;

    void clear();
    // Inserts a row holding the text in its first cell (at the end when row is past it).
    void addRow(int row, std::string_view text);
    void setCell(int row, int column, std::string_view text);
    // Between these, changes are made without telling the view; the end tells it once.
    void beginBulk();
    void endBulk();

private:
    // Where a cell's text lies in texts_.
    struct Cell {
        std::uint32_t begin = 0;
        std::uint32_t length = 0;
    };

    int columns() const { return std::max(1, int(titles_.size())); }
    Cell store(std::string_view text);
    void dropTexts();

    QStringList titles_;
    std::string texts_;
    std::size_t unusedBytes_ = 0;  // texts of cells that have been replaced since
    std::vector<Cell> cells_;      // row by row
    int rows_ = 0;
    bool bulk_ = false;
};

}  // namespace gui::layer
