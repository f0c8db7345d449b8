// The overdue list and the loan statistics, each from the menu's choice to the page written,
// against the statements they run alone on the plain SQLite C API; and the grid's overdue marks.
// Usage: bench_circulation [--rounds N] CATALOGUE
#include "BenchUtil.h"
#include "CirculationPages.h"
#include "DBModUnit.h"
#include "HtmlText.h"
#include "OverdueLoans.h"
#include "ProcessValues.h"
#include "ProgramFolder.h"
#include "Reference.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

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

void figureOverdue(store::TDBMod &module, sqlite3 *raw, int rounds)
{
    const store::LoanPeriods periods;
    const QString page = store::process().TempDir + QStringLiteral("/overdue.html");
    const Side ours{[] {},
                    [&] {
                        const auto debts = store::readReaderDebts(module.MyServer, periods, LastDay);
                        store::writePageFile(page, reports::overdueReportPage(LastDay, debts, true));
                    }};
    const QString sql = store::overdueLoansSql(store::loanTermsExist(module.MyServer));
    const auto values = store::overdueLoansBindings(periods, LastDay);
    const Side ref{[] {}, [&] { bench::keep(readBound(raw, sql, values)); }};
    bench::printFigure("overdue_report", bench::interleave(rounds, ours, ref), 1);
}

// overdue_marks: what the grid works out once per reading of the catalogue, against the plain count
// of the open loans it starts from.
void figureOverdueMarks(store::TDBMod &module, sqlite3 *raw, int rounds)
{
    const Side ours{[] {},
                    [&] { bench::keep(store::overdueHoldings(module.MyServer, {}, LastDay).size()); }};
    const Side ref{[] {},
                   [&] {
                       bench::keep(long(bench::ref::readRows(raw, "SELECT book_id, date_out, status FROM orders WHERE "
                                                                  "date_in IS NULL").size()));
                   }};
    bench::printFigure("overdue_marks", bench::interleave(rounds, ours, ref), 1);
}

void figureStatistics(store::TDBMod &module, sqlite3 *raw, int rounds)
{
    const QDate from(LastDay.year(), 1, 1);
    const QString page = store::process().TempDir + QStringLiteral("/loanstat.html");
    const Side ours{[] {},
                    [&] {
                        store::writePageFile(page, reports::loanStatisticsPage(
                                                       store::readLoanStatistics(module.MyServer, from, LastDay)));
                    }};
    const QList<std::pair<QString, QDate>> values{{QStringLiteral("first"), from}, {QStringLiteral("last"), LastDay}};
    const Side ref{[] {},
                   [&] {
                       for (const QString &sql : store::loanStatisticsSql())
                           bench::keep(readBound(raw, sql, values));
                   }};
    bench::printFigure("loan_statistics", bench::interleave(rounds, ours, ref), 1);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const int rounds = bench::takeRounds(args, 5);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_circulation [--rounds N] CATALOGUE.sdb\n");
        return 2;
    }
    const QString catalogue = QFileInfo(args.last()).absoluteFilePath();
    const bench::ProgramFolder folder(catalogue);
    store::TDBMod module(folder.programFile());
    module.DataModuleCreate();
    sqlite3 *raw = bench::ref::openDatabase(catalogue.toStdString());
    figureOverdue(module, raw, rounds);
    figureStatistics(module, raw, rounds);
    figureOverdueMarks(module, raw, rounds);
    sqlite3_close_v2(raw);
    module.DataModuleDestroy();
    return 0;
}
