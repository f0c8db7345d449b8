#pragma once

#include <QByteArray>
#include <QList>

namespace data {

// One statement of a backup script: "DELETE FROM t;" or "INSERT INTO t VALUES (...);".
struct BackupStatement {
    enum Kind { Delete, Insert };
    Kind kind;
    QByteArray table;      // the name as the engine knows it, quotes taken off
    qsizetype start = 0;   // the whole statement, ";" included
    qsizetype size = 0;
    qsizetype valuesStart = 0; // "(...)" of an INSERT
    qsizetype valuesSize = 0;
    int line = 0;          // 1-based line of the file where the statement begins
    int infiniteColumn = -1; // 0-based column of the first real too large for a double, if any
};

// Which char() form a script's text outside code page 1251 must take: the embedded engine's
// "||char(n)||" or the server's CONVERT(char(n USING utf32) USING utf8mb4).
enum class CharForm { Sqlite, Server };

// Reads a backup script (UTF-8) with the grammar the backup writes and nothing more: comment lines,
// and DELETE and INSERT statements whose values are literals (NULL, numbers, quoted text, X'..'
// bytes, and text joined with the char() forms of either engine). Anything else, or a statement cut
// short, raises DataError (ErrorKind::Refused) naming the line, so that nothing runs. Only the char()
// form of the engine that runs the script is taken; on the server, only code points it can store.
QList<BackupStatement> parseBackup(const QByteArray &utf8, CharForm form = CharForm::Sqlite);

} // namespace data
