// The catalogue on a MariaDB server against the server's own client library doing the same reads.
//   bench_server [--rounds N] CATALOGUE.sdb HOST:PORT USER PASSWORD
// Loads the catalogue file into the database "library_bench" on the server once (kept there for
// later runs), then measures opening MyBooks, the title search, and a restore of the whole
// catalogue from its backup.
#include "BenchUtil.h"
#include "ServerBench.h"

#include "CatalogueTables.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"
#include "data/engines/ServerSql.h"
#include "data/script/ScriptDump.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QString>
#include <cstdio>
#include <mysql.h>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

const char *const kDatabase = bench::ServerDatabase;
const char *const kSelectAll = "SELECT * FROM books";
const char *const kSearch = "SELECT * FROM books WHERE %1(title) LIKE '%войн%'";

using bench::configure;
using bench::plainConnection;
using bench::plainRead;
using bench::Server;

qint64 count(data::Connection &c, const QString &sql)
{
    data::Dataset ds(&c);
    ds.setSql(sql);
    ds.open();
    return ds.field(0).asInteger();
}

// Every row of `table` as multi-row INSERT statements of about `batchBytes` each, as the
// mariadb client would read them.
void forEachInsert(data::Connection &from, const QString &table, qsizetype batchBytes,
                   const std::function<void(const QByteArray &)> &statement)
{
    data::Dataset rows(&from);
    rows.setSql(QStringLiteral("SELECT * FROM ") + table);
    rows.open();
    QByteArray batch;
    for (rows.first(); !rows.eof(); rows.next()) {
        batch += batch.isEmpty() ? ("INSERT INTO " + table.toUtf8() + " VALUES (") : QByteArray(",(");
        for (int c = 0; c < rows.fieldCount(); ++c) {
            if (c)
                batch += ',';
            batch += data::serverLiteral(rows.valueAt(rows.recNo(), c));
        }
        batch += ')';
        if (batch.size() >= batchBytes) {
            statement(batch);
            batch.clear();
        }
    }
    if (!batch.isEmpty())
        statement(batch);
}

// Copies every table of the file into the server database.
void load(const QString &file, const Server &s, const QString &installScript)
{
    data::Connection server;
    configure(server, s, {});
    server.open();
    server.runStatement(QStringLiteral("CREATE DATABASE IF NOT EXISTS %1 CHARACTER SET utf8mb4").arg(kDatabase));
    server.close();
    server.setDatabase(QString::fromLatin1(kDatabase));
    server.open();
    try {
        if (count(server, QStringLiteral("SELECT COUNT(*) FROM books")) >= 100000)
            return;
    } catch (const data::DataError &) {
    }
    std::fprintf(stderr, "loading the catalogue into the server database %s (once)\n", kDatabase);
    data::ScriptDump(&server).RunScriptFile(installScript);
    data::Connection sqlite;
    sqlite.setDatabase(file);
    sqlite.open();
    for (const QString &table : sqlite.tableNames()) {
        server.runStatement(QStringLiteral("DELETE FROM ") + table);
        forEachInsert(sqlite, table, 256 * 1024, [&](const QByteArray &sql) { server.runStatement(QString::fromUtf8(sql)); });
    }
}

// The reference of a restore: the server catalogue's rows as one transaction of multi-row INSERTs
// (1 MB each, as our restore sends them) in a file for the mariadb client.
void writeClientScript(data::Connection &server, const QString &file)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + file.toStdString());
    out.write("SET NAMES utf8mb4;\nSTART TRANSACTION;\n");
    for (const QString &table : server.tableNames()) {
        out.write("DELETE FROM " + table.toUtf8() + ";\n");
        forEachInsert(server, table, 1 << 20, [&](const QByteArray &sql) { out.write(sql + ";\n"); });
    }
    out.write("COMMIT;\n");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int rounds = 9;
    if (args.size() >= 2 && args[0] == u"--rounds") {
        rounds = args[1].toInt();
        args = args.mid(2);
    }
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: bench_server [--rounds N] CATALOGUE.sdb HOST:PORT USER PASSWORD install_db.sql\n");
        return 2;
    }
    const Server s{args[1], args[2], args[3]};
    try {
        load(args[0], s, args[4]);
        data::Connection conn;
        bench::openBenchDatabase(conn, s);
        MYSQL *plain = plainConnection(s);

        data::Dataset books(&conn);
        books.setSql(QString::fromLatin1(kSelectAll));
        books.setFetchAll(true);
        bench::printFigure("server_open",
                           bench::interleave(rounds, {[&] { books.close(); }, [&] {
                                                          books.open();
                                                          bench::keep(books.recordCount());
                                                      }},
                                             {[] {}, [&] { bench::keep(plainRead(plain, kSelectAll)); }}),
                           1);

        const QString search = QString::fromUtf8(kSearch);
        books.setSql(search.arg(QStringLiteral("my_lower")));
        bench::printFigure("server_search_title",
                           bench::interleave(rounds, {[&] { books.close(); }, [&] {
                                                          books.open();
                                                          bench::keep(books.recordCount());
                                                      }},
                                             {[] {}, [&] { bench::keep(plainRead(plain, search.arg(QStringLiteral("LOWER")).toUtf8())); }}),
                           1);
        mysql_close(plain);

        // The whole catalogue restored from its backup, against the mariadb client reading the
        // same rows as multi-row INSERTs in one transaction.
        QTemporaryDir dir;
        const QString backup = dir.filePath(QStringLiteral("backup.sql")), reference = dir.filePath(QStringLiteral("client.sql"));
        data::ScriptDump(&conn).BackupToScript(backup);
        writeClientScript(conn, reference);
        const QStringList client = {QStringLiteral("--no-defaults"), QStringLiteral("--ssl"),
                                    QStringLiteral("-h") + s.address.section(u':', 0, 0),
                                    QStringLiteral("-P") + s.address.section(u':', 1), QStringLiteral("-u") + s.user,
                                    QStringLiteral("-p") + s.password, QString::fromLatin1(kDatabase)};
        bench::printFigure("server_restore",
                           bench::interleave(std::min(rounds, 3),
                                             {[] {}, [&] { bench::keep(data::ScriptDump(&conn).RestoreFromScript(backup, store::restoreTables()).size()); }},
                                             {[] {}, [&] {
                                                  QProcess mariadb;
                                                  mariadb.setStandardInputFile(reference);
                                                  mariadb.start(QStringLiteral("mariadb"), client);
                                                  if (!mariadb.waitForFinished(600000) || mariadb.exitCode() != 0)
                                                      throw std::runtime_error(mariadb.readAllStandardError().toStdString());
                                              }}),
                           0);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_server: %s\n", e.what());
        return 1;
    }
    return 0;
}
