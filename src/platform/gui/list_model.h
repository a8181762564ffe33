#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <algorithm>
#include <vector>

namespace gui::layer {

// The rows of a list view as plain strings, one flat array, so that thousands of rows cost
// little more than their texts.
class RowsModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setTitles(const QStringList& titles);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void clear();
    // Inserts a row holding the text in its first cell (at the end when row is past it).
    void addRow(int row, const QString& text);
    void setCell(int row, int column, const QString& text);
    // Between these, changes are made without telling the view; the end tells it once.
    void beginBulk();
    void endBulk();

private:
    int columns() const { return std::max(1, int(titles_.size())); }

    QStringList titles_;
    std::vector<QString> cells_;
    int rows_ = 0;
    bool bulk_ = false;
};

}  // namespace gui::layer
