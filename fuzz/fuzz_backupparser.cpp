// The reader of backup scripts that a restore runs: whatever a file holds, it either refuses it
// naming a line of the file, or returns statements that lie inside the file in order, each one
// DELETE or INSERT of literal rows that SQLite reads as exactly one statement touching only the
// table named. The first value SQLite reads as an infinity is the one the reader names (a server
// cannot store it); text without char() reads the same whichever engine's form is asked for.
#include "FuzzCheck.h"
#include "data/DataError.h"
#include "data/script/BackupParser.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sqlite3.h>

using fuzzcheck::check;

namespace {

QByteArray allowedTable;
bool touchedOther = false;

// Lets the statement read and write its own table and call char() and nothing else.
int authorize(void *, int action, const char *a, const char *, const char *, const char *)
{
    const bool own = a && allowedTable == a;
    switch (action) {
    case SQLITE_INSERT:
    case SQLITE_DELETE:
    case SQLITE_READ: touchedOther |= !own; break;
    case SQLITE_FUNCTION: touchedOther |= !(a && qstricmp(a, "char") == 0); break;
    default: touchedOther = true;
    }
    return SQLITE_OK;
}

QString detail(const QByteArray &input, const QByteArray &statement)
{
    return QString::fromUtf8(input.left(300)) + QStringLiteral("\n-- statement: ") + QString::fromUtf8(statement.left(300));
}

// The row's values as SQLite reads them: the first infinite one is where the reader said.
void checkInfinity(sqlite3 *db, const QByteArray &input, const data::BackupStatement &st)
{
    const QByteArray select = "SELECT " + input.mid(st.valuesStart + 1, st.valuesSize - 2);
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, select.constData(), int(select.size()), &stmt, nullptr) != SQLITE_OK)
        return;
    int first = -1;
    if (sqlite3_step(stmt) == SQLITE_ROW)
        for (int c = 0; c < sqlite3_column_count(stmt) && first < 0; ++c)
            if (sqlite3_column_type(stmt, c) == SQLITE_FLOAT && std::isinf(sqlite3_column_double(stmt, c)))
                first = c;
    sqlite3_finalize(stmt);
    check(first == st.infiniteColumn, "the infinite value is the one named", detail(input, select));
}

void checkWithSqlite(const QByteArray &input, const data::BackupStatement &st)
{
    const QByteArray text = input.mid(st.start, st.size);
    sqlite3 *db = nullptr;
    sqlite3_open(":memory:", &db);
    QByteArray columns;
    for (int c = 0; c < 32; ++c)
        columns += (c ? ",c" : "c") + QByteArray::number(c);
    QByteArray quoted = st.table;
    quoted.replace('"', "\"\"");
    sqlite3_exec(db, "CREATE TABLE \"" + quoted + "\" (" + columns + ")", nullptr, nullptr, nullptr);
    allowedTable = st.table;
    touchedOther = false;
    sqlite3_set_authorizer(db, authorize, nullptr);
    sqlite3_stmt *stmt = nullptr;
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, text.constData(), int(text.size()), &stmt, &tail);
    const QByteArray error = sqlite3_errmsg(db);
    if (rc == SQLITE_OK) {
        check(stmt != nullptr, "a statement is there", detail(input, text));
        check(QByteArray(tail, text.constData() + text.size() - tail).trimmed().isEmpty(), "one statement only",
              detail(input, text));
        check(!touchedOther, "only the named table and char()", detail(input, text));
    } else {
        // A row of another width is the table's business; the grammar itself must be SQLite's.
        check(!error.contains("syntax error") && !error.contains("unrecognized token") && !error.contains("incomplete"),
              "SQLite reads what the reader accepted", detail(input, text) + QStringLiteral("\n") + QString::fromUtf8(error));
    }
    sqlite3_finalize(stmt);
    sqlite3_set_authorizer(db, nullptr, nullptr);
    if (st.kind == data::BackupStatement::Insert)
        checkInfinity(db, input, st);
    sqlite3_close(db);
}

// Without char() calls the engine's form asked for makes no difference.
void checkBothForms(const QByteArray &input, const QList<data::BackupStatement> &statements)
{
    if (input.toLower().contains("char"))
        return;
    QList<data::BackupStatement> server;
    try {
        server = data::parseBackup(input, data::CharForm::Server);
    } catch (const data::DataError &e) {
        check(false, "the server's form refuses what the other accepts", e.message());
    }
    check(server.size() == statements.size(), "both forms read the same statements", QString::fromUtf8(input.left(300)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    // A restore hands the reader the file already decoded to UTF-8 (from code page 1251 or UTF-8).
    if (QString::fromUtf8(input).toUtf8() != input)
        return 0;
    QList<data::BackupStatement> statements;
    try {
        statements = data::parseBackup(input);
    } catch (const data::DataError &e) {
        check(e.kind() == data::ErrorKind::Refused, "a refusal is a refusal", e.message());
        const QString &m = e.message();
        if (m.startsWith(QStringLiteral("Строка "))) {
            const int line = m.mid(7, m.indexOf(u':') - 7).toInt();
            check(line >= 1 && line <= input.count('\n') + 1, "the line named is in the file", m);
        } else {
            check(m.startsWith(QStringLiteral("Последняя команда")), "a refusal says why", m);
        }
        return 0;
    }
    qsizetype end = 0;
    for (const data::BackupStatement &st : statements) {
        const QByteArray text = input.mid(st.start, st.size);
        check(st.start >= end && st.start + st.size <= input.size() && text.endsWith(';'), "statements lie in order",
              detail(input, text));
        check(st.line == input.left(st.start).count('\n') + 1, "the line is where the statement begins", detail(input, text));
        end = st.start + st.size;
        if (st.kind == data::BackupStatement::Insert)
            check(st.valuesStart > st.start && st.valuesStart + st.valuesSize <= end && input.at(st.valuesStart) == '(' &&
                      input.at(st.valuesStart + st.valuesSize - 1) == ')',
                  "the values are the row in brackets", detail(input, text));
        checkWithSqlite(input, st);
    }
    checkBothForms(input, statements);
    return 0;
}
