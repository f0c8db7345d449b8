#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include "data/engines/Engine.h"

namespace data {

// SQL text for a MariaDB/MySQL server session that runs with ANSI_QUOTES and
// NO_BACKSLASH_ESCAPES, so that quoting works as in standard SQL: '' inside '...', "" inside
// "...", `` inside `...`; comments are "-- " to the line end, "#" to the line end and /* */.

struct SqlPiece {
    qsizetype start;
    qsizetype size;
};

// A `?` or `:name` placeholder outside quotes and comments.
struct SqlPlaceholder {
    qsizetype start;
    qsizetype size;
    QByteArray name; // empty for "?"
};

// The statements of a script, cut at each ";" outside quotes and comments; a piece holding only
// blanks and comments is left out. rest: where the text after the last ";" begins.
QList<SqlPiece> splitServerStatements(const QByteArray &utf8, qsizetype *rest = nullptr);
// True when the text from `from` on holds nothing but blanks and comments.
bool onlyBlanksAndComments(const QByteArray &utf8, qsizetype from = 0);

QList<SqlPlaceholder> serverPlaceholders(const QByteArray &utf8);

// A value as a literal of the session's dialect: NULL, digits, a double that reads back the
// same, 'yyyy-mm-dd', X'..' for bytes, and '...' with apostrophes doubled for text.
QByteArray serverLiteral(const QVariant &value);

// The statement with each placeholder replaced by the literal of its value.
QByteArray withLiterals(const QByteArray &utf8, const QList<SqlPlaceholder> &placeholders, const QVariantList &values);

// Every call name(x) written as before + x + after. A declaration ("FUNCTION name(...)") and a
// qualified or quoted name are left as they are, so `name`(x) still calls the server's function.
QByteArray inlineCalls(const QByteArray &utf8, const QByteArray &name, const InlineCall &form);

// A backup writes characters outside code page 1251 as char(n, ...) for SQLite and as
// CONVERT(char(n, ... USING utf32) USING utf8mb4) for a server: a backup of one engine is put
// into the words of the other, so a database moves between them whole.
QByteArray charCallsForServer(const QByteArray &script);
QByteArray charCallsForSqlite(const QByteArray &script);

// A name as an identifier between backticks, a backtick inside doubled: whatever the text, it
// stays one name.
QByteArray quotedServerName(const QString &name);

} // namespace data
