// The figures of the loan statistics: the period's loans read once and counted here. Four
// grouping statements each read every loan of a long period again, on a server most of all.
#include "LoanStatistics.h"

#include "ReaderNames.h"
#include "Readers.h"
#include "data/Connection.h"
#include "data/dataset/Dataset.h"

#include <algorithm>
#include <cstdlib>
#include <numeric>

namespace store {

namespace {

// A statement over the period's loans, its days bound as :first and :last.
void openForPeriod(data::Dataset &query, const QString &sql, const LoanStatistics &s)
{
    query.setSql(sql);
    if (sql.contains(QLatin1String(":first")))
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

// What one pass over the period's loans gathers besides the months: by holding, by name.
struct PeriodLoans {
    QHash<qint64, qint64> perHolding;
    QList<std::pair<QString, qint64>> perName; // in the order names first come
};

void countMonth(LoanStatistics &s, int firstMonth, const data::CellView &date, const data::CellView &status)
{
    if (date.type != data::CellType::Text || date.bytes.size() < 7)
        return;
    const std::string text(date.bytes.substr(0, 7)); // "yyyy-mm"
    const qsizetype index = qsizetype(std::atoi(text.c_str())) * 12 + std::atoi(text.c_str() + 5) - 1 - firstMonth;
    if (index < 0 || index >= s.months.size())
        return;
    const QVariant kind = status.type == data::CellType::Integer ? QVariant(qlonglong(status.integer)) : QVariant();
    ++s.months[index].byKind[std::size_t(loanKindOf(kind))];
}

PeriodLoans readPeriodLoans(data::Connection &connection, LoanStatistics &s)
{
    s.months = emptyMonths(s.from, s.to);
    PeriodLoans p;
    data::Dataset query(&connection);
    openForPeriod(query, loanStatisticsSql()[0], s);
    const int firstMonth = s.from.year() * 12 + s.from.month() - 1;
    QHash<QByteArray, qsizetype> nameAt;
    for (int r = 0; r < query.recordCount(); ++r) {
        countMonth(s, firstMonth, query.cellAt(r, 0), query.cellAt(r, 1));
        if (const data::CellView book = query.cellAt(r, 2); book.type == data::CellType::Integer)
            ++p.perHolding[book.integer];
        const data::CellView name = query.cellAt(r, 3);
        if (name.type != data::CellType::Text || name.bytes.empty())
            continue;
        const QByteArray bytes(name.bytes.data(), qsizetype(name.bytes.size()));
        const auto at = nameAt.constFind(bytes);
        if (at != nameAt.cend()) {
            ++p.perName[*at].second;
            continue;
        }
        nameAt.insert(bytes, p.perName.size());
        p.perName.push_back({QString::fromUtf8(bytes), 1});
    }
    return p;
}

// The most lent holdings: most loans first, of equals the earlier holding.
void readTopHoldings(data::Connection &connection, const PeriodLoans &p, LoanStatistics &s)
{
    QList<std::pair<qint64, qint64>> counts; // loans, holding
    counts.reserve(p.perHolding.size());
    for (auto it = p.perHolding.cbegin(); it != p.perHolding.cend(); ++it)
        counts.push_back({it.value(), it.key()});
    const auto more = [](const auto &a, const auto &b) { return a.first != b.first ? a.first > b.first : a.second < b.second; };
    // Holdings deleted since keep their loans: a few more than the list are looked up for them.
    const qsizetype wanted = std::min<qsizetype>(counts.size(), TopListLength * 3);
    if (wanted == 0)
        return;
    std::partial_sort(counts.begin(), counts.begin() + wanted, counts.end(), more);
    QStringList ids;
    for (qsizetype i = 0; i < wanted; ++i)
        ids << QString::number(counts[i].second);
    data::Dataset books(&connection);
    books.setSql(QStringLiteral("SELECT id, inv_num, liter, author, title FROM books WHERE id IN (") + ids.join(u',') + u')');
    books.open();
    QHash<qint64, LentHolding> found;
    for (books.first(); !books.eof(); books.next())
        found.insert(books.field(0).asInteger(), {books.field(1).asString(), books.field(2).asString(),
                                                  books.field(3).asString(), books.field(4).asString(), 0});
    for (qsizetype i = 0; i < wanted && s.topHoldings.size() < TopListLength; ++i)
        if (const auto h = found.constFind(counts[i].second); h != found.cend()) {
            s.topHoldings.push_back(*h);
            s.topHoldings.last().loans = counts[i].first;
        }
}

void countCategories(const QHash<QString, Reader> &registered, LoanStatistics &s)
{
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
    // Most loans first; of equals, by name, the loans of no category last.
    std::sort(s.byCategory.begin(), s.byCategory.end(), [](const CategoryLoans &a, const CategoryLoans &b) {
        if (a.loans != b.loans)
            return a.loans > b.loans;
        if (a.category.isEmpty() != b.category.isEmpty())
            return b.category.isEmpty();
        return a.category < b.category;
    });
}

// The names' variants taken as one reader, under her registered name where she has one; then
// the most active readers and the loans by category.
void readReaders(data::Connection &connection, const PeriodLoans &p, LoanStatistics &s)
{
    const QHash<QString, Reader> registered =
        readersExist(connection) ? readersByNameKey(connection) : QHash<QString, Reader>();
    QHash<QString, qsizetype> readerOf;
    for (const auto &[name, loans] : p.perName) {
        const QString key = readerNameKey(name);
        if (key.isEmpty())
            continue;
        const auto known = readerOf.constFind(key);
        if (known != readerOf.cend()) {
            s.topReaders[*known].loans += loans;
            continue;
        }
        const auto record = registered.constFind(key);
        readerOf.insert(key, s.topReaders.size());
        s.topReaders.push_back({record == registered.cend() ? name : record->name, loans});
    }
    // Categories are told only once readers are registered; before, every loan would fall in one.
    if (!registered.isEmpty())
        countCategories(registered, s);
    // Most loans first, of equals by name as the engines order text.
    std::stable_sort(s.topReaders.begin(), s.topReaders.end(), [](const ActiveReader &a, const ActiveReader &b) {
        return a.loans != b.loans ? a.loans > b.loans : a.reader.toUtf8() < b.reader.toUtf8();
    });
    if (s.topReaders.size() > TopListLength)
        s.topReaders.resize(TopListLength);
}

// Holdings received by the period's end (or with no date), and how many of them were lent in it.
void readNeverLent(data::Connection &connection, const PeriodLoans &p, LoanStatistics &s)
{
    data::Dataset query(&connection);
    openForPeriod(query, loanStatisticsSql()[1], s);
    s.holdings = query.recordCount();
    s.lentHoldings = 0;
    for (int r = 0; r < query.recordCount(); ++r)
        s.lentHoldings += p.perHolding.contains(query.cellAt(r, 0).integer) ? 1 : 0;
}

} // namespace

QStringList loanStatisticsSql()
{
    return {QStringLiteral("SELECT date_out, status, book_id, loaner FROM orders WHERE date_out BETWEEN :first AND :last"),
            QStringLiteral("SELECT id FROM books WHERE date_reg IS NULL OR date_reg <= :last")};
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
    const PeriodLoans loans = readPeriodLoans(connection, s);
    readTopHoldings(connection, loans, s);
    readReaders(connection, loans, s);
    readNeverLent(connection, loans, s);
    return s;
}

} // namespace store
