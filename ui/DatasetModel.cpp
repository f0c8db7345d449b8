#include "DatasetModel.h"

#include "ErrorBox.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"


namespace ui {

DatasetModel::DatasetModel(data::Dataset *dataset, QList<Column> columns, QObject *parent)
    : QAbstractTableModel(parent), ds_(dataset), columns_(std::move(columns))
{
    resolveFields();
    rows_ = ds_->recordCount();
    connect(ds_, &data::Dataset::rowsReset, this, &DatasetModel::reset);
    connect(ds_, &data::Dataset::rowInserted, this, [this](int position) {
        changingRows_ = true;
        beginInsertRows({}, position, position);
        ++rows_;
        endInsertRows();
        changingRows_ = false;
    });
    connect(ds_, &data::Dataset::rowAboutToBeRemoved, this, [this](int position) {
        changingRows_ = true;
        beginRemoveRows({}, position, position);
    });
    connect(ds_, &data::Dataset::rowRemoved, this, [this](int) {
        --rows_;
        endRemoveRows();
        changingRows_ = false;
    });
    connect(ds_, &data::Dataset::rowUpdated, this, [this](int position) {
        if (position >= 0 && position < rows_)
            emit dataChanged(index(position, 0), index(position, columnCount() - 1));
    });
    connect(ds_, &data::Dataset::fieldChanged, this, [this](int) {
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
    changingRows_ = true;
    beginResetModel();
    resolveFields();
    rows_ = ds_->recordCount();
    endResetModel();
    changingRows_ = false;
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
        if (text.size() > 30)
            return text;
        return rowToolTip ? rowToolTip(index.row()) : QVariant();
    }
    case Qt::EditRole:
        // An empty date opens as empty text, so that leaving the cell never fills in a date.
        return field < 0 ? QVariant() : ds_->valueAt(index.row(), field);
    case Qt::BackgroundRole:
        return rowBackground ? rowBackground(index.row()) : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (editable && index.isValid() && !ds_->readOnly() && fieldOfColumn(index.column()) >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool DatasetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const int field = fieldOfColumn(index.column());
    if (!editable || role != Qt::EditRole || field < 0 || index.row() >= rows_)
        return false;
    // An editor left without a change changes nothing (and puts no row in edit state).
    const QVariant old = ds_->valueAt(index.row(), field);
    const bool empty = value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty());
    if ((old.isNull() && empty) || old == value)
        return true;
    try {
        if (ds_->recNo() != index.row())
            ds_->setRecNo(index.row());
        if (ds_->state() == data::DatasetState::Browse)
            ds_->edit();
        ds_->field(field).setValue(value);
        return true;
    } catch (const data::DataError &e) {
        showApplicationError(e);
        return false;
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
