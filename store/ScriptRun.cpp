// Running a script: statements split where the engine says one ends, all in one transaction.
#include "Connection.h"
#include "ScriptDump.h"
#include "StoreError.h"

#include <QFile>
#include <QSet>
#include <QStringDecoder>

namespace store {

namespace {

QByteArray readScript(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw StoreError(QStringLiteral("Не удается открыть файл «%1»: %2").arg(fileName, file.errorString()));
    return file.readAll();
}

QByteArray utf8OfScript(const QByteArray &cp1251)
{
    QStringDecoder decoder("windows-1251");
    return QString(decoder.decode(cp1251)).toUtf8();
}

struct Statement {
    qsizetype start;
    qsizetype size;
};

// Cuts the text at each ";" that ends a whole statement, so that a ";" inside a quoted value
// or a comment stays where it is. rest: where the text after the last statement begins.
QList<Statement> splitStatements(QByteArray &text, qsizetype &rest)
{
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

QByteArray firstWord(const QByteArray &body)
{
    qsizetype end = 0;
    while (end < body.size() && body[end] != ' ' && body[end] != ';' && body[end] != '\r' && body[end] != '\n')
        ++end;
    return body.left(end).toUpper();
}

// The table a statement of the backup's two kinds ("DELETE FROM t;", "INSERT INTO t ...") names.
QString tableOf(const QByteArray &word, const QByteArray &body)
{
    const QByteArray s = body.trimmed();
    if (word == "DELETE" && s.startsWith("DELETE FROM ") && s.indexOf(" ", 12) < 0)
        return QString::fromUtf8(s.mid(12, s.size() - 13));
    if (word != "INSERT" || !s.startsWith("INSERT INTO "))
        return {};
    const qsizetype end = s.indexOf(' ', 12);
    return QString::fromUtf8(s.mid(12, end < 0 ? -1 : end - 12));
}

[[noreturn]] void refuse(const QString &fileName, const QString &why)
{
    throw StoreError(QStringLiteral("Файл «%1» не подходит для восстановления каталога. %2").arg(fileName, why));
}

} // namespace

TableRows ScriptDump::RunScriptFile(const QString &fileName, const Progress &progress)
{
    return runScript(utf8OfScript(readScript(fileName)), false, progress);
}

TableRows ScriptDump::RestoreFromScript(const QString &fileName, const Progress &progress)
{
    const QByteArray bytes = readScript(fileName);
    if (!bytes.startsWith("-- " + layerName().toLatin1() + " version: "))
        refuse(fileName, QStringLiteral("Это не резервная копия, записанная программой."));
    try {
        return runScript(utf8OfScript(bytes), true, progress);
    } catch (const StoreError &e) {
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
    const QList<Statement> statements = splitStatements(utf8, rest);
    if (!onlyComments(utf8, rest))
        throw StoreError(QStringLiteral("Последняя команда в файле оборвана: файл неполный."));
    if (backupOnly) {
        // Every table of the catalogue is emptied by a whole backup: one that stops short of
        // a table was cut off.
        QSet<QString> emptied;
        for (const Statement &s : statements)
            emptied.insert(tableOf("DELETE", statementBody(utf8.constData() + s.start, s.size)));
        for (const QString &table : conn_->tableNames())
            if (!table.startsWith(QLatin1String("sqlite_")) && !emptied.contains(table))
                throw StoreError(QStringLiteral("В файле нет таблицы %1: копия неполная.").arg(table));
    }

    sqlite3 *db = conn_->handle();
    conn_->runStatement(QStringLiteral("BEGIN IMMEDIATE"));
    TableRows rows;
    try {
        qint64 done = 0;
        for (const Statement &s : statements) {
            const char *sql = utf8.constData() + s.start;
            const QByteArray body = statementBody(sql, s.size);
            const QByteArray word = firstWord(body);
            // The script's own transaction brackets are folded into the one around it.
            if (word == "BEGIN" || word == "COMMIT" || word == "END" || word == "ROLLBACK")
                continue;
            sqlite3_stmt *raw = nullptr;
            if (sqlite3_prepare_v2(db, sql, int(s.size), &raw, nullptr) != SQLITE_OK)
                conn_->raiseEngineError(sqlite3_errcode(db));
            StatementPtr stmt(raw);
            if (!stmt) // only comments
                continue;
            int rc;
            while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE)
                conn_->raiseEngineError(rc);
            const QString table = tableOf(word, body);
            if (!table.isEmpty()) {
                if (rows.isEmpty() || rows.last().first != table)
                    rows.push_back({table, 0});
                if (word == "INSERT")
                    rows.last().second += sqlite3_changes(db);
            }
            if (progress && ++done % 5000 == 0)
                progress(done, statements.size());
        }
        conn_->runStatement(QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return rows;
}

} // namespace store
