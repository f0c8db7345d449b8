// The readers window and the lending desk, each from the store's call to the rows in the window's
// model, against the statements they run alone through the engine's own client library: on the
// catalogue file and, given a server, on the loopback MariaDB server ("server_" figures).
// Usage: bench_desk [--rounds N] [--server-only] CATALOGUE.sdb [HOST:PORT USER PASSWORD]
// The server's database "library_bench" is the one bench_server loads; the register is copied
// there from the file when it lacks it. Every loan a figure makes is taken away again.
#include "BenchUtil.h"
#include "DeskReference.h"
#include "ProgramFolder.h" // takeRounds

#include "LendingDesk.h"
#include "ReaderListModel.h"
#include "ReaderLoans.h"
#include "ReaderLoansModel.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cstdio>

namespace {

using bench::Side;

const QString ServerDatabase = QStringLiteral("library_bench");

qint64 number(data::Connection &c, const QString &sql)
{
    data::Dataset q(&c);
    q.setSql(sql);
    q.open();
    return q.isEmpty() ? 0 : q.field(0).asInteger();
}

// One engine's side of the figures: our connection and the yardstick beside it.
struct Engine {
    data::Connection &conn;
    bench::desk::RawEngine &raw;
    std::string prefix;
    int rounds;
    bench::desk::DeskStatements statements() const { return {raw}; }
    void print(const char *name, const bench::Samples &s) const { bench::printFigure(prefix + name, s, 1); }
};

void figureReaders(const Engine &e)
{
    ReaderListModel model(true);
    e.print("readers_open", bench::interleave(e.rounds, {[] {}, [&] {
                                                             model.setReaders(store::findReaders(e.conn, QString()));
                                                             bench::keep(model.rowCount());
                                                         }},
                                              {[] {}, [&] { bench::keep(e.raw.runAll(e.statements().readersOpen())); }}));
    const QString typed = QStringLiteral("иванов");
    e.print("readers_search", bench::interleave(e.rounds, {[] {}, [&] {
                                                               model.setReaders(store::findReaders(e.conn, typed));
                                                               bench::keep(model.rowCount());
                                                           }},
                                                {[] {}, [&] { bench::keep(e.raw.runAll(e.statements().readersSearch(typed))); }}));
}

// A card scanned: her record, her open loans with due dates in the desk's model, her warnings.
void figureScanReader(const Engine &e, const store::Reader &reader, const store::DeskRules &rules)
{
    ReaderLoansModel loans;
    const Side ours{[] {}, [&] {
                        const store::ScanMatch match = store::identifyScan(e.conn, reader.card);
                        const auto open = store::readerLoans(e.conn, match.reader->name, rules.periods, rules.today, true);
                        loans.setLoans(open);
                        bench::keep(store::readerWarnings(*match.reader, int(open.size()), 0, rules).size());
                    }};
    const Side ref{[] {}, [&] { bench::keep(e.raw.runAll(e.statements().scanReader(reader.card, reader.name))); }};
    e.print("desk_scan_reader", bench::interleave(e.rounds, ours, ref));
}

void figureLendAndReturn(const Engine &e, const store::Reader &reader, const store::DeskRules &rules)
{
    const qint64 bookId = number(e.conn, QStringLiteral("SELECT id FROM books b WHERE onloan = 0 AND NOT EXISTS (SELECT 1"
                                                        " FROM orders o WHERE o.book_id = b.id AND o.date_in IS NULL)"
                                                        " ORDER BY id LIMIT 1"));
    const qint64 lastOrder = number(e.conn, QStringLiteral("SELECT MAX(id) FROM orders"));
    const QString today = rules.today.toString(Qt::ISODate);
    const QString due = store::dueDate(rules.today, rules.requestKind, rules.periods).toString(Qt::ISODate);
    const auto takeAway = [&] {
        e.conn.runStatement(QStringLiteral("DELETE FROM loan_terms WHERE order_id > ?"), {lastOrder});
        e.conn.runStatement(QStringLiteral("DELETE FROM orders WHERE id > ?"), {lastOrder});
        store::mirrorOpenLoan(e.conn, bookId);
    };
    e.print("desk_lend",
            bench::interleave(e.rounds, {takeAway, [&] { store::scanHolding(e.conn, reader, bookId, false, rules); }},
                              {takeAway, [&] {
                                   e.raw.runAll(e.statements().lend(bookId, reader.id, reader.name, today, due));
                               }}));
    qint64 lent = 0;
    const auto lendAgain = [&] {
        takeAway();
        lent = store::scanHolding(e.conn, reader, bookId, false, rules).orderId;
    };
    e.print("desk_return",
            bench::interleave(e.rounds, {lendAgain, [&] { store::scanHolding(e.conn, reader, bookId, false, rules); }},
                              {lendAgain, [&] { e.raw.runAll(e.statements().giveBack(bookId, lent, today)); }}));
    takeAway();
}

void runFigures(const Engine &e)
{
    store::ensureHoldingNumberIndex(e.conn);
    const auto reader = store::readerById(e.conn, number(e.conn, QStringLiteral("SELECT MIN(id) FROM readers WHERE blocked = 0")));
    if (!reader)
        throw std::runtime_error("the catalogue has no readers: make it with --readers 20000 --register-readers");
    store::DeskRules rules;
    rules.today = QDate::currentDate();
    figureReaders(e);
    figureScanReader(e, *reader, rules);
    figureLendAndReturn(e, *reader, rules);
}

// The register of the file, when the server's catalogue was loaded before it had one.
void copyRegister(data::Connection &file, data::Connection &server)
{
    store::ensureReaders(server);
    const qint64 wanted = number(file, QStringLiteral("SELECT COUNT(*) FROM readers"));
    if (number(server, QStringLiteral("SELECT COUNT(*) FROM readers")) == wanted)
        return;
    std::fprintf(stderr, "copying the readers register into the server database (once)\n");
    server.runStatement(QStringLiteral("DELETE FROM readers"));
    data::Dataset rows(&file);
    rows.setSql(QStringLiteral("SELECT * FROM readers"));
    rows.open();
    const QString marks = u'(' + QStringList(rows.fieldCount(), QStringLiteral("?")).join(u',') + u')';
    QVariantList values;
    int batched = 0;
    for (int r = 0; r < rows.recordCount(); ++r) {
        for (int c = 0; c < rows.fieldCount(); ++c)
            values << rows.valueAt(r, c);
        if (++batched == 500 || r + 1 == rows.recordCount()) {
            server.runStatement(QStringLiteral("INSERT INTO readers VALUES ") + QStringList(batched, marks).join(u','), values);
            values.clear();
            batched = 0;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const int rounds = bench::takeRounds(args, 9);
    const bool serverOnly = !args.isEmpty() && args[0] == u"--server-only";
    if (serverOnly)
        args.removeFirst();
    if (args.size() != 1 && args.size() != 4) {
        std::fprintf(stderr, "usage: bench_desk [--rounds N] [--server-only] CATALOGUE.sdb [HOST:PORT USER PASSWORD]\n");
        return 2;
    }
    try {
        const QString catalogue = QFileInfo(args[0]).absoluteFilePath();
        data::Connection file;
        file.setDatabase(catalogue);
        file.options() = {QStringLiteral("SQLite.BusyTimeout=1500")};
        file.open();
        auto rawFile = bench::desk::rawSqlite(catalogue);
        if (!serverOnly)
            runFigures({file, *rawFile, "", rounds});
        if (args.size() == 4) {
            data::Connection server;
            server.setProviderName(QStringLiteral("MySQL"));
            server.setServerName(args[1]);
            server.setUserName(args[2]);
            server.setPassword(args[3]);
            server.setDatabase(ServerDatabase);
            server.open();
            copyRegister(file, server);
            auto rawServer = bench::desk::rawMaria(args[1], args[2], args[3], ServerDatabase);
            runFigures({server, *rawServer, "server_", rounds});
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_desk: %s\n", e.what());
        return 1;
    }
    return 0;
}
