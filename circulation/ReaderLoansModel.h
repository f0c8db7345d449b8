#pragma once

#include "ReaderLoans.h"

#include <QAbstractTableModel>

// A reader's loans in a table: the holding's code, author and title, the lending date, the due
// date, the return date and the days overdue. An overdue loan is tinted and says so in words,
// for a screen reader and for paper alike.
class ReaderLoansModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Code, Author, Title, Lent, Due, Returned, Overdue, ColumnCount };
    using QAbstractTableModel::QAbstractTableModel;

    void setLoans(const QList<store::ReaderLoan> &loans);
    const QList<store::ReaderLoan> &loans() const { return loans_; }
    const store::ReaderLoan *loanAt(int row) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString text(const store::ReaderLoan &loan, int column) const;
    QList<store::ReaderLoan> loans_;
};
