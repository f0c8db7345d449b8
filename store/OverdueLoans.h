#pragma once

#include "LoanTerms.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

namespace data {
class Connection;
}

namespace store {

// An open loan past its due date on the day asked about.
struct OverdueLoan {
    qint64 orderId = 0;
    QString reader; // as stored; empty when the loan names no reader
    QString invNum;
    QString liter;
    QString author;
    QString title;
    QDate lent;
    QDate due;
    int daysOverdue = 0;
};

// The overdue loans of one reader; reader is empty for the loans that name none. A registered
// reader's name is as the register has it, with her card and contacts.
struct ReaderDebt {
    QString reader;
    QList<OverdueLoan> loans;
    QString card, category, phone, email;
};

// The loans of holdings in the catalogue that were out and past their due date on `day` (a loan
// returned on its due day never is; one returned since counts for a day before), in the
// catalogue's reader order, each reader's loans by lending date.
QList<OverdueLoan> readOverdueLoans(data::Connection &connection, const LoanPeriods &periods, const QDate &day);

// The loans by reader, in the order the readers first come; the loans without a reader last.
// Names that differ only in letter case, Ё or blanks are one reader.
QList<ReaderDebt> groupByReader(const QList<OverdueLoan> &loans);
// Each reader's record from the register, when she has one: her name as registered, her card,
// category and contacts.
void attachReaderRecords(data::Connection &connection, QList<ReaderDebt> &debts);
// The overdue loans of the day by reader, with the readers' records: what the list and the
// letters show.
QList<ReaderDebt> readReaderDebts(data::Connection &connection, const LoanPeriods &periods, const QDate &day);

// The statement readOverdueLoans runs, and the values it binds (:day, :c0 to :c3) for a day.
QStringList overdueLoansSql(bool withTerms);
QList<std::pair<QString, QDate>> overdueLoansBindings(const LoanPeriods &periods, const QDate &day);

// Holdings with an overdue open loan on `day`, with its due date; of one holding only, when given.
QHash<qint64, QDate> overdueHoldings(data::Connection &connection, const LoanPeriods &periods, const QDate &day,
                                     std::optional<qint64> bookId = std::nullopt);
// The same of these holdings alone (none when the list is empty).
QHash<qint64, QDate> overdueHoldings(data::Connection &connection, const LoanPeriods &periods, const QDate &day,
                                     const QList<qint64> &bookIds);

} // namespace store
