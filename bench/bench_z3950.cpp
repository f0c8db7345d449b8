// The catalogue's own Z39.50 target (library-z3950) searched by ISBN, each search a connection,
// the query and the first record as a client makes them, against Zebra holding the same records.
// Usage: bench_z3950 --export CATALOGUE FILE    writes every holding as MARC21 records for Zebra
//        bench_z3950 [--rounds N] CATALOGUE ZEBRA_PORT
#include "BenchUtil.h"
#include "CatalogueExchange.h"
#include "DBModUnit.h"
#include "ProgramFolder.h"
#include "SchemaCreation.h"
#include "ZoomQuery.h"
#include "data/Connection.h"
#include "data/dataset/Row.h"
#include "data/engines/Engine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <cstdio>

namespace {

constexpr int Searches = 50;

// ISBNs spread over the catalogue, in digits: both servers find a holding by them so.
QList<QByteArray> isbnQueries(const QString &catalogue)
{
    data::Connection c;
    c.setDatabase(catalogue);
    c.open();
    // The desktop program gives an older catalogue the index when it opens it in edit mode.
    store::ensureIsbnIndex(c);
    auto st = c.prepare(QStringLiteral("SELECT isbn FROM books WHERE isbn <> '' ORDER BY id"));
    st->execute();
    QList<QByteArray> all;
    std::vector<data::CellView> cell(1);
    while (st->next()) {
        st->readRow(cell.data());
        all << QByteArray(cell[0].bytes.data(), qsizetype(cell[0].bytes.size())).replace("-", "");
    }
    QList<QByteArray> out;
    for (qsizetype i = 0; i < Searches && !all.isEmpty(); ++i)
        out << "@attr 1=7 " + all[i * (all.size() / Searches)];
    return out;
}

int freePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}

bool listening(int port)
{
    for (int i = 0; i < 200; ++i) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, quint16(port));
        if (probe.waitForConnected(100))
            return true;
        QThread::msleep(50);
    }
    return false;
}

int exportFor(const QString &catalogue, const QString &file)
{
    const bench::ProgramFolder folder(catalogue);
    store::TDBMod module(folder.programFile());
    module.DataModuleCreate();
    module.MyBooks.open();
    marc::exportRecords(module, file, marc::ExportForm::Marc21Iso);
    module.DataModuleDestroy();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 3 && args[0] == u"--export")
        return exportFor(QFileInfo(args[1]).absoluteFilePath(), args[2]);
    const int rounds = bench::takeRounds(args, 5);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_z3950 [--rounds N] CATALOGUE.sdb ZEBRA_PORT\n");
        return 2;
    }
    const QString catalogue = QFileInfo(args[0]).absoluteFilePath();
    const int zebra = args[1].toInt();
    const QList<QByteArray> queries = isbnQueries(catalogue);

    const bench::ProgramFolder folder(catalogue);
    const int port = freePort();
    QProcess target;
    target.setStandardOutputFile(QProcess::nullDevice());
    target.setStandardErrorFile(QProcess::nullDevice()); // the server's log of each session
    target.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../library-z3950"),
                 {folder.dir.filePath(QStringLiteral("library.ini")), QStringLiteral("tcp:127.0.0.1:%1").arg(port)});
    if (!target.waitForStarted() || !listening(port)) {
        std::fprintf(stderr, "bench_z3950: library-z3950 did not start\n");
        return 1;
    }
    const auto searchAll = [&](int at) {
        long long bytes = 0;
        for (const QByteArray &q : queries)
            bytes += zoomFirstRecord(at, "marc21", q.constData());
        bench::keep(bytes);
    };
    if (queries.isEmpty() || zoomFirstRecord(port, "marc21", queries[0].constData()) < 0 ||
        zoomFirstRecord(zebra, "marc21", queries[0].constData()) < 0)
        std::fprintf(stderr, "z3950_target_isbn: a holding was not found on both servers\n");
    const bench::Side ours{[] {}, [&] { searchAll(port); }};
    const bench::Side ref{[] {}, [&] { searchAll(zebra); }};
    bench::printFigure("z3950_target_isbn", bench::interleave(rounds, ours, ref), 1);
    target.terminate();
    target.waitForFinished(5000);
    return 0;
}
