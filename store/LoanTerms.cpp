// Due dates: the periods of the request kinds, extensions kept beside the loans, and the rules
// that make a due date of them.
#include "LoanTerms.h"

#include "IniFile.h"
#include "data/Connection.h"
#include "data/DataError.h"
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
    data::Dataset query(&connection);
    query.setSql(QStringLiteral("SELECT x.due_date, x.extended_on FROM loan_terms x JOIN orders o ON o.id = x.order_id"
                                " AND x.book_id = o.book_id AND x.date_out = o.date_out WHERE x.order_id = :id"
                                " ORDER BY x.seq"));
    query.paramByName(QStringLiteral("id")).value = orderId;
    query.open();
    for (query.first(); !query.eof(); query.next())
        extensions.push_back({query.field(0).asDate(), query.field(1).asDate()});
    return extensions;
}

void extendLoan(data::Connection &connection, qint64 orderId, const QDate &due, const QDate &today)
{
    data::Dataset loan(&connection);
    loan.setSql(QStringLiteral("SELECT date_out, date_in FROM orders WHERE id = :id"));
    loan.paramByName(QStringLiteral("id")).value = orderId;
    loan.open();
    if (loan.isEmpty())
        throw data::DataError(QStringLiteral("Выдача не найдена: возможно, её удалили на другом компьютере."));
    if (!loan.field(1).isNull())
        throw data::DataError(QStringLiteral("Издание уже возвращено: продлевать нечего."));
    const QDate lent = loan.field(0).asDate();
    if (!lent.isValid())
        throw data::DataError(QStringLiteral("У выдачи не указана дата выдачи: срок возврата не из чего считать."));
    if (!due.isValid() || due < lent)
        throw data::DataError(QStringLiteral("Срок возврата не может быть раньше даты выдачи (%1).").arg(shownDate(lent)));
    ensureLoanTerms(connection);
    connection.runStatement(
        QStringLiteral("INSERT INTO loan_terms (order_id, seq, book_id, date_out, due_date, extended_on)"
                       " SELECT o.id, (SELECT COALESCE(MAX(x.seq), 0) + 1 FROM loan_terms x WHERE x.order_id = o.id),"
                       " o.book_id, o.date_out, ?, ? FROM orders o WHERE o.id = ?"),
        {due, today, orderId});
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
    loan.due = dueDate(loan.lent, loan.status, periods,
                       loan.extensions.isEmpty() ? QDate() : loan.extensions.last().due);
    return loan;
}

QString shownDate(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

} // namespace store
