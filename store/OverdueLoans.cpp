// Which open loans are past their due date on a day, read with one statement that leaves the
// engine only the loans that can be late; the due dates themselves are worked out here.
#include "OverdueLoans.h"

#include "data/Connection.h"
#include "data/dataset/Dataset.h"

namespace store {

namespace {

// A loan without an extension is late when it was lent before the day less its kind's period.
const QString LentTooLongAgo = QStringLiteral(
    "(o.status = 1 AND o.date_out < :c1) OR (o.status = 2 AND o.date_out < :c2)"
    " OR (o.status = 3 AND o.date_out < :c3) OR ((o.status IS NULL OR o.status NOT IN (1, 2, 3)) AND o.date_out < :c0)");

// The open loans that may be late on the day, with their newest extension's date last; the
// catalogue's columns of the loan come first, as `columns` names them.
QString openLoansSql(bool withTerms, const QString &columns, const QString &joins, const QString &condition)
{
    QString sql = QStringLiteral("SELECT ") + columns +
                  (withTerms ? QStringLiteral(", t.due_date") : QStringLiteral(", NULL")) +
                  QStringLiteral(" FROM orders o") + joins;
    if (withTerms)
        sql += QStringLiteral(" LEFT JOIN loan_terms t ON t.order_id = o.id AND t.seq = (SELECT MAX(x.seq) FROM"
                              " loan_terms x WHERE x.order_id = o.id AND x.book_id = o.book_id AND x.date_out = o.date_out)");
    sql += QStringLiteral(" WHERE o.date_in IS NULL AND o.date_out IS NOT NULL") + condition + QStringLiteral(" AND (");
    sql += withTerms ? QStringLiteral("(t.due_date IS NOT NULL AND t.due_date < :day) OR (t.due_date IS NULL AND (") +
                           LentTooLongAgo + QStringLiteral("))")
                     : LentTooLongAgo;
    return sql + u')';
}

void bindDays(data::Dataset &query, const LoanPeriods &periods, const QDate &day, bool withTerms)
{
    for (int k = 0; k < LoanKindCount; ++k)
        query.paramByName(QStringLiteral("c%1").arg(k)).value = day.addDays(-periods.days[std::size_t(k)]);
    if (withTerms)
        query.paramByName(QStringLiteral("day")).value = day;
}

} // namespace

QList<OverdueLoan> readOverdueLoans(data::Connection &connection, const LoanPeriods &periods, const QDate &day)
{
    const bool withTerms = loanTermsExist(connection);
    data::Dataset query(&connection);
    query.setSql(openLoansSql(withTerms,
                              QStringLiteral("o.id, o.loaner, o.date_out, o.status, b.inv_num, b.liter, b.author, b.title"),
                              QStringLiteral(" JOIN books b ON b.id = o.book_id"), QString()) +
                 QStringLiteral(" ORDER BY o.loaner, o.date_out, o.id"));
    bindDays(query, periods, day, withTerms);
    query.open();
    QList<OverdueLoan> loans;
    loans.reserve(query.recordCount());
    for (query.first(); !query.eof(); query.next()) {
        OverdueLoan loan;
        loan.lent = query.field(2).asDate();
        loan.due = dueDate(loan.lent, query.field(3).asVariant(), periods, query.field(8).asDate());
        loan.daysOverdue = daysOverdue(loan.due, day);
        if (loan.daysOverdue <= 0)
            continue;
        loan.orderId = query.field(0).asInteger();
        loan.reader = query.field(1).asString();
        loan.invNum = query.field(4).asString();
        loan.liter = query.field(5).asString();
        loan.author = query.field(6).asString();
        loan.title = query.field(7).asString();
        loans.push_back(std::move(loan));
    }
    return loans;
}

QList<ReaderDebt> groupByReader(const QList<OverdueLoan> &loans)
{
    QList<ReaderDebt> debts;
    QHash<QString, qsizetype> groupOf;
    ReaderDebt unnamed;
    for (const OverdueLoan &loan : loans) {
        if (loan.reader.trimmed().isEmpty()) {
            unnamed.loans.push_back(loan);
            continue;
        }
        const auto found = groupOf.constFind(loan.reader);
        if (found != groupOf.cend()) {
            debts[*found].loans.push_back(loan);
            continue;
        }
        groupOf.insert(loan.reader, debts.size());
        debts.push_back({loan.reader, {loan}});
    }
    if (!unnamed.loans.isEmpty())
        debts.push_back(std::move(unnamed));
    return debts;
}

QHash<qint64, QDate> overdueHoldings(data::Connection &connection, const LoanPeriods &periods, const QDate &day,
                                     std::optional<qint64> bookId)
{
    const bool withTerms = loanTermsExist(connection);
    data::Dataset query(&connection);
    query.setSql(openLoansSql(withTerms, QStringLiteral("o.book_id, o.date_out, o.status"), QString(),
                              bookId ? QStringLiteral(" AND o.book_id = :book") : QString()));
    bindDays(query, periods, day, withTerms);
    if (bookId)
        query.paramByName(QStringLiteral("book")).value = *bookId;
    query.open();
    QHash<qint64, QDate> late;
    for (query.first(); !query.eof(); query.next()) {
        const QDate due = dueDate(query.field(1).asDate(), query.field(2).asVariant(), periods, query.field(3).asDate());
        if (daysOverdue(due, day) <= 0)
            continue;
        QDate &earliest = late[query.field(0).asInteger()];
        if (!earliest.isValid() || due < earliest)
            earliest = due;
    }
    return late;
}

} // namespace store
