// Due dates: the periods of the request kinds, extensions kept beside the loans, and the rules
// that make a due date of them.
#include "LoanTerms.h"

#include "IniFile.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/Transaction.h"
#include "data/dataset/Dataset.h"

namespace store {

namespace {

const QString LoansSection = QStringLiteral("Loans");
const QString LibrarySection = QStringLiteral("Library");
const char *const PeriodKeys[LoanKindCount] = {"Staff", "Sources", "Paid", "ReadingRoom"};

// The same words make the table in a new catalogue (schema.sql), on a server (install_db.sql)
// and in an older catalogue opened in edit mode; both engines take them as they stand.
const QString LoanTermsColumns = QStringLiteral(
    " (order_id BIGINT NOT NULL, seq INT NOT NULL, book_id BIGINT, date_out DATE, due_date DATE NOT NULL,"
    " extended_on DATE NOT NULL, PRIMARY KEY (order_id, seq))");

// A stored due date of a loan: its number (0 when the loan was made), the date, the day given.
struct StoredTerm {
    qint64 seq;
    QDate due;
    QDate on;
};

// The due dates stored for this very lending, oldest first: rows of a loan row whose holding or
// lending date changed since, or whose number was reused, do not count.
QList<StoredTerm> storedTerms(data::Connection &connection, qint64 orderId)
{
    data::Dataset query(&connection);
    query.setSql(QStringLiteral("SELECT x.seq, x.due_date, x.extended_on FROM loan_terms x JOIN orders o ON o.id = x.order_id"
                                " AND x.book_id = o.book_id AND x.date_out = o.date_out WHERE x.order_id = :id"
                                " ORDER BY x.seq"));
    query.paramByName(QStringLiteral("id")).value = orderId;
    query.open();
    QList<StoredTerm> terms;
    for (query.first(); !query.eof(); query.next())
        terms.push_back({query.field(0).asInteger(), query.field(1).asDate(), query.field(2).asDate()});
    return terms;
}

} // namespace

QStringList loanKindNames()
{
    return {QStringLiteral("Сотрудники"), QStringLiteral("Источники комплектования"), QStringLiteral("Платная заявка"),
            QStringLiteral("Читальный зал")};
}

int loanKindOf(const QVariant &status)
{
    bool ok = false;
    const qlonglong kind = status.isValid() && !status.isNull() ? status.toLongLong(&ok) : 0;
    return ok && kind >= 0 && kind < LoanKindCount ? int(kind) : 0;
}

int LoanPeriods::forStatus(const QVariant &status) const { return days[std::size_t(loanKindOf(status))]; }

LoanPeriods readLoanPeriods(const IniFile *settings, QStringList *refused)
{
    LoanPeriods periods;
    if (!settings)
        return periods;
    const QStringList names = loanKindNames();
    for (int k = 0; k < LoanKindCount; ++k) {
        const QString text = settings->readString(LoansSection, QLatin1String(PeriodKeys[k]), QString()).trimmed();
        if (text.isEmpty())
            continue;
        bool ok = false;
        const int days = text.toInt(&ok);
        if (ok && days >= 0 && days <= LongestLoanPeriod)
            periods.days[std::size_t(k)] = days;
        else if (refused)
            *refused << names[k];
    }
    return periods;
}

bool writeLoanPeriods(IniFile &settings, const LoanPeriods &periods)
{
    bool written = true;
    for (int k = 0; k < LoanKindCount; ++k)
        written = settings.writeInteger(LoansSection, QLatin1String(PeriodKeys[k]), periods.days[std::size_t(k)]) &&
                  written;
    return written;
}

LibraryLetterhead readLetterhead(const IniFile *settings)
{
    if (!settings)
        return {};
    return {settings->readString(LibrarySection, QStringLiteral("Name"), QString()).trimmed(),
            settings->readString(LibrarySection, QStringLiteral("Signature"), QString()).trimmed()};
}

QDate dueDate(const QDate &lent, const QVariant &status, const LoanPeriods &periods, const QDate &extendedTo)
{
    if (!lent.isValid())
        return {};
    return extendedTo.isValid() ? extendedTo : lent.addDays(periods.forStatus(status));
}

int daysOverdue(const QDate &due, const QDate &day)
{
    return due.isValid() && due < day ? int(due.daysTo(day)) : 0;
}

bool loanTermsExist(data::Connection &connection)
{
    return connection.tableNames().contains(LoanTermsTable, Qt::CaseInsensitive);
}

void ensureLoanTerms(data::Connection &connection)
{
    if (!loanTermsExist(connection))
        connection.runStatement(QStringLiteral("CREATE TABLE IF NOT EXISTS ") + LoanTermsTable + LoanTermsColumns);
}

QList<LoanExtension> loanExtensions(data::Connection &connection, qint64 orderId)
{
    QList<LoanExtension> extensions;
    if (orderId <= 0 || !loanTermsExist(connection))
        return extensions;
    for (const auto &[seq, due, on] : storedTerms(connection, orderId))
        if (seq > 0)
            extensions.push_back({due, on});
    return extensions;
}

QDate currentDueDate(data::Connection &connection, qint64 orderId, const QDate &lent, const QVariant &status,
                     const LoanPeriods &periods)
{
    const QList<StoredTerm> terms = orderId > 0 && loanTermsExist(connection) ? storedTerms(connection, orderId)
                                                                              : QList<StoredTerm>();
    return dueDate(lent, status, periods, terms.isEmpty() ? QDate() : terms.last().due);
}

void recordDueDate(data::Connection &connection, qint64 orderId, const LoanPeriods &periods)
{
    data::Dataset loan(&connection);
    loan.setSql(QStringLiteral("SELECT date_out, status FROM orders WHERE id = :id"));
    loan.paramByName(QStringLiteral("id")).value = orderId;
    loan.open();
    const QDate lent = loan.isEmpty() ? QDate() : loan.field(0).asDate();
    if (!lent.isValid())
        return;
    ensureLoanTerms(connection);
    // Rows left by an earlier loan of the same number (deleted since) are no terms of this one.
    connection.runStatement(QStringLiteral("DELETE FROM loan_terms WHERE order_id = ? AND NOT EXISTS (SELECT 1 FROM orders o"
                                           " WHERE o.id = loan_terms.order_id AND o.book_id = loan_terms.book_id"
                                           " AND o.date_out = loan_terms.date_out)"),
                            {orderId});
    connection.runStatement(
        QStringLiteral("INSERT INTO loan_terms (order_id, seq, book_id, date_out, due_date, extended_on)"
                       " SELECT o.id, 0, o.book_id, o.date_out, ?, o.date_out FROM orders o WHERE o.id = ?"
                       " AND NOT EXISTS (SELECT 1 FROM loan_terms x WHERE x.order_id = o.id)"),
        {dueDate(lent, loan.field(1).asVariant(), periods), orderId});
}

void extendLoan(data::Connection &connection, qint64 orderId, const QDate &due, const QDate &today,
                const LoanPeriods &periods)
{
    ensureLoanTerms(connection);
    // Read and written under one lock: another desk cannot return the loan in between.
    data::Transaction transaction(connection);
    data::Dataset loan(&connection);
    loan.setSql(QStringLiteral("SELECT date_out, date_in, status FROM orders WHERE id = :id") +
                (connection.isServer() ? QStringLiteral(" FOR UPDATE") : QString()));
    loan.paramByName(QStringLiteral("id")).value = orderId;
    loan.open();
    if (loan.isEmpty())
        throw data::DataError(QStringLiteral("Выдача не найдена: возможно, её удалили на другом компьютере."));
    if (!loan.field(1).isNull())
        throw data::DataError(QStringLiteral("Издание уже возвращено: продлевать нечего."));
    const QDate lent = loan.field(0).asDate();
    if (!lent.isValid())
        throw data::DataError(QStringLiteral("У выдачи не указана дата выдачи: срок возврата не из чего считать."));
    const QDate current = currentDueDate(connection, orderId, lent, loan.field(2).asVariant(), periods);
    if (!due.isValid() || due < current)
        throw data::DataError(QStringLiteral("Новый срок возврата не может быть раньше нынешнего (%1): продление не "
                                             "сокращает срок.").arg(shownDate(current)));
    connection.runStatement(
        QStringLiteral("INSERT INTO loan_terms (order_id, seq, book_id, date_out, due_date, extended_on)"
                       " SELECT o.id, (SELECT COALESCE(MAX(x.seq), 0) + 1 FROM loan_terms x WHERE x.order_id = o.id),"
                       " o.book_id, o.date_out, ?, ? FROM orders o WHERE o.id = ?"),
        {due, today, orderId});
    transaction.commit();
}

OpenLoan firstOpenLoan(data::Connection &connection, const LoanPeriods &periods, qint64 bookId)
{
    data::Dataset query(&connection);
    query.setSql(QStringLiteral("SELECT id, loaner, date_out, status FROM orders WHERE book_id = :book"
                                " AND date_in IS NULL ORDER BY id"));
    query.paramByName(QStringLiteral("book")).value = bookId;
    query.open();
    OpenLoan loan;
    if (query.isEmpty())
        return loan;
    loan.orderId = query.field(0).asInteger();
    loan.reader = query.field(1).asString();
    loan.lent = query.field(2).asDate();
    loan.status = query.field(3).asVariant();
    loan.extensions = loanExtensions(connection, loan.orderId);
    loan.due = currentDueDate(connection, loan.orderId, loan.lent, loan.status, periods);
    return loan;
}

QString shownDate(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

} // namespace store
