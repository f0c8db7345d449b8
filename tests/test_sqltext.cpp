// Statement assembly: conditions added to SELECT statements, macros and parameter names, checked
// both as text and by running the assembled statements against a real database.
#include "TempDb.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"
#include "data/engines/SqliteEngine.h"
#include "data/text/SqlText.h"

#include <QTest>

#include <map>

using namespace data;

namespace {

// Spacing is free in assembled SQL, so texts are compared with runs of blanks collapsed and
// no blank just inside brackets.
QString normalized(const QString &sql)
{
    QString s = sql.simplified();
    s.replace(QStringLiteral("( "), QStringLiteral("("));
    s.replace(QStringLiteral(" )"), QStringLiteral(")"));
    return s;
}

const char *const Schema = R"(
CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT, onloan INTEGER, itemkind_id INTEGER, author TEXT);
INSERT INTO books VALUES (1, 'Война и мир', 1, 1, 'Толстой');
INSERT INTO books VALUES (2, 'Анна Каренина', 0, 1, 'Толстой');
INSERT INTO books VALUES (3, 'Журнал', 1, 2, NULL);
INSERT INTO books VALUES (4, 'Диссертация', 0, 3, 'Иванов');
INSERT INTO books VALUES (5, 'Справочник', 0, 2, '');
CREATE TABLE orders (id INTEGER PRIMARY KEY, book_id INTEGER);
INSERT INTO orders VALUES (1, 1);
INSERT INTO orders VALUES (2, 4);
INSERT INTO orders VALUES (3, 1);
CREATE TABLE keywords (id INTEGER PRIMARY KEY, keyword TEXT, book_id INTEGER);
INSERT INTO keywords VALUES (1, 'война', 1);
INSERT INTO keywords VALUES (2, 'роман', 2);
INSERT INTO keywords VALUES (3, 'роман', 5);
INSERT INTO keywords VALUES (4, 'романс', 5);
CREATE TABLE categories (id INTEGER PRIMARY KEY, title TEXT, parent INTEGER, has_children INTEGER);
INSERT INTO categories VALUES (1, 'История', 0, 1);
INSERT INTO categories VALUES (2, 'Физика', 0, 0);
INSERT INTO categories VALUES (3, 'Древний мир', 1, 0);
INSERT INTO categories VALUES (4, 'Астрономия', 0, 0);
)";

// Runs a statement straight on the engine and gives the first column of every row, blank-separated.
QString firstColumn(Connection &conn, const QString &sql, const std::map<QString, QVariant> &params = {})
{
    sqlite3_stmt *raw = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(conn.handle(), text.constData(), int(text.size()), &raw, nullptr) != SQLITE_OK)
        return QStringLiteral("<error: %1>").arg(QString::fromUtf8(sqlite3_errmsg(conn.handle())));
    StatementPtr stmt(raw);
    for (const auto &[name, value] : params) {
        const int index = sqlite3_bind_parameter_index(stmt.get(), (u':' + name).toUtf8().constData());
        if (index > 0)
            bindSqlValue(stmt.get(), index, value);
    }
    QStringList values;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
        values << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), 0)));
    if (rc != SQLITE_DONE)
        return QStringLiteral("<error: %1>").arg(QString::fromUtf8(sqlite3_errmsg(conn.handle())));
    return values.join(u' ');
}

// The first column of every row a dataset holds, in its order.
QString firstColumn(Dataset &ds)
{
    QStringList values;
    for (ds.first(); !ds.eof(); ds.next())
        values << ds.field(0).asString();
    return values.join(u' ');
}

} // namespace

class TestSqlText : public QObject {
    Q_OBJECT

private slots:
    void conditionIsAddedAsText_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QString>("expected");

        QTest::newRow("no WHERE: appended")
            << "SELECT * FROM books" << "itemkind_id = 3" << "SELECT * FROM books WHERE itemkind_id = 3";
        QTest::newRow("no WHERE: before ORDER")
            << "SELECT * FROM categories ORDER BY title ASC" << "parent = 0"
            << "SELECT * FROM categories WHERE parent = 0 ORDER BY title ASC";
        QTest::newRow("WHERE: existing condition bracketed")
            << "SELECT id, keyword, book_id FROM keywords WHERE keyword LIKE :key" << "book_id = 5"
            << "SELECT id, keyword, book_id FROM keywords WHERE (keyword LIKE :key) AND book_id = 5";
        QTest::newRow("WHERE and ORDER")
            << "SELECT * FROM books WHERE onloan = 1 ORDER BY title" << "itemkind_id = 2"
            << "SELECT * FROM books WHERE (onloan = 1) AND itemkind_id = 2 ORDER BY title";
        QTest::newRow("stop at GROUP")
            << "SELECT COUNT(*), itemkind_id FROM books GROUP BY itemkind_id" << "onloan = 1"
            << "SELECT COUNT(*), itemkind_id FROM books WHERE onloan = 1 GROUP BY itemkind_id";
        QTest::newRow("stop at HAVING")
            << "SELECT COUNT(*) FROM books HAVING COUNT(*) > 1" << "onloan = 1"
            << "SELECT COUNT(*) FROM books WHERE onloan = 1 HAVING COUNT(*) > 1";
        QTest::newRow("stop at UNION")
            << "SELECT id FROM books UNION SELECT book_id FROM orders" << "id > 1"
            << "SELECT id FROM books WHERE id > 1 UNION SELECT book_id FROM orders";
        QTest::newRow("stop at MINUS")
            << "SELECT id FROM books MINUS SELECT book_id FROM orders" << "id > 1"
            << "SELECT id FROM books WHERE id > 1 MINUS SELECT book_id FROM orders";
        QTest::newRow("WHERE before UNION")
            << "SELECT id FROM books WHERE onloan = 1 UNION SELECT book_id FROM orders WHERE id > 2" << "id > 1"
            << "SELECT id FROM books WHERE (onloan = 1) AND id > 1 UNION SELECT book_id FROM orders WHERE id > 2";
        QTest::newRow("stop at LIMIT")
            << "SELECT * FROM books LIMIT 2" << "onloan = 1" << "SELECT * FROM books WHERE onloan = 1 LIMIT 2";
        QTest::newRow("ORDER before LIMIT")
            << "SELECT * FROM books ORDER BY id LIMIT 2" << "onloan = 1"
            << "SELECT * FROM books WHERE onloan = 1 ORDER BY id LIMIT 2";
        QTest::newRow("keywords in any case")
            << "select * from books where onloan = 1 order by title" << "itemkind_id = 2"
            << "select * from books where (onloan = 1) AND itemkind_id = 2 order by title";
        QTest::newRow("WHERE in a subquery of FROM is not the outer one")
            << "SELECT * FROM (SELECT * FROM books WHERE onloan = 1) ORDER BY title" << "itemkind_id = 2"
            << "SELECT * FROM (SELECT * FROM books WHERE onloan = 1) WHERE itemkind_id = 2 ORDER BY title";
        QTest::newRow("WHERE in a column subquery is not the outer one")
            << "SELECT id, (SELECT COUNT(*) FROM orders WHERE book_id = books.id) AS n FROM books" << "onloan = 1"
            << "SELECT id, (SELECT COUNT(*) FROM orders WHERE book_id = books.id) AS n FROM books WHERE onloan = 1";
        QTest::newRow("ORDER in a subquery is no stop")
            << "SELECT * FROM books WHERE id IN (SELECT book_id FROM orders ORDER BY id LIMIT 3)" << "onloan = 1"
            << "SELECT * FROM books WHERE (id IN (SELECT book_id FROM orders ORDER BY id LIMIT 3)) AND onloan = 1";
        QTest::newRow("WHERE in a string")
            << "SELECT 'no WHERE here' AS note, id FROM books" << "id = 1"
            << "SELECT 'no WHERE here' AS note, id FROM books WHERE id = 1";
        QTest::newRow("ORDER and a bracket in a string")
            << "SELECT * FROM books WHERE title <> 'ORDER BY (' ORDER BY id" << "id = 1"
            << "SELECT * FROM books WHERE (title <> 'ORDER BY (') AND id = 1 ORDER BY id";
        QTest::newRow("WHERE in a block comment")
            << "SELECT * FROM books /* WHERE x ORDER BY y */" << "id = 1"
            << "SELECT * FROM books /* WHERE x ORDER BY y */ WHERE id = 1";
        QTest::newRow("WHERE as a quoted name")
            << "SELECT id AS \"where\" FROM books" << "id = 1" << "SELECT id AS \"where\" FROM books WHERE id = 1";
        QTest::newRow("a word that only begins like a stop")
            << "SELECT id AS ordered, itemkind_id AS grouping FROM books" << "id = 1"
            << "SELECT id AS ordered, itemkind_id AS grouping FROM books WHERE id = 1";
        QTest::newRow("trailing semicolon stays last")
            << "SELECT * FROM books;" << "id = 1" << "SELECT * FROM books WHERE id = 1;";
        QTest::newRow("line breaks")
            << "SELECT *\nFROM books\nWHERE onloan = 1\nORDER BY title" << "id = 1"
            << "SELECT * FROM books WHERE (onloan = 1) AND id = 1 ORDER BY title";
        QTest::newRow("existing condition with OR")
            << "SELECT * FROM books WHERE onloan = 1 OR onloan = 0" << "id = 1"
            << "SELECT * FROM books WHERE (onloan = 1 OR onloan = 0) AND id = 1";
        QTest::newRow("added condition with OR is bracketed")
            << "SELECT * FROM books WHERE onloan = 1" << "itemkind_id = 1 OR itemkind_id = 2"
            << "SELECT * FROM books WHERE (onloan = 1) AND (itemkind_id = 1 OR itemkind_id = 2)";
        QTest::newRow("added condition with OR, no WHERE")
            << "SELECT * FROM books" << "itemkind_id = 1 or itemkind_id = 2"
            << "SELECT * FROM books WHERE (itemkind_id = 1 or itemkind_id = 2)";
        QTest::newRow("OR only inside brackets: not bracketed again")
            << "SELECT * FROM books" << "(itemkind_id = 1 OR itemkind_id = 2) AND onloan = 1"
            << "SELECT * FROM books WHERE (itemkind_id = 1 OR itemkind_id = 2) AND onloan = 1";
        QTest::newRow("OR only inside a string: not bracketed")
            << "SELECT * FROM books" << "title = 'war OR peace'" << "SELECT * FROM books WHERE title = 'war OR peace'";
        QTest::newRow("two conditions joined by AND")
            << "SELECT * FROM books" << "my_lower(title) LIKE '%война%' AND itemkind_id = 1"
            << "SELECT * FROM books WHERE my_lower(title) LIKE '%война%' AND itemkind_id = 1";
    }

    void conditionIsAddedAsText()
    {
        QFETCH(QString, sql);
        QFETCH(QString, condition);
        QFETCH(QString, expected);
        QCOMPARE(normalized(addSqlCondition(sql, condition)), expected);
    }

    // What matters is what the assembled statement selects, so each is run on real tables.
    void assembledStatementSelectsTheRightRows_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        QTest::newRow("books of one kind") << "SELECT id FROM books" << "itemkind_id = 1" << "" << "1 2";
        QTest::newRow("root rubrics by title")
            << "SELECT id FROM categories ORDER BY title ASC" << "parent = 0" << "" << "4 1 2";
        QTest::newRow("keywords of a holding")
            << "SELECT id, keyword, book_id FROM keywords WHERE keyword LIKE :key" << "book_id = 5" << "роман"
            << "3";
        QTest::newRow("existing OR kept together")
            << "SELECT id FROM books WHERE itemkind_id = 1 OR itemkind_id = 2 ORDER BY id" << "onloan = 1" << ""
            << "1 3";
        QTest::newRow("added OR kept together")
            << "SELECT id FROM books WHERE onloan = 0 ORDER BY id" << "itemkind_id = 1 OR itemkind_id = 2" << ""
            << "2 5";
        QTest::newRow("GROUP BY")
            << "SELECT itemkind_id FROM books GROUP BY itemkind_id ORDER BY itemkind_id" << "onloan = 1" << ""
            << "1 2";
        QTest::newRow("HAVING counts the filtered rows")
            << "SELECT itemkind_id FROM books GROUP BY itemkind_id HAVING COUNT(*) > 1 ORDER BY itemkind_id"
            << "id > 1" << "" << "2";
        QTest::newRow("UNION: first part only")
            << "SELECT id FROM books UNION SELECT book_id FROM orders ORDER BY 1" << "onloan = 1" << "" << "1 3 4";
        QTest::newRow("LIMIT after the condition")
            << "SELECT id FROM books LIMIT 2" << "onloan = 0" << "" << "2 4";
        QTest::newRow("ORDER and LIMIT")
            << "SELECT id FROM books ORDER BY id DESC LIMIT 2" << "onloan = 1" << "" << "3 1";
        QTest::newRow("subquery in FROM")
            << "SELECT id FROM (SELECT * FROM books WHERE onloan = 0) ORDER BY id" << "itemkind_id = 2" << ""
            << "5";
        QTest::newRow("subquery in the column list")
            << "SELECT id, (SELECT COUNT(*) FROM orders WHERE book_id = books.id) AS loans FROM books"
            << "onloan = 1" << "" << "1 3";
        QTest::newRow("ORDER and LIMIT inside IN")
            << "SELECT id FROM books WHERE id IN (SELECT book_id FROM orders ORDER BY id LIMIT 2)" << "onloan = 0"
            << "" << "4";
        QTest::newRow("keywords and a bracket in a string")
            << "SELECT id FROM books WHERE title <> 'ORDER BY WHERE (' ORDER BY id" << "itemkind_id = 2" << ""
            << "3 5";
        QTest::newRow("block comment")
            << "SELECT id FROM books /* WHERE onloan = 1 ORDER BY x */ ORDER BY id" << "itemkind_id = 1" << ""
            << "1 2";
        QTest::newRow("line comment before ORDER")
            << "SELECT id FROM books -- every holding\nORDER BY id DESC" << "itemkind_id = 1" << "" << "2 1";
        QTest::newRow("line comment at the end")
            << "SELECT id FROM books\n-- every holding" << "itemkind_id = 2" << "" << "3 5";
        QTest::newRow("line comment after the existing condition")
            << "SELECT id FROM books WHERE onloan = 1 -- lent\nORDER BY id" << "itemkind_id = 1" << "" << "1";
        QTest::newRow("trailing semicolon") << "SELECT id FROM books;" << "onloan = 1" << "" << "1 3";
        QTest::newRow("lower-case keywords")
            << "select id from books where onloan = 0 order by id desc" << "itemkind_id <> 3" << "" << "5 2";
        QTest::newRow("quoted name \"where\"")
            << "SELECT id AS \"where\" FROM books" << "onloan = 1" << "" << "1 3";
        QTest::newRow("line breaks")
            << "SELECT id\nFROM books\nWHERE onloan = 1\nORDER BY id DESC" << "itemkind_id = 1" << "" << "1";
        QTest::newRow("added OR ending in a line comment")
            << "SELECT id FROM books" << "itemkind_id = 1 OR itemkind_id = 3 -- note" << "" << "1 2 4";
        QTest::newRow("line comment after the final semicolon")
            << "SELECT id FROM books; -- done" << "onloan = 1" << "" << "1 3";
        QTest::newRow("INTERSECT: first part only")
            << "SELECT id FROM books INTERSECT SELECT book_id FROM orders" << "itemkind_id = 1" << "" << "1";
        QTest::newRow("EXCEPT: first part only")
            << "SELECT id FROM books EXCEPT SELECT book_id FROM orders" << "onloan = 1" << "" << "3";
        QTest::newRow("WITH: the main SELECT, not the one inside")
            << "WITH lent AS (SELECT * FROM books WHERE onloan = 1 ORDER BY id LIMIT 5) SELECT id FROM lent ORDER BY id"
            << "itemkind_id = 2" << "" << "3";
        QTest::newRow("WINDOW comes after the condition")
            << "SELECT id, COUNT(*) OVER w FROM books WINDOW w AS (ORDER BY id) ORDER BY id" << "onloan = 0" << ""
            << "2 4 5";
        QTest::newRow("author condition with LIKE")
            << "SELECT DISTINCT author FROM books" << "author LIKE 'Т%'" << "" << "Толстой";
    }

    void assembledStatementSelectsTheRightRows()
    {
        QFETCH(QString, sql);
        QFETCH(QString, condition);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        TempDb db(QString::fromUtf8(Schema));
        const QString assembled = addSqlCondition(sql, condition);
        std::map<QString, QVariant> params;
        if (!key.isEmpty())
            params[QStringLiteral("key")] = key;
        const QString rows = firstColumn(db.conn, assembled, params);
        QVERIFY2(rows == expected, qPrintable(QStringLiteral("%1\n   gave: %2\n   wanted: %3").arg(assembled, rows, expected)));
        // And without the condition the statement selects something else, so the rows above prove it took effect.
        QVERIFY(firstColumn(db.conn, sql, params) != expected);
    }

    void macroNames_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("distinct values query")
            << "SELECT DISTINCT &field FROM &TABLENAME WHERE &field LIKE '_%' ORDER BY &order"
            << QStringList{"field", "TABLENAME", "order"};
        QTest::newRow("name extended by a number")
            << "SELECT &f, &f1, &f12 FROM t WHERE &f1 = 1" << QStringList{"f", "f1", "f12"};
        QTest::newRow("name with underscore") << "SELECT * FROM &table_name" << QStringList{"table_name"};
        QTest::newRow("inside quotes and comments")
            << "SELECT '&text', \"&name\", [&bracket] FROM t -- &line\n/* &block */ WHERE &real = 1"
            << QStringList{"real"};
        QTest::newRow("ampersand as an operator") << "SELECT flags & 4, flags &1 FROM t" << QStringList{};
        QTest::newRow("none") << "SELECT * FROM books" << QStringList{};
    }

    void macroNames()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, names);
        QCOMPARE(sqlMacroNames(sql), names);
    }

    void macrosExpand_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");

        QTest::newRow("every occurrence takes the one value")
            << "SELECT DISTINCT &field FROM &TABLENAME WHERE &field LIKE '_%' ORDER BY &order"
            << "SELECT DISTINCT source FROM books WHERE source LIKE '_%' ORDER BY source DESC";
        QTest::newRow("name extended by a number is another macro")
            << "SELECT &f, &f1 FROM &TABLENAME" << "SELECT [f], [f1] FROM books";
        QTest::newRow("quotes and comments untouched")
            << "SELECT '&field' FROM &TABLENAME -- &order\n/* &f */"
            << "SELECT '&field' FROM books -- &order\n/* &f */";
        QTest::newRow("unknown macro stays") << "SELECT &nosuch FROM &TABLENAME" << "SELECT &nosuch FROM books";
        QTest::newRow("macro glued to text") << "SELECT x&f FROM t" << "SELECT x[f] FROM t";
    }

    void macrosExpand()
    {
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        const std::map<QString, QString> values = {{"field", "source"},
                                                   {"TABLENAME", "books"},
                                                   {"order", "source DESC"},
                                                   {"f", "[f]"},
                                                   {"f1", "[f1]"}};
        const QString expanded = expandSqlMacros(sql, [&values](const QString &name) -> std::optional<QString> {
            const auto it = values.find(name);
            return it == values.end() ? std::nullopt : std::optional<QString>(it->second);
        });
        QCOMPARE(expanded, expected);
    }

    void paramNames_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("keyword filter")
            << "SELECT id, keyword, book_id FROM keywords WHERE keyword LIKE :key" << QStringList{"key"};
        QTest::newRow("first appearance, once each")
            << "SELECT * FROM t WHERE a = :b AND c = :a OR d = :b" << QStringList{"b", "a"};
        QTest::newRow("inside quotes and comments")
            << "SELECT '12:30', ':x' FROM t -- :y\nWHERE z = :real /* :w */" << QStringList{"real"};
        QTest::newRow("master link") << "SELECT * FROM keywords WHERE book_id = :id" << QStringList{"id"};
    }

    void paramNames()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, names);
        QCOMPARE(sqlParamNames(sql), names);
    }

    // Posted edits go to the first table named after the outer FROM.
    void mainTable_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("table");
        QTest::newRow("plain") << "SELECT * FROM books" << "books";
        QTest::newRow("ordered") << "SELECT * FROM v_itemkind ORDER BY id" << "v_itemkind";
        QTest::newRow("subquery in the column list")
            << "SELECT id, (SELECT COUNT(*) FROM orders) FROM keywords WHERE book_id = 1" << "keywords";
        QTest::newRow("quoted") << "select * from \"categories\"" << "categories";
        QTest::newRow("subquery in FROM: no table") << "SELECT * FROM (SELECT * FROM books) WHERE id = 1" << "";
        QTest::newRow("after a WITH clause") << "WITH o AS (SELECT * FROM orders) SELECT * FROM books" << "books";
    }

    void mainTable()
    {
        QFETCH(QString, sql);
        QFETCH(QString, table);
        QCOMPARE(sqlMainTable(sql), table);
    }

    // The distinct-values query: macros by position, and both &field take macro 0.
    void datasetMacrosByPosition()
    {
        TempDb db(QString::fromUtf8(Schema));
        Dataset ds(&db.conn);
        ds.setSql(QStringLiteral("SELECT DISTINCT &field FROM &TABLENAME WHERE &field LIKE '_%' ORDER BY &order"));
        QCOMPARE(ds.macroCount(), 3);
        QCOMPARE(ds.macro(0).name, QStringLiteral("field"));
        QCOMPARE(ds.macro(1).name, QStringLiteral("TABLENAME"));
        QCOMPARE(ds.macro(2).name, QStringLiteral("order"));
        ds.macro(0).value = QStringLiteral("author");
        ds.macro(1).value = QStringLiteral("books");
        ds.macro(2).value = QStringLiteral("author");
        QCOMPARE(normalized(ds.assembledSql()),
                 QStringLiteral("SELECT DISTINCT author FROM books WHERE author LIKE '_%' ORDER BY author"));
        ds.open();
        // NULL and the empty author are left out by LIKE '_%'.
        QCOMPARE(firstColumn(ds), QStringLiteral("Иванов Толстой"));
    }

    void datasetMacroValueSurvivesNewText()
    {
        TempDb db(QString::fromUtf8(Schema));
        Dataset ds(&db.conn);
        ds.setSql(QStringLiteral("SELECT id FROM &TABLENAME ORDER BY &order"));
        ds.macroByName(QStringLiteral("TABLENAME")).value = QStringLiteral("orders");
        ds.macroByName(QStringLiteral("order")).value = QStringLiteral("id DESC");
        ds.open();
        QCOMPARE(firstColumn(ds), QStringLiteral("3 2 1"));

        // A new text keeps the value of a macro of the same name and closes the dataset.
        ds.setSql(QStringLiteral("SELECT &what FROM &TABLENAME ORDER BY id"));
        QVERIFY(!ds.active());
        QCOMPARE(ds.macroCount(), 2);
        QCOMPARE(ds.macro(0).name, QStringLiteral("what"));
        QCOMPARE(ds.macro(0).value, QString());
        QCOMPARE(ds.macro(1).value, QStringLiteral("orders"));
        ds.macro(0).value = QStringLiteral("book_id");
        ds.open();
        QCOMPARE(firstColumn(ds), QStringLiteral("1 4 1"));
    }

    void datasetSwitchedOffMacroInsertsNothing()
    {
        TempDb db(QString::fromUtf8(Schema));
        Dataset ds(&db.conn);
        ds.setSql(QStringLiteral("SELECT id FROM books ORDER BY id &direction"));
        ds.macro(0).value = QStringLiteral("DESC");
        ds.open();
        QCOMPARE(firstColumn(ds), QStringLiteral("5 4 3 2 1"));
        ds.close();
        ds.macro(0).active = false;
        QCOMPARE(normalized(ds.assembledSql()), QStringLiteral("SELECT id FROM books ORDER BY id"));
        ds.open();
        QCOMPARE(firstColumn(ds), QStringLiteral("1 2 3 4 5"));
    }

    // The keyword pane's query: a parameter, and an SQL filter added to its own WHERE.
    void datasetParamAndFilter()
    {
        TempDb db(QString::fromUtf8(Schema));
        Dataset ds(&db.conn);
        ds.setSql(QStringLiteral("SELECT id, keyword, book_id FROM keywords WHERE keyword LIKE :key"));
        QCOMPARE(ds.paramCount(), 1);
        QCOMPARE(ds.param(0).name, QStringLiteral("key"));
        ds.paramByName(QStringLiteral("key")).value = QStringLiteral("роман%");
        ds.open();
        QCOMPARE(firstColumn(ds), QStringLiteral("2 3 4"));

        ds.setFilterSQL(QStringLiteral("book_id = 5"));
        QCOMPARE(normalized(ds.assembledSql()),
                 QStringLiteral("SELECT id, keyword, book_id FROM keywords WHERE (keyword LIKE :key) AND book_id = 5"));
        QCOMPARE(firstColumn(ds), QStringLiteral("3 4"));

        // A new parameter value takes effect at the next execution.
        ds.paramByName(QStringLiteral("key")).value = QStringLiteral("роман");
        ds.refresh();
        QCOMPARE(firstColumn(ds), QStringLiteral("3"));
    }

    // A filter on a statement with ORDER BY lands before it: the sort of the text still holds.
    void datasetFilterOnOrderedText()
    {
        TempDb db(QString::fromUtf8(Schema));
        Dataset ds(&db.conn);
        ds.setSql(QStringLiteral("SELECT * FROM categories ORDER BY title ASC"));
        ds.setFilterSQL(QStringLiteral("parent = 0"));
        QCOMPARE(normalized(ds.assembledSql()),
                 QStringLiteral("SELECT * FROM categories WHERE parent = 0 ORDER BY title ASC"));
        ds.open();
        QCOMPARE(firstColumn(ds), QStringLiteral("4 1 2"));
    }
};

QTEST_GUILESS_MAIN(TestSqlText)
#include "test_sqltext.moc"
