// The SQL text the server engine sends: placeholders and statement breaks found only outside
// quotes and comments, values as literals of the session's dialect, and my_lower written inline.
#include "MyLower.h"
#include "data/engines/ServerSql.h"

#include <QDate>
#include <QTest>

using namespace data;
using namespace store;

class TestSqlForServer : public QObject {
    Q_OBJECT
private slots:
    void placeholders_data()
    {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QByteArray>("found"); // names, "?" for a positional one
        QTest::newRow("both kinds") << QByteArray("SELECT * FROM t WHERE a = :key AND b = ?") << QByteArray("key ?");
        QTest::newRow("in quotes") << QByteArray("SELECT '?', \":x\", `?` FROM t WHERE a = ?") << QByteArray("?");
        QTest::newRow("in comments") << QByteArray("SELECT 1 -- ?\n# :a\n/* ? */ + ?") << QByteArray("?");
        QTest::newRow("doubled quote") << QByteArray("SELECT 'it''s ?' || :b") << QByteArray("b");
        QTest::newRow("not a comment") << QByteArray("SELECT 1--?") << QByteArray("?");
        QTest::newRow("time and cast") << QByteArray("SELECT '10:30', a::int, x:=1") << QByteArray("");
    }
    void placeholders()
    {
        QFETCH(QByteArray, sql);
        QFETCH(QByteArray, found);
        QByteArrayList names;
        for (const SqlPlaceholder &p : serverPlaceholders(sql))
            names << (p.name.isEmpty() ? QByteArray("?") : p.name);
        QCOMPARE(names.join(' '), found);
    }

    void statements()
    {
        const QByteArray script = "CREATE TABLE a (x TEXT DEFAULT ';');\n-- a ; comment\nINSERT INTO a VALUES ('1;2');"
                                  " /* ; */ ;\nSELECT \"a;b\"";
        qsizetype rest = 0;
        QByteArrayList pieces;
        for (const SqlPiece &p : splitServerStatements(script, &rest))
            pieces << script.mid(p.start, p.size).trimmed();
        QCOMPARE(pieces, QByteArrayList({"CREATE TABLE a (x TEXT DEFAULT ';')", "-- a ; comment\nINSERT INTO a VALUES ('1;2')"}));
        QCOMPARE(script.mid(rest).trimmed(), QByteArray("SELECT \"a;b\""));
        QVERIFY(!onlyBlanksAndComments(script, rest));
        QVERIFY(onlyBlanksAndComments(" -- x\n/* y */ # z"));
    }

    void literals_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QByteArray>("literal");
        QTest::newRow("null") << QVariant() << QByteArray("NULL");
        QTest::newRow("integer") << QVariant(qlonglong(-42)) << QByteArray("-42");
        QTest::newRow("real") << QVariant(12.5) << QByteArray("12.5");
        QTest::newRow("not a number") << QVariant(qQNaN()) << QByteArray("NULL");
        QTest::newRow("date") << QVariant(QDate(2024, 2, 9)) << QByteArray("'2024-02-09'");
        QTest::newRow("bytes") << QVariant(QByteArray("\x01\xff", 2)) << QByteArray("X'01FF'");
        QTest::newRow("text") << QVariant(QStringLiteral("O'Brien \\ ; --")) << QByteArray("'O''Brien \\ ; --'");
    }
    void literals()
    {
        QFETCH(QVariant, value);
        QFETCH(QByteArray, literal);
        QCOMPARE(serverLiteral(value), literal);
    }

    void filledInOrder()
    {
        const QByteArray sql = "UPDATE t SET a = ?, b = ':no' WHERE id = :id";
        QCOMPARE(withLiterals(sql, serverPlaceholders(sql), {QStringLiteral("x'"), 7}),
                 QByteArray("UPDATE t SET a = 'x''', b = ':no' WHERE id = 7"));
        QCOMPARE(quotedServerName(QStringLiteral("lib`; DROP DATABASE x; --")), QByteArray("`lib``; DROP DATABASE x; --`"));
    }

    void myLowerInlined_data()
    {
        QTest::addColumn<QByteArray>("sql");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("call") << QByteArray("my_lower(title) LIKE '%а%'") << QByteArray("IFNULL(LOWER(title), '') LIKE '%а%'");
        QTest::newRow("nested and spaced") << QByteArray("MY_LOWER (f(a, my_lower(b)))")
                                           << QByteArray("IFNULL(LOWER(f(a, IFNULL(LOWER(b), ''))), '')");
        QTest::newRow("in a literal") << QByteArray("'my_lower(x)'") << QByteArray("'my_lower(x)'");
        QTest::newRow("quoted name") << QByteArray("`my_lower`(x)") << QByteArray("`my_lower`(x)");
        QTest::newRow("qualified") << QByteArray("lib.my_lower(x)") << QByteArray("lib.my_lower(x)");
        QTest::newRow("declaration") << QByteArray("CREATE FUNCTION my_lower(s TEXT) RETURNS TEXT RETURN LOWER(s)")
                                     << QByteArray("CREATE FUNCTION my_lower(s TEXT) RETURNS TEXT RETURN LOWER(s)");
        QTest::newRow("longer name") << QByteArray("my_lower2(x)") << QByteArray("my_lower2(x)");
    }
    void myLowerInlined()
    {
        QFETCH(QByteArray, sql);
        QFETCH(QByteArray, sent);
        QCOMPARE(inlineMyLower(sql), sent);
    }

    void charCallsBetweenEngines()
    {
        const QByteArray sqlite = "INSERT INTO t VALUES (('a'||char(128512,8721)||'b'), '||char(1)');";
        const QByteArray server =
            "INSERT INTO t VALUES (('a'||CONVERT(char(128512,8721 USING utf32) USING utf8mb4)||'b'), '||char(1)');";
        QCOMPARE(charCallsForServer(sqlite), server);
        QCOMPARE(charCallsForSqlite(server), sqlite);
    }
};

QTEST_GUILESS_MAIN(TestSqlForServer)
#include "test_sqlforserver.moc"
