#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

namespace store {

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

// Every call my_lower(x) written as IFNULL(LOWER(x), ''): what the server's function of that name
// returns, without the cost of calling a stored function for every row.
QByteArray inlineMyLower(const QByteArray &utf8);

// A name as an identifier between backticks, a backtick inside doubled: whatever the text, it
// stays one name.
QByteArray quotedServerName(const QString &name);

} // namespace store
