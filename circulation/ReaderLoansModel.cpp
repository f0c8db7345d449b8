#include "ReaderLoansModel.h"

#include "ScannedCode.h"

#include <QColor>

void ReaderLoansModel::setLoans(const QList<store::ReaderLoan> &loans)
{
    beginResetModel();
    loans_ = loans;
    endResetModel();
}

const store::ReaderLoan *ReaderLoansModel::loanAt(int row) const
{
    return row >= 0 && row < loans_.size() ? &loans_[row] : nullptr;
}

int ReaderLoansModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(loans_.size()); }

int ReaderLoansModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString ReaderLoansModel::text(const store::ReaderLoan &loan, int column) const
{
    switch (column) {
    case Code: return loan.holdingKnown ? store::shownHoldingCode(loan.liter, loan.invNum) : QStringLiteral("—");
    case Author: return loan.author.simplified();
    case Title: return loan.holdingKnown ? loan.title.simplified() : QStringLiteral("(издание удалено из каталога)");
    case Lent: return store::shownDate(loan.lent);
    case Due: return store::shownDate(loan.due);
    case Returned: return loan.open ? QStringLiteral("на руках") : store::shownDate(loan.returned);
    case Overdue: return loan.daysOverdue > 0 ? QStringLiteral("просрочено на %1 дн.").arg(loan.daysOverdue) : QString();
    }
    return {};
}

QVariant ReaderLoansModel::data(const QModelIndex &index, int role) const
{
    const store::ReaderLoan *loan = index.isValid() ? loanAt(index.row()) : nullptr;
    if (!loan)
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return text(*loan, index.column());
    // The colour of the catalogue's overdue rows.
    if (role == Qt::BackgroundRole && loan->daysOverdue > 0)
        return QColor(0xff, 0xc7, 0xc7);
    return {};
}

QVariant ReaderLoansModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const captions[ColumnCount] = {"Код", "Автор", "Название", "Выдано", "Срок возврата", "Возвращено",
                                                       "Просрочка"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(captions[section]) : QVariant();
}
