// The connection: options in force, direct statements, opening failures, the table list, the
// my_lower function and two programs contending for one database file.
#include "MyLower.h"
#include "TempDb.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/engines/SqliteEngine.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

using namespace data;
using namespace store;

namespace {

// The first column of every row of a query run straight on the engine, each value in brackets
// so that empty texts and NULL stay visible.
QString rows(Connection &conn, const QString &sql)
{
    sqlite3_stmt *raw = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(conn.handle(), text.constData(), int(text.size()), &raw, nullptr) != SQLITE_OK)
        return QStringLiteral("<error: %1>").arg(QString::fromUtf8(sqlite3_errmsg(conn.handle())));
    StatementPtr stmt(raw);
    QStringList values;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        if (sqlite3_column_type(stmt.get(), 0) == SQLITE_NULL)
            values << QStringLiteral("NULL");
        else
            values << u'[' + QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), 0))) + u']';
    }
    if (rc != SQLITE_DONE)
        return QStringLiteral("<error: %1>").arg(QString::fromUtf8(sqlite3_errmsg(conn.handle())));
    return values.join(u' ');
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

} // namespace

class TestConnection : public QObject {
    Q_OBJECT

private slots:
    void optionsInForce()
    {
        TempDb db;
        QVERIFY(db.conn.isOpen());
        QCOMPARE(db.conn.providerName(), QStringLiteral("SQLite"));
        QCOMPARE(db.conn.busyTimeout(), 1500);
        QVERIFY(db.conn.readUncommitted());
        QVERIFY(!db.conn.sharedCache());
        // Read back from the engine itself.
        QCOMPARE(rows(db.conn, QStringLiteral("PRAGMA busy_timeout")), QStringLiteral("[1500]"));
        QCOMPARE(rows(db.conn, QStringLiteral("PRAGMA read_uncommitted")), QStringLiteral("[1]"));
        QCOMPARE(rows(db.conn, QStringLiteral("PRAGMA foreign_keys")), QStringLiteral("[0]"));
    }

    // The catalogue relies on no foreign keys, and a row naming a missing holding is accepted.
    void foreignKeysNotEnforced()
    {
        TempDb db(QStringLiteral("CREATE TABLE books (id INTEGER PRIMARY KEY);"
                                 "CREATE TABLE orders (id INTEGER PRIMARY KEY, book_id INTEGER REFERENCES books (id));"));
        QCOMPARE(errorOf([&] { db.conn.runStatement(QStringLiteral("INSERT INTO orders (book_id) VALUES (42)")); }),
                 QStringLiteral("<no error>"));
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT book_id FROM orders")), QStringLiteral("[42]"));
    }

    void optionsOfAnotherEngineIgnored()
    {
        TempDb db;
        Connection conn;
        conn.setDatabase(db.path());
        conn.options() = {QStringLiteral("MySQL.BusyTimeout=10"), QStringLiteral("SQLite.BusyTimeout=1500")};
        conn.open();
        QCOMPARE(rows(conn, QStringLiteral("PRAGMA busy_timeout")), QStringLiteral("[1500]"));
        QCOMPARE(rows(conn, QStringLiteral("PRAGMA read_uncommitted")), QStringLiteral("[0]"));
    }

    void boundValuesKeepTheirText_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("positional") << "INSERT INTO t (name, n) VALUES (?, ?)";
        QTest::newRow("named") << "INSERT INTO t (name, n) VALUES (:name, :n)";
    }

    void boundValuesKeepTheirText()
    {
        QFETCH(QString, statement);
        TempDb db(QStringLiteral("CREATE TABLE t (name TEXT, n INTEGER)"));
        const QString text = QStringLiteral("O'Brien и д'Артаньян; DROP TABLE t; --");
        db.conn.runStatement(statement, {text, 7});
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT name FROM t")), u'[' + text + u']');
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT typeof(n) || ':' || n FROM t")), QStringLiteral("[integer:7]"));
    }

    void boundNullAndDate()
    {
        TempDb db(QStringLiteral("CREATE TABLE t (d DATE, x TEXT)"));
        db.conn.runStatement(QStringLiteral("INSERT INTO t VALUES (?, ?)"), {QDate(2024, 2, 29), QVariant()});
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT d FROM t")), QStringLiteral("[2024-02-29]"));
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT x FROM t")), QStringLiteral("NULL"));
    }

    // A statement handed out again for the same text starts as a fresh one would: no values bound
    // from its last use, the columns of a table changed since, and nothing of a closed connection.
    void keptStatementsStartFresh()
    {
        TempDb db(QStringLiteral("CREATE TABLE t (a INTEGER); INSERT INTO t VALUES (1);"));
        const auto firstValue = [&](const QString &sql, const QVariantList &values) {
            std::unique_ptr<EngineStatement> st = db.conn.prepare(sql);
            for (int i = 0; i < values.size(); ++i)
                st->bind(i + 1, values[i]);
            st->execute();
            if (!st->next())
                return std::pair(-1, -1);
            CellView cell[4];
            st->readRow(cell);
            return std::pair(st->columnCount(), cell[0].isNull() ? -1 : int(cell[0].integer));
        };
        QCOMPARE(firstValue(QStringLiteral("SELECT ?"), {5}), std::pair(1, 5));
        QCOMPARE(firstValue(QStringLiteral("SELECT ?"), {}), std::pair(1, -1));
        QCOMPARE(firstValue(QStringLiteral("SELECT * FROM t"), {}), std::pair(1, 1));
        db.conn.runStatement(QStringLiteral("ALTER TABLE t ADD COLUMN b TEXT; UPDATE t SET a = 2;"));
        QCOMPARE(firstValue(QStringLiteral("SELECT * FROM t"), {}), std::pair(2, 2));
        // Kept while the table is dropped, and while the connection closes under it.
        std::unique_ptr<EngineStatement> open = db.conn.prepare(QStringLiteral("SELECT a FROM t"));
        firstValue(QStringLiteral("SELECT a FROM t"), {});
        db.conn.runStatement(QStringLiteral("DROP TABLE t"));
        db.conn.close();
        open.reset();
        db.conn.open();
        QVERIFY_THROWS_EXCEPTION(DataError, firstValue(QStringLiteral("SELECT a FROM t"), {}));
    }

    void statementsRunAtOnceAndCommit()
    {
        TempDb db(QStringLiteral("CREATE TABLE t (n INTEGER);"
                                 "INSERT INTO t VALUES (1);"
                                 "INSERT INTO t VALUES (2);"));
        // Committed: a second connection sees the rows at once.
        Connection other;
        other.setDatabase(db.path());
        other.open();
        QCOMPARE(rows(other, QStringLiteral("SELECT n FROM t ORDER BY n")), QStringLiteral("[1] [2]"));
        QCOMPARE(db.conn.tableNames(), QStringList{"t"});
    }

    void rejectedStatementRaisesEngineMessage_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing table") << "INSERT INTO nosuch VALUES (1)" << "no such table: nosuch";
        QTest::newRow("missing column") << "UPDATE t SET nosuch = 1" << "no such column: nosuch";
        QTest::newRow("syntax") << "SELEC 1" << "near \"SELEC\": syntax error";
        QTest::newRow("constraint") << "INSERT INTO t (id) VALUES (1)" << "UNIQUE constraint failed: t.id";
        QTest::newRow("second statement of a text")
            << "INSERT INTO t (id) VALUES (5); INSERT INTO nosuch VALUES (1)" << "no such table: nosuch";
    }

    void rejectedStatementRaisesEngineMessage()
    {
        QFETCH(QString, statement);
        QFETCH(QString, message);
        TempDb db(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY); INSERT INTO t VALUES (1);"));
        QCOMPARE(errorOf([&] { db.conn.runStatement(statement); }), message);
        QVERIFY(db.conn.isOpen());
        db.conn.runStatement(QStringLiteral("INSERT INTO t VALUES (2)"));
    }

    void addSqlFunctionOnClosedConnection()
    {
        const QString closed = QStringLiteral("Operation is not allowed when the connection is closed");
        Connection never;
        QCOMPARE(errorOf([&] { never.addSqlFunction(QStringLiteral("my_lower"), 1, myLowerSqlFunction); }), closed);

        TempDb db;
        db.conn.close();
        QVERIFY(!db.conn.isOpen());
        QCOMPARE(errorOf([&] { db.conn.addSqlFunction(QStringLiteral("my_lower"), 1, myLowerSqlFunction); }), closed);
        db.conn.open();
        QCOMPARE(errorOf([&] { db.conn.addSqlFunction(QStringLiteral("my_lower"), 1, myLowerSqlFunction); }),
                 QStringLiteral("<no error>"));
    }

    void fileThatIsNotADatabaseFailsAtOpen()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("library.sdb"));
        QByteArray text;
        for (int i = 0; i < 40; ++i)
            text += "Это не база данных, а просто текст. This is not a database.\r\n";
        writeFile(path, text);
        Connection conn;
        conn.setDatabase(path);
        conn.options() = {QStringLiteral("SQLite.BusyTimeout=1500"), QStringLiteral("SQLite.ReadUncommitted=True")};
        QCOMPARE(errorOf([&] { conn.open(); }), QStringLiteral("file is not a database"));
        QVERIFY(!conn.isOpen());
        QCOMPARE(errorOf([&] { conn.runStatement(QStringLiteral("SELECT 1")); }),
                 QStringLiteral("Operation is not allowed when the connection is closed"));

        // The same connection opens a good file afterwards.
        conn.setDatabase(dir.filePath(QStringLiteral("good.sdb")));
        conn.open();
        QVERIFY(conn.isOpen());
    }

    void missingFolderFailsAtOpen()
    {
        QTemporaryDir dir;
        Connection conn;
        conn.setDatabase(dir.filePath(QStringLiteral("no/such/folder/library.sdb")));
        QCOMPARE(errorOf([&] { conn.open(); }), QStringLiteral("unable to open database file"));
        QVERIFY(!conn.isOpen());
    }

    // A reader of the catalogue (the Z39.50 target, the web catalogue) changes nothing, even by
    // mistake, and never makes an empty file where the catalogue should be.
    void readOnlyRefusesChanges_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("insert") << "INSERT INTO books (title) VALUES ('Новая')";
        QTest::newRow("update") << "UPDATE books SET title = 'Другая'";
        QTest::newRow("delete") << "DELETE FROM books";
        QTest::newRow("create") << "CREATE TABLE t (a INTEGER)";
        QTest::newRow("index") << "CREATE INDEX books_title ON books (title)";
    }
    void readOnlyRefusesChanges()
    {
        QFETCH(QString, statement);
        TempDb db(QStringLiteral("CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT); INSERT INTO books (title) VALUES ('Война и мир');"));
        Connection reader;
        reader.setDatabase(db.path());
        reader.options() = {QStringLiteral("SQLite.ReadOnly=True")};
        reader.open();
        QVERIFY(reader.readOnly());
        try {
            reader.runStatement(statement);
            QFAIL("the change was made");
        } catch (const DataError &e) {
            QCOMPARE(e.kind(), ErrorKind::ReadOnly);
        }
        QCOMPARE(rows(reader, QStringLiteral("SELECT title FROM books")), QStringLiteral("[Война и мир]"));
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT COUNT(*) FROM sqlite_master")), QStringLiteral("[1]"));
    }

    void readOnlyMakesNoFile()
    {
        QTemporaryDir dir;
        Connection reader;
        reader.setDatabase(dir.filePath(QStringLiteral("library.sdb")));
        reader.options() = {QStringLiteral("SQLite.ReadOnly=1")};
        QCOMPARE(errorOf([&] { reader.open(); }), QStringLiteral("unable to open database file"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("library.sdb"))));
    }

    void tableNames()
    {
        TempDb db(QStringLiteral("CREATE TABLE orders (id INTEGER PRIMARY KEY AUTOINCREMENT, book_id INTEGER);"
                                 "CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT);"
                                 "CREATE TABLE keywords (id INTEGER PRIMARY KEY, keyword TEXT, book_id INTEGER);"
                                 "CREATE INDEX keywords_book ON keywords (book_id);"
                                 "INSERT INTO orders (book_id) VALUES (1);"));
        QStringList names = db.conn.tableNames();
        names.sort();
        // Indexes and the engine's own tables (sqlite_sequence here) are no tables of the catalogue.
        QCOMPARE(names, (QStringList{"books", "keywords", "orders"}));
    }

    void myLower_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("expected");
        QTest::newRow("NULL gives the empty text") << "my_lower(NULL)" << "[]";
        QTest::newRow("the empty text") << "my_lower('')" << "[]";
        QTest::newRow("ЁЛКА") << "my_lower('ЁЛКА')" << "[ёлка]";
        QTest::newRow("whole Russian alphabet")
            << "my_lower('АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ')" << "[абвгдеёжзийклмнопрстуфхцчшщъыьэюя]";
        QTest::newRow("small letters stay") << "my_lower('абв ёж')" << "[абв ёж]";
        QTest::newRow("integer") << "my_lower(1999)" << "[1999]";
        QTest::newRow("real") << "my_lower(2.5)" << "[2.5]";
        QTest::newRow("mixed Latin and Cyrillic") << "my_lower('Война и МИР: WAR and Peace 1869')"
                                                  << "[война и мир: war and peace 1869]";
        QTest::newRow("Ukrainian and Belarusian letters") << "my_lower('ЄЇІЎ')" << "[єїіў]";
        QTest::newRow("German") << "my_lower('ÄÖÜ Straße')" << "[äöü straße]";
        QTest::newRow("Greek") << "my_lower('ΑΘΗΝΑ')" << "[αθηνα]";
        QTest::newRow("German beside Cyrillic") << "my_lower('Ärger МИР')" << "[ärger мир]";
        QTest::newRow("punctuation beyond ASCII") << "my_lower('«ЁЖ» — Ёж')" << "[«ёж» — ёж]";
        QTest::newRow("NUL inside the text") << "hex(my_lower('Abc' || char(0) || 'Def'))" << "[61626300646566]";
        QTest::newRow("NUL inside Cyrillic") << "hex(my_lower('Ё' || char(0) || 'Я'))" << "[D19100D18F]";
        QTest::newRow("result is text, not NULL") << "typeof(my_lower(NULL))" << "[text]";
        QTest::newRow("result of a number is text") << "typeof(my_lower(1999))" << "[text]";
    }

    void myLower()
    {
        QFETCH(QString, expression);
        QFETCH(QString, expected);
        TempDb db;
        db.conn.addSqlFunction(QStringLiteral("my_lower"), 1, myLowerSqlFunction);
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT ") + expression), expected);
    }

    // The engine's own LIKE ignores the case of Latin letters only; my_lower makes a Cyrillic
    // search find every spelling.
    void myLowerInsideLike()
    {
        TempDb db(QStringLiteral("CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT);"
                                 "INSERT INTO books VALUES (1, 'Война и мир');"
                                 "INSERT INTO books VALUES (2, 'ВОЙНА МИРОВ');"
                                 "INSERT INTO books VALUES (3, 'Мир');"
                                 "INSERT INTO books VALUES (4, 'Ёлка');"
                                 "INSERT INTO books VALUES (5, NULL);"
                                 "INSERT INTO books VALUES (6, 'War and Peace');"));
        db.conn.addSqlFunction(QStringLiteral("my_lower"), 1, myLowerSqlFunction);
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT id FROM books WHERE title LIKE '%война%' ORDER BY id")),
                 QString());
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT id FROM books WHERE my_lower(title) LIKE '%война%' ORDER BY id")),
                 QStringLiteral("[1] [2]"));
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT id FROM books WHERE my_lower(title) LIKE '%мир%' ORDER BY id")),
                 QStringLiteral("[1] [2] [3]"));
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT id FROM books WHERE my_lower(title) LIKE 'ёлка' ORDER BY id")),
                 QStringLiteral("[4]"));
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT id FROM books WHERE my_lower(title) LIKE '%peace%' ORDER BY id")),
                 QStringLiteral("[6]"));
        // NULL lower-cases to the empty text, which '%' matches.
        QCOMPARE(rows(db.conn, QStringLiteral("SELECT COUNT(*) FROM books WHERE my_lower(title) LIKE '%'")),
                 QStringLiteral("[6]"));
    }

    // A second program holding the file: the write waits out the busy timeout and then fails
    // with the engine's error; once the holder commits the write goes through.
    void lockContention()
    {
        TempDb a(QStringLiteral("CREATE TABLE t (n INTEGER)"));
        Connection b;
        b.setDatabase(a.path());
        b.options() = {QStringLiteral("SQLite.BusyTimeout=1500"), QStringLiteral("SQLite.ReadUncommitted=True")};
        b.open();

        a.conn.runStatement(QStringLiteral("BEGIN EXCLUSIVE"));
        QElapsedTimer timer;
        timer.start();
        const QString error = errorOf([&] { b.runStatement(QStringLiteral("INSERT INTO t VALUES (1)")); });
        const qint64 waited = timer.elapsed();
        QCOMPARE(error, QStringLiteral("database is locked"));
        QVERIFY2(waited >= 1400 && waited < 5000, qPrintable(QStringLiteral("waited %1 ms").arg(waited)));

        a.conn.runStatement(QStringLiteral("COMMIT"));
        QCOMPARE(errorOf([&] { b.runStatement(QStringLiteral("INSERT INTO t VALUES (2)")); }), QStringLiteral("<no error>"));
        QCOMPARE(rows(a.conn, QStringLiteral("SELECT n FROM t")), QStringLiteral("[2]"));
    }
};

QTEST_GUILESS_MAIN(TestConnection)
#include "test_connection.moc"
