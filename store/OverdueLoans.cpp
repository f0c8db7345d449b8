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

// The loans out on the day that may be late: late by the rule, or with due dates stored, each
// stored one in force on the day (given by then, for this very lending: rows of a loan row changed
// or reused since do not count) on a row of its own, the newest first. Which is late is judged
// here: a correlated lookup of the newest per loan costs the engines far more than these rows.
// The loan's columns come first, as `columns` names them, then the term's seq and due date.
QString openLoansSql(bool withTerms, const QString &columns, const QString &joins, const QString &condition,
                     const QString &order)
{
    QString sql = QStringLiteral("SELECT ") + columns +
                  (withTerms ? QStringLiteral(", x.seq, x.due_date") : QStringLiteral(", NULL, NULL")) +
                  QStringLiteral(" FROM orders o") + joins;
    if (withTerms)
        sql += QStringLiteral(" LEFT JOIN loan_terms x ON x.order_id = o.id AND x.book_id = o.book_id"
                              " AND x.date_out = o.date_out AND x.extended_on <= :day");
    sql += QStringLiteral(" WHERE ") + OutOnTheDay + condition + QStringLiteral(" AND (") + LentTooLongAgo +
           (withTerms ? QStringLiteral(" OR x.order_id IS NOT NULL") : QString()) + u')';
    return sql + QStringLiteral(" ORDER BY ") + order + (withTerms ? QStringLiteral(", x.seq DESC") : QString());
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

// Walks the rows of openLoansSql: the first row of each loan (the ids in `idColumn`) with its due
// date, the later rows of the same loan (older terms) skipped.
template <typename Visit>
void forEachLoan(const data::Dataset &query, int idColumn, int termColumn, const LoanPeriods &periods, int lentColumn,
                 int statusColumn, Visit visit)
{
    qint64 previous = 0;
    for (int r = 0; r < query.recordCount(); ++r) {
        const qint64 id = query.cellAt(r, idColumn).integer;
        if (r > 0 && id == previous)
            continue;
        previous = id;
        const QDate due = dueDate(cellDate(query, r, lentColumn), cellStatus(query, r, statusColumn), periods,
                                  cellDate(query, r, termColumn + 1));
        visit(r, due);
    }
}

} // namespace

QStringList overdueLoansSql(bool withTerms)
{
    // Ordered by an expression, not the reader's index: reading 200,000 loans through that index
    // costs far more than sorting the few open ones.
    return {openLoansSql(withTerms,
                         QStringLiteral("o.id, o.loaner, o.date_out, o.status, b.inv_num, b.liter, b.author, b.title"),
                         QStringLiteral(" JOIN books b ON b.id = o.book_id"), QString(),
                         QStringLiteral("COALESCE(o.loaner, ''), o.date_out, o.id"))};
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
    data::Dataset query(&connection);
    query.setSql(overdueLoansSql(loanTermsExist(connection)).first());
    bindDays(query, periods, day);
    query.open();
    QList<OverdueLoan> loans;
    loans.reserve(query.recordCount());
    forEachLoan(query, 0, 8, periods, 2, 3, [&](int r, const QDate &due) {
        const int late = daysOverdue(due, day);
        if (late <= 0)
            return;
        OverdueLoan loan;
        loan.orderId = query.cellAt(r, 0).integer;
        loan.reader = heldText(query, r, 1);
        loan.lent = cellDate(query, r, 2);
        loan.due = due;
        loan.daysOverdue = late;
        loan.invNum = heldText(query, r, 4);
        loan.liter = heldText(query, r, 5);
        loan.author = heldText(query, r, 6);
        loan.title = heldText(query, r, 7);
        loans.push_back(std::move(loan));
    });
    return loans;
}

QList<ReaderDebt> groupByReader(const QList<OverdueLoan> &loans)
{
    QList<ReaderDebt> debts;
    QHash<QString, qsizetype> groupOf;
    ReaderDebt unnamed;
    QString lastName, key;
    for (const OverdueLoan &loan : loans) {
        if (loan.reader.trimmed().isEmpty()) {
            unnamed.loans.push_back(loan);
            continue;
        }
        // The loans come by reader: the key of a name is made once for its run of loans.
        if (loan.reader != lastName) {
            lastName = loan.reader;
            key = readerNameKey(lastName);
        }
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
    QStringList keys;
    keys.reserve(debts.size());
    for (const ReaderDebt &d : std::as_const(debts))
        keys << readerNameKey(d.reader);
    const QHash<QString, Reader> registered = readersByNameKey(connection, QSet<QString>(keys.begin(), keys.end()));
    for (qsizetype i = 0; i < debts.size(); ++i) {
        ReaderDebt &d = debts[i];
        const auto r = registered.constFind(keys[i]);
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

namespace {

// The holdings of `query` (openLoansSql's columns o.id, o.book_id, o.date_out, o.status) late on `day`.
QHash<qint64, QDate> lateHoldings(data::Dataset &query, const LoanPeriods &periods, const QDate &day)
{
    bindDays(query, periods, day);
    query.open();
    QHash<qint64, QDate> late;
    forEachLoan(query, 0, 4, periods, 2, 3, [&](int r, const QDate &due) {
        if (daysOverdue(due, day) <= 0)
            return;
        QDate &earliest = late[query.cellAt(r, 1).integer];
        if (!earliest.isValid() || due < earliest)
            earliest = due;
    });
    return late;
}

const QString LateColumns = QStringLiteral("o.id, o.book_id, o.date_out, o.status");

} // namespace

QHash<qint64, QDate> overdueHoldings(data::Connection &connection, const LoanPeriods &periods, const QDate &day,
                                     std::optional<qint64> bookId)
{
    if (bookId)
        return overdueHoldings(connection, periods, day, QList<qint64>{*bookId});
    data::Dataset query(&connection);
    query.setSql(openLoansSql(loanTermsExist(connection), LateColumns, QString(), QString(), QStringLiteral("o.id")));
    return lateHoldings(query, periods, day);
}

QHash<qint64, QDate> overdueHoldings(data::Connection &connection, const LoanPeriods &periods, const QDate &day,
                                     const QList<qint64> &bookIds)
{
    if (bookIds.isEmpty())
        return {};
    QStringList names;
    for (int i = 0; i < bookIds.size(); ++i)
        names << QStringLiteral(":b%1").arg(i);
    data::Dataset query(&connection);
    query.setSql(openLoansSql(loanTermsExist(connection), LateColumns, QString(),
                              QStringLiteral(" AND o.book_id IN (") + names.join(QStringLiteral(", ")) + u')',
                              QStringLiteral("o.id")));
    for (int i = 0; i < bookIds.size(); ++i)
        query.paramByName(names[i].mid(1)).value = bookIds[i];
    return lateHoldings(query, periods, day);
}

} // namespace store
