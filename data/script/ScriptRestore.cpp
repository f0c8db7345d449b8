// Restoring a backup: the script is read whole and checked before any statement runs.
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/engines/Engine.h"
#include "data/engines/ServerSql.h"
#include "data/script/BackupParser.h"
#include "data/script/ScriptDump.h"
#include "data/script/ScriptRunning.h"
#include "data/text/FileBytes.h"

#include <QSet>

namespace data {

namespace {

[[noreturn]] void refuse(const QString &fileName, const QString &why)
{
    throw DataError(QStringLiteral("Файл «%1» не подходит для восстановления каталога. %2").arg(fileName, why), 0,
                    ErrorKind::Refused);
}

QString tableText(const QByteArray &name) { return QString::fromUtf8(name); }

// Every statement names a table of the set, and every required table is emptied.
void checkTables(const QList<BackupStatement> &statements, const RestoreTables &tables, const QString &fileName)
{
    QSet<QString> allowed(tables.required.begin(), tables.required.end());
    allowed.unite(QSet<QString>(tables.optional.begin(), tables.optional.end()));
    QSet<QString> emptied;
    for (const BackupStatement &st : statements) {
        const QString table = tableText(st.table);
        if (!allowed.contains(table))
            refuse(fileName, QStringLiteral("Строка %1: таблица «%2» не из этого каталога.").arg(st.line).arg(table));
        if (st.kind == BackupStatement::Delete)
            emptied.insert(table);
    }
    for (const QString &table : tables.required)
        if (!emptied.contains(table))
            refuse(fileName, QStringLiteral("В файле нет таблицы %1: копия неполная.").arg(table));
}

// Drops the indexes of the embedded database's tables and returns the statements that make them
// again: a restore fills whole tables, so they are built once afterwards rather than row by row.
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

// Runs the statements; on a server the rows of consecutive INSERTs into one table go as one
// statement of many rows, so that the tables are locked for as short a time as possible.
class RestoreRun {
public:
    RestoreRun(Connection &conn, const QByteArray &utf8, const Progress &progress)
        : conn_(conn), utf8_(utf8), progress_(progress), server_(conn.isServer())
    {
    }

    TableRows run(const QList<BackupStatement> &statements)
    {
        total_ = statements.size();
        for (const BackupStatement &st : statements) {
            if (st.kind == BackupStatement::Delete) {
                flush();
                note(st.table);
                runScriptStatement(conn_, utf8_.constData() + st.start, st.size);
            } else if (server_) {
                if (!batch_.isEmpty() && (st.table != batchTable_ || batch_.size() > BatchBytes))
                    flush();
                note(st.table);
                batchTable_ = st.table;
                batch_ += batch_.isEmpty() ? "INSERT INTO " + conn_.sqlName(st.table) + " VALUES " : QByteArray(",");
                batch_.append(utf8_.constData() + st.valuesStart, st.valuesSize);
            } else {
                note(st.table);
                rows_.last().second += runScriptStatement(conn_, utf8_.constData() + st.start, st.size);
            }
            if (progress_ && ++done_ % 5000 == 0)
                progress_(done_, total_);
        }
        flush();
        return rows_;
    }

private:
    static constexpr qsizetype BatchBytes = 1 << 20;

    void note(const QByteArray &table)
    {
        if (rows_.isEmpty() || rows_.last().first != tableText(table))
            rows_.push_back({tableText(table), 0});
    }

    void flush()
    {
        if (batch_.isEmpty())
            return;
        conn_.runStatement(QString::fromUtf8(batch_));
        rows_.last().second += conn_.changes();
        batch_.clear();
    }

    Connection &conn_;
    const QByteArray &utf8_;
    const Progress &progress_;
    const bool server_;
    TableRows rows_;
    QByteArray batch_, batchTable_;
    long long done_ = 0, total_ = 0;
};

} // namespace

TableRows ScriptDump::RestoreFromScript(const QString &fileName, const Progress &progress)
{
    if (!conn_->isOpen())
        conn_->open();
    return RestoreFromScript(fileName, RestoreTables{conn_->tableNames(), {}}, progress);
}

TableRows ScriptDump::RestoreFromScript(const QString &fileName, const RestoreTables &tables, const Progress &progress)
{
    if (!conn_->isOpen())
        conn_->open();
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

    QList<BackupStatement> statements;
    try {
        statements = parseBackup(utf8);
    } catch (const DataError &e) {
        refuse(fileName, e.message());
    }
    checkTables(statements, tables, fileName);

    QSet<QString> mentioned;
    for (const BackupStatement &st : statements)
        mentioned.insert(tableText(st.table));
    const QStringList present = conn_->tableNames();
    TableRows rows;
    runInTransaction(*conn_, [&] {
        const QList<QByteArray> indexes = conn_->isServer() ? QList<QByteArray>() : dropIndexes(*conn_);
        for (const QString &table : tables.optional)
            if (!mentioned.contains(table) && present.contains(table))
                conn_->runStatement(QStringLiteral("DELETE FROM ") + QString::fromUtf8(conn_->sqlName(table.toUtf8())));
        rows = RestoreRun(*conn_, utf8, progress).run(statements);
        for (const QByteArray &sql : indexes)
            conn_->runStatement(QString::fromUtf8(sql));
    });
    return rows;
}

} // namespace data
