// Running a script: statements split where the engine says one ends, all in one transaction.
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/Transaction.h"
#include "data/engines/ServerSql.h"
#include "data/engines/SqliteEngine.h"
#include "data/script/ScriptDump.h"
#include "data/script/ScriptRunning.h"
#include "data/text/FileBytes.h"
#include "data/text/TextCodec.h"

#include <QStringDecoder>
#include <cstring>

namespace data {

namespace {

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

} // namespace

QByteArray utf8OfScript(const QByteArray &cp1251)
{
    QStringDecoder decoder("windows-1251");
    return QString(decoder.decode(cp1251)).toUtf8();
}

bool writtenByTheProgram(const QByteArray &script)
{
    return script.startsWith("-- " + ScriptDump::layerName().toLatin1() + " version: ");
}

int runScriptStatement(Connection &conn, const char *sql, qsizetype size)
{
    if (conn.isServer()) {
        conn.runStatement(QString::fromUtf8(sql, size));
        return conn.changes();
    }
    sqlite3 *db = conn.handle();
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, int(size), &raw, nullptr) != SQLITE_OK)
        throw DataError(QString::fromUtf8(sqlite3_errmsg(db)), sqlite3_errcode(db), sqliteErrorKind(sqlite3_extended_errcode(db)));
    StatementPtr stmt(raw);
    if (!stmt) // only comments
        return 0;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        throw DataError(QString::fromUtf8(sqlite3_errmsg(db)), rc, sqliteErrorKind(sqlite3_extended_errcode(db)));
    return sqlite3_changes(db);
}

void runInTransaction(Connection &conn, const std::function<void()> &work)
{
    Transaction transaction(conn);
    work();
    transaction.commit();
}

namespace {

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
        const int changed = runScriptStatement(conn, sql, s.size);
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

} // namespace

TableRows ScriptDump::RunScriptFile(const QString &fileName, const Progress &progress)
{
    const QByteArray bytes = readWholeFile(fileName);
    // The program's own scripts are in code page 1251 whatever their bytes look like; one written
    // by hand, as install_db.sql is, may be in UTF-8.
    return runScript(writtenByTheProgram(bytes) ? utf8OfScript(bytes) : decodeCp1251OrUtf8(bytes).toUtf8(), progress);
}

TableRows ScriptDump::runScript(QByteArray utf8, const Progress &progress)
{
    if (!conn_->isOpen())
        conn_->open();
    qsizetype rest = 0;
    const bool server = conn_->isServer();
    const QList<Statement> statements = splitStatements(utf8, rest, server);
    if (!onlyComments(utf8, rest))
        throw DataError(QStringLiteral("Последняя команда в файле оборвана: файл неполный."));

    TableRows rows;
    runInTransaction(*conn_, [&] { rows = runStatements(*conn_, utf8, statements, progress); });
    return rows;
}

} // namespace data
