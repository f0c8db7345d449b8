// The figures of the loan statistics, each read with one grouping statement over the period.
#include "LoanStatistics.h"

#include "ReaderNames.h"
#include "Readers.h"
#include "data/Connection.h"
#include "data/dataset/Dataset.h"

#include <numeric>

namespace store {

namespace {

// A statement over the period's loans, its days bound as :first and :last.
void openForPeriod(data::Dataset &query, const QString &sql, const LoanStatistics &s)
{
    query.setSql(sql);
    query.paramByName(QStringLiteral("first")).value = s.from;
    query.paramByName(QStringLiteral("last")).value = s.to;
    query.open();
}

QList<MonthLoans> emptyMonths(const QDate &from, const QDate &to)
{
    QList<MonthLoans> months;
    if (!from.isValid() || !to.isValid() || from > to)
        return months;
    for (QDate m(from.year(), from.month(), 1); m <= to; m = m.addMonths(1))
        months.push_back({m.year(), m.month(), {}});
    return months;
}

void readMonths(data::Connection &connection, LoanStatistics &s)
{
    s.months = emptyMonths(s.from, s.to);
    if (s.months.isEmpty())
        return;
    data::Dataset query(&connection);
    openForPeriod(query,
                  loanStatisticsSql()[0],
                  s);
    const int firstMonth = s.from.year() * 12 + s.from.month() - 1;
    for (query.first(); !query.eof(); query.next()) {
        const QString yearMonth = query.field(0).asString();
        const qsizetype index = qsizetype(yearMonth.left(4).toInt()) * 12 + yearMonth.mid(5, 2).toInt() - 1 - firstMonth;
        if (index < 0 || index >= s.months.size())
            continue;
        s.months[index].byKind[std::size_t(loanKindOf(query.field(1).asVariant()))] += query.field(2).asInteger();
    }
}

void readTopLists(data::Connection &connection, LoanStatistics &s)
{
    data::Dataset holdings(&connection);
    openForPeriod(holdings,
                  loanStatisticsSql()[1],
                  s);
    for (holdings.first(); !holdings.eof(); holdings.next())
        s.topHoldings.push_back({holdings.field(0).asString(), holdings.field(1).asString(),
                                 holdings.field(2).asString(), holdings.field(3).asString(),
                                 holdings.field(4).asInteger()});
}

// Loans per name, the names' variants taken as one reader, with her record where she has one;
// then the most active readers and the loans by category.
void readReaders(data::Connection &connection, LoanStatistics &s)
{
    data::Dataset names(&connection);
    openForPeriod(names, loanStatisticsSql()[2], s);
    const bool registerThere = readersExist(connection);
    // Categories are told only once readers are registered; before, every loan would fall in one.
    const QHash<QString, Reader> registered = registerThere ? readersByNameKey(connection) : QHash<QString, Reader>();
    QHash<QString, qsizetype> readerOf;
    for (names.first(); !names.eof(); names.next()) {
        const QString name = names.field(0).asString(), key = readerNameKey(name);
        const auto known = readerOf.constFind(key);
        if (known != readerOf.cend()) {
            s.topReaders[*known].loans += names.field(1).asInteger();
            continue;
        }
        const auto record = registered.constFind(key);
        readerOf.insert(key, s.topReaders.size());
        s.topReaders.push_back({record == registered.cend() ? name : record->name, names.field(1).asInteger()});
    }
    if (!registered.isEmpty()) {
        QHash<QString, qsizetype> categoryOf;
        for (const ActiveReader &r : std::as_const(s.topReaders)) {
            const auto record = registered.constFind(readerNameKey(r.reader));
            const QString category = record == registered.cend() ? QString() : record->category;
            qsizetype &at = categoryOf[category];
            if (at == 0) {
                s.byCategory.push_back({category, 0, 0});
                at = s.byCategory.size();
            }
            ++s.byCategory[at - 1].readers;
            s.byCategory[at - 1].loans += r.loans;
        }
        std::stable_sort(s.byCategory.begin(), s.byCategory.end(),
                         [](const CategoryLoans &a, const CategoryLoans &b) { return a.loans > b.loans; });
    }
    std::stable_sort(s.topReaders.begin(), s.topReaders.end(),
                     [](const ActiveReader &a, const ActiveReader &b) { return a.loans > b.loans; });
    if (s.topReaders.size() > TopListLength)
        s.topReaders.resize(TopListLength);
}

void readNeverLent(data::Connection &connection, LoanStatistics &s)
{
    data::Dataset query(&connection);
    openForPeriod(query,
                  loanStatisticsSql()[3],
                  s);
    s.holdings = query.field(0).asInteger();
    s.lentHoldings = query.field(1).asInteger();
}

} // namespace

QStringList loanStatisticsSql()
{
    const QString top = QString::number(TopListLength);
    return {QStringLiteral("SELECT SUBSTR(date_out, 1, 7), status, COUNT(*) FROM orders WHERE date_out BETWEEN :first"
                           " AND :last GROUP BY SUBSTR(date_out, 1, 7), status"),
            QStringLiteral("SELECT b.inv_num, b.liter, b.author, b.title, c.n FROM (SELECT book_id, COUNT(*) AS n FROM"
                           " orders WHERE date_out BETWEEN :first AND :last GROUP BY book_id) c JOIN books b ON"
                           " b.id = c.book_id ORDER BY c.n DESC, b.id LIMIT ") + top,
            // Every name: variants of one reader's name add up to her count only once merged.
            QStringLiteral("SELECT loaner, COUNT(*) AS n FROM orders WHERE date_out BETWEEN :first AND :last AND loaner"
                           " IS NOT NULL AND loaner <> '' GROUP BY loaner ORDER BY n DESC, loaner"),
            QStringLiteral("SELECT COUNT(*), COUNT(l.book_id) FROM books b LEFT JOIN (SELECT DISTINCT book_id FROM"
                           " orders WHERE date_out BETWEEN :first AND :last) l ON l.book_id = b.id WHERE b.date_reg"
                           " IS NULL OR b.date_reg <= :last")};
}

qint64 MonthLoans::total() const { return std::accumulate(byKind.begin(), byKind.end(), qint64(0)); }

qint64 LoanStatistics::loans() const
{
    qint64 all = 0;
    for (const MonthLoans &m : months)
        all += m.total();
    return all;
}

LoanStatistics readLoanStatistics(data::Connection &connection, const QDate &from, const QDate &to)
{
    LoanStatistics s;
    s.from = from;
    s.to = to;
    readMonths(connection, s);
    readTopLists(connection, s);
    readReaders(connection, s);
    readNeverLent(connection, s);
    return s;
}

} // namespace store
