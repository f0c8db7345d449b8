#include "DatasetModel.h"

#include "Dataset.h"

namespace ui {

DatasetModel::DatasetModel(store::Dataset *dataset, QList<Column> columns, QObject *parent)
    : QAbstractTableModel(parent), ds_(dataset), columns_(std::move(columns))
{
    resolveFields();
    rows_ = ds_->recordCount();
    connect(ds_, &store::Dataset::rowsReset, this, &DatasetModel::reset);
    connect(ds_, &store::Dataset::rowInserted, this, [this](int position) {
        beginInsertRows({}, position, position);
        ++rows_;
        endInsertRows();
    });
    connect(ds_, &store::Dataset::rowAboutToBeRemoved, this,
            [this](int position) { beginRemoveRows({}, position, position); });
    connect(ds_, &store::Dataset::rowRemoved, this, [this](int) {
        --rows_;
        endRemoveRows();
    });
    connect(ds_, &store::Dataset::rowUpdated, this, [this](int position) {
        if (position >= 0 && position < rows_)
            emit dataChanged(index(position, 0), index(position, columnCount() - 1));
    });
    connect(ds_, &store::Dataset::fieldChanged, this, [this](int) {
        const int position = ds_->recNo();
        if (position >= 0 && position < rows_)
            emit dataChanged(index(position, 0), index(position, columnCount() - 1));
    });
}

void DatasetModel::resolveFields()
{
    fieldIndex_.clear();
    for (const Column &c : columns_)
        fieldIndex_ << (ds_->active() ? ds_->fieldIndex(c.field) : -1);
}

void DatasetModel::reset()
{
    beginResetModel();
    resolveFields();
    rows_ = ds_->recordCount();
    endResetModel();
}

int DatasetModel::fieldOfColumn(int column) const { return fieldIndex_.value(column, -1); }

int DatasetModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : rows_; }

int DatasetModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(columns_.size()); }

QVariant DatasetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows_)
        return {};
    const int field = fieldOfColumn(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return field < 0 ? QVariant() : QVariant(ds_->textAt(index.row(), field));
    case Qt::ToolTipRole: {
        // Long titles are cut in the cell; the whole text shows on hover.
        const QString text = field < 0 ? QString() : ds_->textAt(index.row(), field);
        return text.size() > 30 ? QVariant(text) : QVariant();
    }
    case Qt::BackgroundRole:
        return rowBackground ? rowBackground(index.row()) : QVariant();
    default:
        return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return columns_.value(section).title;
    return {};
}

} // namespace ui
