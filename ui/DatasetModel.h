#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>

namespace data {
class Dataset;
}

namespace ui {

// A table model over a dataset: it reads the held rows in place, one cell at a time, and
// follows the dataset's signals. The row count is kept here so that each change can be
// announced to the views with the matching begin/end pair.
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString field;
        QString title;
    };

    DatasetModel(data::Dataset *dataset, QList<Column> columns, QObject *parent = nullptr);

    data::Dataset *dataset() const { return ds_; }
    const QList<Column> &columns() const { return columns_; }
    int fieldOfColumn(int column) const; // dataset field index, -1 when the dataset lacks it
    // True while rows are being inserted, removed or reset: the views then move by themselves.
    bool changingRows() const { return changingRows_; }

    // Background of every cell of a row (by position); an invalid QVariant keeps the view's own.
    std::function<QVariant(int row)> rowBackground;
    // Tooltip of every cell of a row that shows its whole text already; invalid for none.
    std::function<QVariant(int row)> rowToolTip;
    // Cells can be changed in place: the change puts the dataset in edit state on that row.
    bool editable = false;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    void reset();
    void resolveFields();

    data::Dataset *ds_;
    QList<Column> columns_;
    QList<int> fieldIndex_;
    int rows_ = 0;
    bool changingRows_ = false;
};

} // namespace ui
