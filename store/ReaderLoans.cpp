// A reader's loans with their due dates, read with one statement whatever their number.
#include "ReaderLoans.h"

#include "data/Connection.h"
#include "data/dataset/Dataset.h"

#include <algorithm>

namespace store {

namespace {

QString readerLoansSql(bool withTerms, bool openOnly)
{
    // The newest due date stored for this very lending (see storedTerms in LoanTerms.cpp).
    const QString due = withTerms ? QStringLiteral("(SELECT x.due_date FROM loan_terms x WHERE x.order_id = o.id AND"
                                                   " x.book_id = o.book_id AND x.date_out = o.date_out ORDER BY x.seq"
                                                   " DESC LIMIT 1)")
                                  : QStringLiteral("NULL");
    return QStringLiteral("SELECT o.id, o.book_id, b.id, b.liter, b.inv_num, b.title, b.author, o.date_out, o.date_in,"
                          " o.status, ") +
           due + QStringLiteral(" FROM orders o LEFT JOIN books b ON b.id = o.book_id WHERE o.loaner = :name") +
           (openOnly ? QStringLiteral(" AND o.date_in IS NULL") : QString());
}

ReaderLoan loanAt(data::Dataset &q, const LoanPeriods &periods, const QDate &today)
{
    ReaderLoan loan;
    loan.orderId = q.field(0).asInteger();
    loan.bookId = q.field(1).asInteger();
    loan.holdingKnown = !q.field(2).isNull();
    loan.liter = q.field(3).asString();
    loan.invNum = q.field(4).asInteger();
    loan.title = q.field(5).asString();
    loan.author = q.field(6).asString();
    loan.lent = q.field(7).asDate();
    loan.open = q.field(8).isNull();
    loan.returned = q.field(8).asDate();
    loan.status = q.field(9).asVariant();
    loan.due = dueDate(loan.lent, loan.status, periods, q.field(10).asDate());
    loan.daysOverdue = loan.open ? daysOverdue(loan.due, today) : 0;
    return loan;
}

// Open before returned; open ones by due date (none last), returned ones latest first.
bool shownBefore(const ReaderLoan &a, const ReaderLoan &b)
{
    if (a.open != b.open)
        return a.open;
    if (a.open) {
        if (a.due != b.due)
            return a.due.isValid() && (!b.due.isValid() || a.due < b.due);
        return a.orderId < b.orderId;
    }
    if (a.returned != b.returned)
        return a.returned > b.returned;
    return a.orderId > b.orderId;
}

} // namespace

QList<ReaderLoan> readerLoans(data::Connection &connection, const QString &name, const LoanPeriods &periods,
                              const QDate &today, bool openOnly)
{
    data::Dataset q(&connection);
    q.setSql(readerLoansSql(loanTermsExist(connection), openOnly));
    q.paramByName(QStringLiteral("name")).value = name;
    q.open();
    QList<ReaderLoan> loans;
    loans.reserve(q.recordCount());
    for (q.first(); !q.eof(); q.next())
        loans.push_back(loanAt(q, periods, today));
    std::stable_sort(loans.begin(), loans.end(), shownBefore);
    return loans;
}

} // namespace store
