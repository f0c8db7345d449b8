#pragma once

#include "data/Progress.h"
#include "data/script/BackupParser.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <string>
#include <utility>

namespace data {

class Connection;

// What the head of a script names: the engine, its versions, the server and the database.
struct ScriptSource {
    QString provider, serverVersion, clientVersion, server, database;
};

// Rows put into each table by a script, in the order the tables came.
using TableRows = QList<std::pair<QString, qint64>>;

// The tables a restore may write. Every `required` one must be emptied by the script: a backup
// that misses one was cut short or is of another database. An `optional` one that the script
// does not mention is emptied all the same, since the rows its rows refer to are replaced.
struct RestoreTables {
    QStringList required, optional;
};

// A backup read and checked whole, before anything is changed: what a restore will run.
struct RestorePlan {
    QString fileName;
    QByteArray utf8;                    // the script in UTF-8, char() calls in the target's form
    QList<BackupStatement> statements;  // the ones to run, in the file's order
    QStringList emptied;                // optional tables the file does not mention, emptied all the same
    QStringList skipped;                // views and the embedded engine's own tables, left as they are
    qsizetype batchBytes = 0;           // the largest statement a server takes, less room to spare
};

// The dump component: the whole database as an SQL script (code page 1251, CR LF) that empties
// each table and inserts its rows again, and the running of such a script.
class ScriptDump {
public:
    explicit ScriptDump(Connection *connection) : conn_(connection) {}

    static QString layerName() { return QStringLiteral("LibraryStore"); }
    static QString layerVersion() { return QStringLiteral("1.0"); }

    // Writes beside the file first and puts it in place only when the whole script is written,
    // so that a failure keeps the earlier backup of that name.
    void BackupToScript(const QString &fileName, const Progress &progress = {});
    // Runs every statement of a script in one transaction: a failing statement undoes them all.
    TableRows RunScriptFile(const QString &fileName, const Progress &progress = {});
    // Puts back a backup this program wrote: its comment lines, DELETE FROM and INSERT INTO ...
    // VALUES of the given tables and nothing else. Any other script, a foreign statement or one
    // cut short is refused before anything is changed; the rest runs in one transaction, undone
    // whole if anything fails. Without tables given, every table of the database is required.
    TableRows RestoreFromScript(const QString &fileName, const Progress &progress = {});
    TableRows RestoreFromScript(const QString &fileName, const RestoreTables &tables, const Progress &progress = {});
    // The two halves of a restore: the file read and checked against the database (nothing is
    // changed; a refusal raises), then run in one transaction.
    RestorePlan PrepareRestore(const QString &fileName, const RestoreTables &tables);
    TableRows RunRestore(const RestorePlan &plan, const Progress &progress = {});

    // The script's header for the engine and database it was written from, and the date and time shown.
    static QByteArray scriptHeader(const ScriptSource &source, const QString &dateTime);
    static ScriptSource sourceOf(const Connection &conn);

private:
    TableRows runScript(QByteArray utf8, const Progress &progress);
    Connection *conn_;
};

// One value in the form the script writes it; text outside code page 1251 as a concatenation
// with char(), so that the script puts back exactly what was stored. A server takes the code
// points as CONVERT(char(... USING utf32) USING utf8mb4).
void appendScriptText(std::string &out, const char *utf8, int size, bool server = false);
QByteArray scriptReal(double value);

} // namespace data
