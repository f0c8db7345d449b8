#include "ReaderListModel.h"

#include "LoanTerms.h"

ReaderListModel::ReaderListModel(bool showContacts, QObject *parent) : QAbstractTableModel(parent)
{
    columns_ = {Name, Card, Category, Department};
    if (showContacts)
        columns_ << Phone << Email;
    columns_ << ValidUntil << Blocked;
}

void ReaderListModel::setReaders(const QList<store::Reader> &readers)
{
    beginResetModel();
    readers_ = readers;
    endResetModel();
}

const store::Reader *ReaderListModel::readerAt(int row) const
{
    return row >= 0 && row < readers_.size() ? &readers_[row] : nullptr;
}

int ReaderListModel::rowOf(qint64 readerId) const
{
    for (int row = 0; row < readers_.size(); ++row)
        if (readers_[row].id == readerId)
            return row;
    return -1;
}

int ReaderListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(readers_.size()); }

int ReaderListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(columns_.size()); }

QVariant ReaderListModel::data(const QModelIndex &index, int role) const
{
    const store::Reader *r = index.isValid() ? readerAt(index.row()) : nullptr;
    if (!r || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    switch (columnAt(index.column())) {
    case Name: return r->name;
    case Card: return r->card;
    case Category: return r->category;
    case Department: return r->department;
    case Phone: return r->phone;
    case Email: return r->email;
    case ValidUntil: return store::shownDate(r->validUntil);
    case Blocked: return r->blocked ? QStringLiteral("заблокирован: ") + r->blockReason : QString();
    }
    return {};
}

QVariant ReaderListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columns_.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (columnAt(section)) {
    case Name: return QStringLiteral("Фамилия, имя, отчество");
    case Card: return QStringLiteral("Билет");
    case Category: return QStringLiteral("Категория");
    case Department: return QStringLiteral("Подразделение");
    case Phone: return QStringLiteral("Телефон");
    case Email: return QStringLiteral("E-mail");
    case ValidUntil: return QStringLiteral("Действителен до");
    case Blocked: return QStringLiteral("Блокировка");
    }
    return {};
}
