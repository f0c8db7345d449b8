// Which loans are past their due date on a day: the engine leaves only the loans out then that
// can be late, with the due dates stored for them; the due dates themselves are worked out here.
#include "OverdueLoans.h"

#include "HeldCells.h"
#include "ReaderNames.h"
#include "Readers.h"
#include "data/Connection.h"
#include "data/dataset/Dataset.h"

namespace store {

namespace {

// A loan without a stored due date is late when it was lent before the day less its kind's period.
const QString LentTooLongAgo = QStringLiteral(
    "(o.status = 1 AND o.date_out < :c1) OR (o.status = 2 AND o.date_out < :c2)"
    " OR (o.status = 3 AND o.date_out < :c3) OR ((o.status IS NULL OR o.status NOT IN (1, 2, 3)) AND o.date_out < :c0)");

// Out on the day: lent by then and not back before its end. A loan without a lending date passes
// none of the comparisons: no due date, never late.
const QString OutOnTheDay = QStringLiteral("(o.date_in IS NULL OR o.date_in > :day) AND o.date_out <= :day");

// The loans out on the day that may be late: late by the rule, or with a due date stored (which
// is judged here, not by the engine: a correlated lookup per loan costs the server far more).
// The catalogue's columns of the loan come first, as `columns` names them.
QString openLoansSql(bool withTerms, const QString &columns, const QString &joins, const QString &condition)
{
    return QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM orders o") + joins + QStringLiteral(" WHERE ") +
           OutOnTheDay + condition + QStringLiteral(" AND (") + LentTooLongAgo +
           (withTerms ? QStringLiteral(" OR o.id IN (SELECT order_id FROM loan_terms)") : QString()) + u')';
}

// The due dates stored for the loans out on the day, in force then (extensions given later did
// not count yet), of this very lending: rows of a loan row changed or reused since do not count.
QString storedDuesSql(const QString &condition)
{
    return QStringLiteral("SELECT x.order_id, x.seq, x.due_date FROM loan_terms x JOIN orders o ON o.id = x.order_id"
                          " AND x.book_id = o.book_id AND x.date_out = o.date_out WHERE ") +
           OutOnTheDay + condition + QStringLiteral(" AND x.extended_on <= :day");
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

void bindDays(data::Dataset &query, const LoanPeriods &periods, const QDate &day)
{
    for (const auto &[name, value] : overdueLoansBindings(periods, day))
        query.paramByName(name).value = value;
}

// The newest due date in force of each loan out on the day that has one stored.
QHash<qint64, QDate> storedDues(data::Connection &connection, const QDate &day, const QString &condition,
                                std::optional<qint64> bookId)
{
    QHash<qint64, QDate> dues;
    if (!loanTermsExist(connection))
        return dues;
    data::Dataset query(&connection);
    query.setSql(storedDuesSql(condition));
    query.paramByName(QStringLiteral("day")).value = day;
    if (bookId)
        query.paramByName(QStringLiteral("book")).value = *bookId;
    query.open();
    QHash<qint64, qint64> newest;
    for (int r = 0; r < query.recordCount(); ++r) {
        const qint64 order = query.cellAt(r, 0).integer, seq = query.cellAt(r, 1).integer;
        auto it = newest.find(order);
        if (it != newest.end() && *it >= seq)
            continue;
        newest.insert(order, seq);
        dues.insert(order, cellDate(query, r, 2));
    }
    return dues;
}

} // namespace

QStringList overdueLoansSql(bool withTerms)
{
    QStringList statements{
        openLoansSql(withTerms,
                     QStringLiteral("o.id, o.loaner, o.date_out, o.status, b.inv_num, b.liter, b.author, b.title"),
                     QStringLiteral(" JOIN books b ON b.id = o.book_id"), QString()) +
        // Ordered by an expression, not the reader's index: reading 200,000 loans through that
        // index costs far more than sorting the few open ones.
        QStringLiteral(" ORDER BY COALESCE(o.loaner, ''), o.date_out, o.id")};
    if (withTerms)
        statements << storedDuesSql(QString());
    return statements;
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
    const QHash<qint64, QDate> stored = storedDues(connection, day, QString(), std::nullopt);
    data::Dataset query(&connection);
    query.setSql(overdueLoansSql(withTerms).first());
    bindDays(query, periods, day);
    query.open();
    QList<OverdueLoan> loans;
    loans.reserve(query.recordCount());
    for (int r = 0; r < query.recordCount(); ++r) {
        OverdueLoan loan;
        loan.lent = cellDate(query, r, 2);
        loan.due = dueDate(loan.lent, cellStatus(query, r, 3), periods, stored.value(query.cellAt(r, 0).integer));
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
        const QString key = readerNameKey(loan.reader);
        const auto found = groupOf.constFind(key);
        if (found != groupOf.cend()) {
            debts[*found].loans.push_back(loan);
            continue;
        }
        groupOf.insert(key, debts.size());
        debts.push_back({loan.reader, {loan}, {}, {}, {}, {}});
    }
    if (!unnamed.loans.isEmpty())
        debts.push_back(std::move(unnamed));
    return debts;
}

void attachReaderRecords(data::Connection &connection, QList<ReaderDebt> &debts)
{
    if (debts.isEmpty() || !readersExist(connection))
        return;
    const QHash<QString, Reader> registered = readersByNameKey(connection);
    for (ReaderDebt &d : debts) {
        const auto r = registered.constFind(readerNameKey(d.reader));
        if (r == registered.cend())
            continue;
        d.reader = r->name;
        d.card = r->card;
        d.category = r->category;
        d.phone = r->phone;
        d.email = r->email;
    }
}

QList<ReaderDebt> readReaderDebts(data::Connection &connection, const LoanPeriods &periods, const QDate &day)
{
    QList<ReaderDebt> debts = groupByReader(readOverdueLoans(connection, periods, day));
    attachReaderRecords(connection, debts);
    return debts;
}

QHash<qint64, QDate> overdueHoldings(data::Connection &connection, const LoanPeriods &periods, const QDate &day,
                                     std::optional<qint64> bookId)
{
    const bool withTerms = loanTermsExist(connection);
    const QString oneBook = bookId ? QStringLiteral(" AND o.book_id = :book") : QString();
    const QHash<qint64, QDate> stored = storedDues(connection, day, oneBook, bookId);
    data::Dataset query(&connection);
    query.setSql(openLoansSql(withTerms, QStringLiteral("o.book_id, o.date_out, o.status, o.id"), QString(), oneBook));
    bindDays(query, periods, day);
    if (bookId)
        query.paramByName(QStringLiteral("book")).value = *bookId;
    query.open();
    QHash<qint64, QDate> late;
    for (int r = 0; r < query.recordCount(); ++r) {
        const QDate due = dueDate(cellDate(query, r, 1), cellStatus(query, r, 2), periods,
                                  stored.value(query.cellAt(r, 3).integer));
        if (daysOverdue(due, day) <= 0)
            continue;
        QDate &earliest = late[query.cellAt(r, 0).integer];
        if (!earliest.isValid() || due < earliest)
            earliest = due;
    }
    return late;
}

} // namespace store
