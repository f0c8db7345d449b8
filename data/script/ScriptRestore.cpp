// Restoring a backup: the script is read whole and checked before any statement runs.
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/engines/Engine.h"
#include "data/engines/ServerSql.h"
#include "data/script/BackupParser.h"
#include "data/script/ScriptDump.h"
#include "data/script/ScriptRunning.h"
#include "data/script/ServerRestoreChecks.h"
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

// The engine a backup was written from, as its second header line names it.
bool writtenFromServer(const QByteArray &bytes, const QString &fileName)
{
    const qsizetype first = bytes.indexOf('\n');
    const QByteArray line = first < 0 ? QByteArray() : bytes.mid(first + 1, 40);
    if (line.startsWith("-- MySQL server version: "))
        return true;
    if (!line.startsWith("-- SQLite server version: "))
        refuse(fileName, QStringLiteral("Это не резервная копия, записанная программой."));
    return false;
}

// Keeps the statements on the tables of the database being restored. Its views are no data and
// the embedded engine's own tables it lacks (a sequence table on the server) have no place to
// go: their statements are left out. Any other name is refused, and every required table must
// be emptied by the file.
void selectStatements(RestorePlan &plan, QList<BackupStatement> statements, const RestoreTables &tables,
                      Connection &conn)
{
    const QStringList views = conn.viewNames();
    QSet<QString> present;
    for (const QString &name : conn.tableAndViewNames())
        if (!views.contains(name))
            present.insert(name);
    QSet<QString> allowed = present;
    allowed.unite(QSet<QString>(tables.required.begin(), tables.required.end()));
    allowed.unite(QSet<QString>(tables.optional.begin(), tables.optional.end()));
    QSet<QString> emptied;
    for (BackupStatement &st : statements) {
        const QString table = tableText(st.table);
        if (!allowed.contains(table)) {
            if (!views.contains(table) && !table.startsWith(QLatin1String("sqlite_")))
                refuse(plan.fileName,
                       QStringLiteral("Строка %1: таблица «%2» не из этого каталога.").arg(st.line).arg(table));
            if (!plan.skipped.contains(table))
                plan.skipped << table;
            continue;
        }
        if (st.kind == BackupStatement::Delete)
            emptied.insert(table);
        plan.statements.push_back(std::move(st));
    }
    for (const QString &table : tables.required)
        if (!emptied.contains(table))
            refuse(plan.fileName, QStringLiteral("В файле нет таблицы %1: копия неполная.").arg(table));
    for (const QString &table : tables.optional)
        if (!emptied.contains(table))
            plan.emptied << table;
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
    RestoreRun(Connection &conn, const RestorePlan &plan, const Progress &progress)
        : conn_(conn), utf8_(plan.utf8), progress_(progress), server_(conn.isServer()), batchBytes_(plan.batchBytes)
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
                // A batch never grows past what the server takes in one packet.
                if (!batch_.isEmpty() && (st.table != batchTable_ || batch_.size() + 1 + st.valuesSize > batchBytes_))
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
    const qsizetype batchBytes_;
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
    return RunRestore(PrepareRestore(fileName, tables), progress);
}

RestorePlan ScriptDump::PrepareRestore(const QString &fileName, const RestoreTables &tables)
{
    if (!conn_->isOpen())
        conn_->open();
    const QByteArray bytes = readWholeFile(fileName);
    if (!writtenByTheProgram(bytes))
        refuse(fileName, QStringLiteral("Это не резервная копия, записанная программой."));
    RestorePlan plan;
    plan.fileName = fileName;
    // A backup of the other engine: its characters outside code page 1251 are put into this one's words.
    const bool fromServer = writtenFromServer(bytes, fileName);
    plan.utf8 = utf8OfScript(bytes);
    if (conn_->isServer() && !fromServer)
        plan.utf8 = charCallsForServer(plan.utf8);
    else if (!conn_->isServer() && fromServer)
        plan.utf8 = charCallsForSqlite(plan.utf8);

    QList<BackupStatement> statements;
    try {
        statements = parseBackup(plan.utf8, conn_->isServer() ? CharForm::Server : CharForm::Sqlite);
    } catch (const DataError &e) {
        refuse(fileName, e.message());
    }
    selectStatements(plan, std::move(statements), tables, *conn_);
    if (conn_->isServer())
        checkRestoreOnServer(*conn_, plan);
    return plan;
}

TableRows ScriptDump::RunRestore(const RestorePlan &plan, const Progress &progress)
{
    if (!conn_->isOpen())
        conn_->open();
    const QStringList present = conn_->tableNames();
    TableRows rows;
    runInTransaction(*conn_, [&] {
        const QList<QByteArray> indexes = conn_->isServer() ? QList<QByteArray>() : dropIndexes(*conn_);
        for (const QString &table : plan.emptied)
            if (present.contains(table))
                conn_->runStatement(QStringLiteral("DELETE FROM ") + QString::fromUtf8(conn_->sqlName(table.toUtf8())));
        rows = RestoreRun(*conn_, plan, progress).run(plan.statements);
        for (const QByteArray &sql : indexes)
            conn_->runStatement(QString::fromUtf8(sql));
    });
    return rows;
}

} // namespace data
