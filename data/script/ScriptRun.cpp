// Running a script: statements split where the engine says one ends, all in one transaction.
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/engines/ServerSql.h"
#include "data/engines/SqliteEngine.h"
#include "data/script/ScriptDump.h"
#include "data/text/FileBytes.h"
#include "data/text/TextCodec.h"

#include <QSet>
#include <QStringDecoder>
#include <cstring>

namespace data {

namespace {

QByteArray utf8OfScript(const QByteArray &cp1251)
{
    QStringDecoder decoder("windows-1251");
    return QString(decoder.decode(cp1251)).toUtf8();
}

bool writtenByTheProgram(const QByteArray &script)
{
    return script.startsWith("-- " + ScriptDump::layerName().toLatin1() + " version: ");
}

struct Statement {
    qsizetype start;
    qsizetype size;
};

// Cuts the text at each ";" that ends a whole statement, so that a ";" inside a quoted value
// or a comment stays where it is. rest: where the text after the last statement begins.
QList<Statement> splitStatements(QByteArray &text, qsizetype &rest, bool server)
{
    if (server) {
        QList<Statement> statements;
        for (const SqlPiece &p : splitServerStatements(text, &rest))
            statements.push_back({p.start, p.size + 1});
        return statements;
    }
    QList<Statement> statements;
    char *data = text.data(); // detached once; the terminator below is put back at once
    qsizetype start = 0;
    for (qsizetype semi = text.indexOf(';'); semi >= 0; semi = text.indexOf(';', semi + 1)) {
        const char saved = data[semi + 1];
        data[semi + 1] = '\0';
        const bool complete = sqlite3_complete(data + start) != 0;
        data[semi + 1] = saved;
        if (complete) {
            statements.push_back({start, semi + 1 - start});
            start = semi + 1;
        }
    }
    rest = start;
    return statements;
}

// True when nothing but blanks and comments is left.
bool onlyComments(const QByteArray &text, qsizetype from)
{
    for (const QByteArray &line : text.mid(from).split('\n')) {
        const QByteArray t = line.trimmed();
        if (!t.isEmpty() && !t.startsWith("--"))
            return false;
    }
    return true;
}

// The statement without the blanks and "--" comment lines before it.
QByteArray statementBody(const char *sql, qsizetype size)
{
    qsizetype i = 0;
    while (i < size) {
        if (sql[i] == ' ' || sql[i] == '\r' || sql[i] == '\n' || sql[i] == '\t') {
            ++i;
        } else if (sql[i] == '-' && i + 1 < size && sql[i + 1] == '-') {
            while (i < size && sql[i] != '\n')
                ++i;
        } else {
            break;
        }
    }
    return QByteArray::fromRawData(sql + i, size - i);
}

enum class Kind { Insert, Delete, Transaction, Other };

Kind kindOf(const QByteArray &body)
{
    if (body.startsWith("INSERT INTO "))
        return Kind::Insert;
    if (body.startsWith("DELETE FROM "))
        return Kind::Delete;
    qsizetype end = 0;
    while (end < body.size() && body[end] != ' ' && body[end] != ';' && body[end] != '\r' && body[end] != '\n')
        ++end;
    const QByteArray word = body.left(end).toUpper();
    if (word == "BEGIN" || word == "COMMIT" || word == "END" || word == "ROLLBACK")
        return Kind::Transaction;
    return Kind::Other;
}

// The table an "INSERT INTO t ..." or "DELETE FROM t ..." statement names; no copy is made.
QByteArray tableOf(Kind kind, const QByteArray &body)
{
    if (kind != Kind::Insert && kind != Kind::Delete)
        return {};
    qsizetype end = 12;
    while (end < body.size() && !std::strchr(" ;(\r\n", body[end]))
        ++end;
    return QByteArray::fromRawData(body.constData() + 12, end - 12);
}

// Every table of the database is emptied by a whole backup: one that stops short of a table
// was cut off.
void checkEveryTableEmptied(const QByteArray &utf8, const QList<Statement> &statements, const Connection &conn)
{
    QSet<QString> emptied;
    for (const Statement &s : statements) {
        const QByteArray body = statementBody(utf8.constData() + s.start, s.size);
        if (kindOf(body) == Kind::Delete)
            emptied.insert(QString::fromUtf8(tableOf(Kind::Delete, body)));
    }
    for (const QString &table : conn.tableNames())
        if (!emptied.contains(table))
            throw DataError(QStringLiteral("В файле нет таблицы %1: копия неполная.").arg(table));
}

// Drops the indexes of the tables and returns the statements that make them again.
QList<QByteArray> dropIndexes(Connection &conn)
{
    QList<QByteArray> names, creations;
    auto stmt = conn.prepare(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"));
    stmt->execute();
    CellView cells[2];
    while (stmt->next()) {
        stmt->readRow(cells);
        names << QByteArray(cells[0].bytes.data(), qsizetype(cells[0].bytes.size()));
        creations << QByteArray(cells[1].bytes.data(), qsizetype(cells[1].bytes.size()));
    }
    stmt.reset();
    for (const QByteArray &name : names)
        conn.runStatement(QStringLiteral("DROP INDEX \"%1\"").arg(QString::fromUtf8(name).replace(u'"', QStringLiteral("\"\""))));
    return creations;
}

// Runs one statement; returns the rows it changed.
int runOne(Connection &conn, const char *sql, qsizetype size)
{
    if (conn.isServer()) {
        conn.runStatement(QString::fromUtf8(sql, size));
        return conn.changes();
    }
    sqlite3 *db = conn.handle();
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, int(size), &raw, nullptr) != SQLITE_OK)
        throw DataError(QString::fromUtf8(sqlite3_errmsg(db)), sqlite3_errcode(db));
    StatementPtr stmt(raw);
    if (!stmt) // only comments
        return 0;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        throw DataError(QString::fromUtf8(sqlite3_errmsg(db)), rc);
    return sqlite3_changes(db);
}

TableRows runStatements(Connection &conn, const QByteArray &utf8, const QList<Statement> &statements,
                        const Progress &progress)
{
    TableRows rows;
    QByteArray lastTable;
    qint64 done = 0;
    for (const Statement &s : statements) {
        const char *sql = utf8.constData() + s.start;
        const QByteArray body = statementBody(sql, s.size);
        const Kind kind = kindOf(body);
        if (kind == Kind::Transaction) // folded into the one around the whole script
            continue;
        const int changed = runOne(conn, sql, s.size);
        if (kind == Kind::Insert || kind == Kind::Delete) {
            const QByteArray table = tableOf(kind, body);
            if (rows.isEmpty() || table != lastTable) {
                rows.push_back({QString::fromUtf8(table), 0});
                lastTable = table;
            }
            if (kind == Kind::Insert)
                rows.last().second += changed;
        }
        if (progress && ++done % 5000 == 0)
            progress(done, statements.size());
    }
    return rows;
}

[[noreturn]] void refuse(const QString &fileName, const QString &why)
{
    throw DataError(QStringLiteral("Файл «%1» не подходит для восстановления каталога. %2").arg(fileName, why));
}

} // namespace

TableRows ScriptDump::RunScriptFile(const QString &fileName, const Progress &progress)
{
    const QByteArray bytes = readWholeFile(fileName);
    // The program's own scripts are in code page 1251 whatever their bytes look like; one written
    // by hand, as install_db.sql is, may be in UTF-8.
    return runScript(writtenByTheProgram(bytes) ? utf8OfScript(bytes) : decodeCp1251OrUtf8(bytes).toUtf8(), false,
                     progress);
}

TableRows ScriptDump::RestoreFromScript(const QString &fileName, const Progress &progress)
{
    const QByteArray bytes = readWholeFile(fileName);
    if (!writtenByTheProgram(bytes))
        refuse(fileName, QStringLiteral("Это не резервная копия, записанная программой."));
    // A backup of the other engine: its characters outside code page 1251 are put into this one's words.
    QByteArray utf8 = utf8OfScript(bytes);
    const bool fromServer = bytes.contains("\n-- MySQL server version: ");
    if (conn_->isServer() && !fromServer)
        utf8 = charCallsForServer(utf8);
    else if (!conn_->isServer() && fromServer)
        utf8 = charCallsForSqlite(utf8);
    try {
        return runScript(std::move(utf8), true, progress);
    } catch (const DataError &e) {
        if (e.sqliteCode() != 0)
            throw;
        refuse(fileName, e.message());
    }
}

TableRows ScriptDump::runScript(QByteArray utf8, bool backupOnly, const Progress &progress)
{
    if (!conn_->isOpen())
        conn_->open();
    qsizetype rest = 0;
    const bool server = conn_->isServer();
    const QList<Statement> statements = splitStatements(utf8, rest, server);
    if (!onlyComments(utf8, rest))
        throw DataError(QStringLiteral("Последняя команда в файле оборвана: файл неполный."));
    if (backupOnly)
        checkEveryTableEmptied(utf8, statements, *conn_);

    conn_->runStatement(server ? QStringLiteral("START TRANSACTION") : QStringLiteral("BEGIN IMMEDIATE"));
    try {
        // A backup fills whole tables: their indexes are built once afterwards rather than row
        // by row, inside the same transaction.
        const QList<QByteArray> indexes = backupOnly && !server ? dropIndexes(*conn_) : QList<QByteArray>();
        const TableRows rows = runStatements(*conn_, utf8, statements, progress);
        for (const QByteArray &sql : indexes)
            conn_->runStatement(QString::fromUtf8(sql));
        conn_->runStatement(QStringLiteral("COMMIT"));
        return rows;
    } catch (...) {
        try {
            conn_->runStatement(QStringLiteral("ROLLBACK"));
        } catch (const DataError &) {
        }
        throw;
    }
}

} // namespace data
