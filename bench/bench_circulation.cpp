// The overdue list and the loan statistics, each from the menu's choice to the page written,
// against the statements they run alone on the plain SQLite C API; and the grid's overdue marks.
// Usage: bench_circulation [--rounds N] CATALOGUE [HOST:PORT USER PASSWORD]: with a server, the
// same figures (prefixed "server_") on the benchmark database bench_server loaded there.
#include "BenchUtil.h"
#include "CirculationPages.h"
#include "DBModUnit.h"
#include "HtmlText.h"
#include "OverdueLoans.h"
#include "ProcessValues.h"
#include "ProgramFolder.h"
#include "Reference.h"
#include "ServerBench.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>
#include <functional>

namespace {

using bench::Side;

// The demonstration catalogue's loans end on its last day; the figures look at that day and year.
const QDate LastDay{2026, 12, 31};

// Prepares, binds each named value as the store does (dates as yyyy-mm-dd text) and reads every row.
long readBound(sqlite3 *db, const QString &sql, const QList<std::pair<QString, QDate>> &values)
{
    sqlite3_stmt *st = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), -1, &st, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
    for (const auto &[name, day] : values) {
        const int index = sqlite3_bind_parameter_index(st, (u':' + name).toUtf8().constData());
        if (index > 0)
            sqlite3_bind_text(st, index, day.toString(Qt::ISODate).toUtf8().constData(), -1, SQLITE_TRANSIENT);
    }
    long rows = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            bench::keep(sqlite3_column_bytes(st, c));
        ++rows;
    }
    sqlite3_finalize(st);
    return rows;
}

// The statements alone on the engine measured: our reads against the engine's own API.
using StatementReader = std::function<long(const QString &sql, const QList<std::pair<QString, QDate>> &values)>;

// The server's reference: the named values written into the statement as date literals.
StatementReader serverReader(MYSQL *plain)
{
    return [plain](const QString &sql, const QList<std::pair<QString, QDate>> &values) {
        QString text = sql;
        // Longer names first, so that :c1 is not taken for a prefix of another name.
        QList<std::pair<QString, QDate>> sorted = values;
        std::sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
        for (const auto &[name, day] : sorted)
            text.replace(u':' + name, u'\'' + day.toString(Qt::ISODate) + u'\'');
        return long(bench::plainRead(plain, text.toUtf8()));
    };
}

StatementReader sqliteReader(sqlite3 *raw)
{
    return [raw](const QString &sql, const QList<std::pair<QString, QDate>> &values) { return readBound(raw, sql, values); };
}

void figureOverdue(data::Connection &conn, const StatementReader &reference, const QString &prefix, int rounds)
{
    const store::LoanPeriods periods;
    const QString page = store::process().TempDir + QStringLiteral("/overdue.html");
    const Side ours{[] {},
                    [&] {
                        const auto debts = store::readReaderDebts(conn, periods, LastDay);
                        store::writePageFile(page, reports::overdueReportPage(LastDay, debts, true));
                    }};
    const QStringList statements = store::overdueLoansSql(store::loanTermsExist(conn));
    const auto values = store::overdueLoansBindings(periods, LastDay);
    const Side ref{[] {},
                   [&] {
                       for (const QString &sql : statements)
                           bench::keep(reference(sql, values));
                   }};
    bench::printFigure((prefix + QStringLiteral("overdue_report")).toStdString(), bench::interleave(rounds, ours, ref), 1);
}

// overdue_marks: what the grid works out once per reading of the catalogue, against the plain count
// of the open loans it starts from.
void figureOverdueMarks(data::Connection &conn, const StatementReader &reference, const QString &prefix, int rounds)
{
    const Side ours{[] {}, [&] { bench::keep(store::overdueHoldings(conn, {}, LastDay).size()); }};
    const Side ref{[] {},
                   [&] { bench::keep(reference(QStringLiteral("SELECT book_id, date_out, status FROM orders WHERE date_in IS NULL"), {})); }};
    bench::printFigure((prefix + QStringLiteral("overdue_marks")).toStdString(), bench::interleave(rounds, ours, ref), 1);
}

// The statistics of a period, from the menu's choice to the page written.
void figureStatistics(data::Connection &conn, const StatementReader &reference, const QString &name, const QDate &from,
                      int rounds)
{
    const QString page = store::process().TempDir + QStringLiteral("/loanstat.html");
    const Side ours{[] {},
                    [&] { store::writePageFile(page, reports::loanStatisticsPage(store::readLoanStatistics(conn, from, LastDay))); }};
    const QList<std::pair<QString, QDate>> values{{QStringLiteral("first"), from}, {QStringLiteral("last"), LastDay}};
    const Side ref{[] {},
                   [&] {
                       for (const QString &sql : store::loanStatisticsSql())
                           bench::keep(reference(sql, values));
                   }};
    bench::printFigure(name.toStdString(), bench::interleave(rounds, ours, ref), 1);
}

// Every figure on one engine; the server's are prefixed "server_".
void allFigures(data::Connection &conn, const StatementReader &reference, const QString &prefix, int rounds)
{
    figureOverdue(conn, reference, prefix, rounds);
    figureStatistics(conn, reference, prefix + QStringLiteral("loan_statistics"), QDate(LastDay.year(), 1, 1), rounds);
    figureStatistics(conn, reference, prefix + QStringLiteral("loan_statistics_history"), QDate(1900, 1, 1), rounds);
    figureOverdueMarks(conn, reference, prefix, rounds);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const int rounds = bench::takeRounds(args, 5);
    if (args.size() != 1 && args.size() != 4) {
        std::fprintf(stderr, "usage: bench_circulation [--rounds N] CATALOGUE.sdb [HOST:PORT USER PASSWORD]\n");
        return 2;
    }
    const QString catalogue = QFileInfo(args[0]).absoluteFilePath();
    const bench::ProgramFolder folder(catalogue);
    store::TDBMod module(folder.programFile());
    module.DataModuleCreate();
    try {
        if (args.size() == 1) {
            sqlite3 *raw = bench::ref::openDatabase(catalogue.toStdString());
            allFigures(module.MyServer, sqliteReader(raw), QString(), rounds);
            sqlite3_close_v2(raw);
        } else {
            // The catalogue bench_server loaded into the server, and the same figures there.
            const bench::Server server{args[1], args[2], args[3]};
            data::Connection conn;
            bench::openBenchDatabase(conn, server);
            MYSQL *plain = bench::plainConnection(server);
            allFigures(conn, serverReader(plain), QStringLiteral("server_"), rounds);
            mysql_close(plain);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_circulation: %s\n", e.what());
        return 1;
    }
    module.DataModuleDestroy();
    return 0;
}
