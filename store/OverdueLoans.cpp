// Which open loans are past their due date on a day, read with one statement that leaves the
// engine only the loans that can be late; the due dates themselves are worked out here.
#include "OverdueLoans.h"

#include "HeldCells.h"

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
    // A loan without a lending date passes none of the comparisons below: no due date, never late.
    sql += QStringLiteral(" WHERE o.date_in IS NULL") + condition + QStringLiteral(" AND (");
    sql += withTerms ? QStringLiteral("(t.due_date IS NOT NULL AND t.due_date < :day) OR (t.due_date IS NULL AND (") +
                           LentTooLongAgo + QStringLiteral("))")
                     : LentTooLongAgo;
    return sql + u')';
}

QDate cellDate(const data::Dataset &q, int row, int column)
{
    const data::CellView c = q.cellAt(row, column);
    if (c.type != data::CellType::Text || c.bytes.size() < 10)
        return {};
    return QDate::fromString(QLatin1StringView(c.bytes.data(), 10), Qt::ISODate);
}

QVariant cellStatus(const data::Dataset &q, int row, int column)
{
    const data::CellView c = q.cellAt(row, column);
    return c.type == data::CellType::Integer ? QVariant(qlonglong(c.integer)) : QVariant();
}

void bindDays(data::Dataset &query, const LoanPeriods &periods, const QDate &day, bool withTerms)
{
    for (const auto &[name, value] : overdueLoansBindings(periods, day))
        if (withTerms || name != u"day")
            query.paramByName(name).value = value;
}

} // namespace

QString overdueLoansSql(bool withTerms)
{
    return openLoansSql(withTerms,
                        QStringLiteral("o.id, o.loaner, o.date_out, o.status, b.inv_num, b.liter, b.author, b.title"),
                        QStringLiteral(" JOIN books b ON b.id = o.book_id"), QString()) +
           // Ordered by an expression, not the reader's index: reading 200,000 loans through that
           // index costs far more than sorting the few open ones.
           QStringLiteral(" ORDER BY COALESCE(o.loaner, ''), o.date_out, o.id");
}

QList<std::pair<QString, QDate>> overdueLoansBindings(const LoanPeriods &periods, const QDate &day)
{
    QList<std::pair<QString, QDate>> values{{QStringLiteral("day"), day}};
    for (int k = 0; k < LoanKindCount; ++k)
        values.push_back({QStringLiteral("c%1").arg(k), day.addDays(-periods.days[std::size_t(k)])});
    return values;
}

QList<OverdueLoan> readOverdueLoans(data::Connection &connection, const LoanPeriods &periods, const QDate &day)
{
    const bool withTerms = loanTermsExist(connection);
    data::Dataset query(&connection);
    query.setSql(overdueLoansSql(withTerms));
    bindDays(query, periods, day, withTerms);
    query.open();
    QList<OverdueLoan> loans;
    loans.reserve(query.recordCount());
    for (int r = 0; r < query.recordCount(); ++r) {
        OverdueLoan loan;
        loan.lent = cellDate(query, r, 2);
        loan.due = dueDate(loan.lent, cellStatus(query, r, 3), periods, cellDate(query, r, 8));
        loan.daysOverdue = daysOverdue(loan.due, day);
        if (loan.daysOverdue <= 0)
            continue;
        loan.orderId = query.cellAt(r, 0).integer;
        loan.reader = heldText(query, r, 1);
        loan.invNum = heldText(query, r, 4);
        loan.liter = heldText(query, r, 5);
        loan.author = heldText(query, r, 6);
        loan.title = heldText(query, r, 7);
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
    for (int r = 0; r < query.recordCount(); ++r) {
        const QDate due = dueDate(cellDate(query, r, 1), cellStatus(query, r, 2), periods, cellDate(query, r, 3));
        if (daysOverdue(due, day) <= 0)
            continue;
        QDate &earliest = late[query.cellAt(r, 0).integer];
        if (!earliest.isValid() || due < earliest)
            earliest = due;
    }
    return late;
}

} // namespace store
