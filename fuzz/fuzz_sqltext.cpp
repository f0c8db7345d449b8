// Statement assembly: a condition added to a SELECT statement built from pieces must select
// what the same statement with the condition placed by hand selects, and any text whatever
// goes through the tokenizer and the assembly without harm.
#include "FuzzCheck.h"
#include "data/text/SqlText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <sqlite3.h>

using fuzzcheck::check;
using fuzzcheck::shown;

namespace {

sqlite3 *database()
{
    static sqlite3 *db = fuzzcheck::memoryDatabase(
        "CREATE TABLE t (id INTEGER PRIMARY KEY, a INTEGER, b TEXT, c INTEGER);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 12)"
        " INSERT INTO t SELECT i, i * 7 % 10, char(96 + i % 5) || 'x', i % 3 FROM n;");
    return db;
}

// Every row of every column as text, or the engine's error.
QString rowsOf(const QString &sql)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(database(), utf8.constData(), static_cast<int>(utf8.size()), &stmt, nullptr) != SQLITE_OK)
        return QStringLiteral("<error: %1>").arg(QString::fromUtf8(sqlite3_errmsg(database())));
    QStringList rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QStringList cells;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c)
            cells << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)));
        rows << cells.join(u',');
    }
    sqlite3_finalize(stmt);
    return rc == SQLITE_DONE ? rows.join(u' ') : QStringLiteral("<error>");
}

QString pick(FuzzedDataProvider &in, std::initializer_list<const char *> choices)
{
    const auto i = in.ConsumeIntegralInRange<std::size_t>(0, choices.size() - 1);
    return QString::fromUtf8(*(choices.begin() + i));
}

const std::initializer_list<const char *> Conditions = {
    "a > 3", "b LIKE 'a%'", "a = 1 OR a = 5", "c <> 2 -- note", "a > 1 OR a > 1 -- note",
    "(a = 2 OR c = 1) AND id > 3", "b = 'ORDER BY (' OR a = 4", "id IN (SELECT id FROM t WHERE a > 5 ORDER BY id LIMIT 3)",
    "c = 1 /* or not */", "a BETWEEN 2 AND 6"};

// A statement in pieces: the condition belongs between where (with its WHERE) and rest.
struct Statement {
    QString head, where, rest, tail, table;

    QString text() const
    {
        return head + (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where + u'\n') + u' ' + rest + tail;
    }
    QString byHand(const QString &condition) const
    {
        const QString both = where.isEmpty() ? u'(' + condition + QStringLiteral("\n)")
                                             : u'(' + where + QStringLiteral("\n) AND (") + condition + QStringLiteral("\n)");
        return head + QStringLiteral(" WHERE ") + both + u'\n' + rest + tail;
    }
};

Statement generate(FuzzedDataProvider &in)
{
    Statement s;
    const bool with = in.ConsumeBool();
    if (with)
        s.head = QStringLiteral("WITH w AS (SELECT * FROM t WHERE a > 2 ORDER BY a LIMIT 8)\n");
    const int shape = in.ConsumeIntegralInRange(0, 2);
    s.head += pick(in, {"SELECT id, a, b", "SELECT id, a, b /* WHERE x */", "SELECT id, (SELECT COUNT(*) FROM t AS u WHERE u.a = t.a ORDER BY 1) AS n, b"});
    if (shape == 1)
        s.head = s.head.left(s.head.indexOf(u'\n') + 1) + QStringLiteral("SELECT a, COUNT(*)");
    else if (shape == 2)
        s.head = s.head.left(s.head.indexOf(u'\n') + 1) + QStringLiteral("SELECT id, sum(a) OVER win");
    const int source = in.ConsumeIntegralInRange(0, with ? 2 : 1);
    const char *sources[] = {" FROM t", " FROM (SELECT * FROM t WHERE c <> 3 ORDER BY id) AS t", " FROM w AS t"};
    s.head += QString::fromLatin1(sources[source]);
    s.table = source == 0 ? QStringLiteral("t") : source == 2 ? QStringLiteral("w") : QString();
    if (in.ConsumeBool())
        s.where = pick(in, Conditions);
    if (shape == 1)
        s.rest = pick(in, {"GROUP BY a", "GROUP BY a HAVING COUNT(*) > 1", "GROUP BY a -- groups\n"});
    else if (shape == 2)
        s.rest = QStringLiteral("WINDOW win AS (ORDER BY id)");
    else
        s.rest = pick(in, {"", "UNION SELECT id, a, b FROM t WHERE c = 1", "INTERSECT SELECT id, a, b FROM t WHERE a < 8",
                           "EXCEPT SELECT id, a, b FROM t WHERE a = 3", "UNION ALL SELECT id, a, b FROM t"});
    s.rest += pick(in, {"", " ORDER BY 1 DESC", " ORDER BY 1 LIMIT 4", " LIMIT 3 OFFSET 1", " -- the end"});
    s.tail = pick(in, {"", ";", "; -- done", ";\n-- done\n", "; SELECT 1"});
    if (s.rest.endsWith(QStringLiteral("-- the end")) && !s.tail.isEmpty())
        s.tail.prepend(u'\n');
    return s;
}

void checkAssembly(FuzzedDataProvider &in)
{
    const Statement s = generate(in);
    const QString condition = pick(in, Conditions);
    const QString expected = rowsOf(s.byHand(condition));
    check(!expected.startsWith(QStringLiteral("<error")), "the statement placed by hand runs",
          s.byHand(condition) + u'\n' + expected);
    const QString assembled = data::addSqlCondition(s.text(), condition);
    check(rowsOf(assembled) == expected, "the assembled statement selects the rows of the hand-placed one",
          assembled + QStringLiteral("\ngave: ") + rowsOf(assembled) + QStringLiteral("\nwanted: ") + expected);
    check(data::sqlMainTable(s.text()) == s.table, "edits post to the outer FROM's table",
          s.text() + QStringLiteral("\ngave: ") + data::sqlMainTable(s.text()));
}

// Any text: the tokens cover it end to end, expanding no macro gives it back, and adding a
// condition keeps the statement's own text.
void checkAnyText(FuzzedDataProvider &in)
{
    const std::string c = in.ConsumeRandomLengthString(60);
    const std::string q = in.ConsumeRemainingBytesAsString();
    const QString sql = QString::fromUtf8(q.data(), static_cast<qsizetype>(q.size()));
    const QString condition = QString::fromUtf8(c.data(), static_cast<qsizetype>(c.size()));
    qsizetype at = 0;
    for (const auto &t : data::tokenizeSql(sql)) {
        check(t.start == at && t.length > 0, "tokens follow one another", shown(sql));
        at += t.length;
    }
    check(at == sql.size(), "tokens cover the text", shown(sql));
    check(data::expandSqlMacros(sql, [](const QString &) { return std::nullopt; }) == sql, "no macro, same text", shown(sql));
    const QString assembled = data::addSqlCondition(sql, condition);
    check(assembled.contains(condition), "the condition is in the statement", shown(sql) + u' ' + shown(condition));
    data::sqlMainTable(sql);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    if (in.ConsumeBool())
        checkAssembly(in);
    else
        checkAnyText(in);
    return 0;
}
