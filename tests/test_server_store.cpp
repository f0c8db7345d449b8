// What the dataset layer does on a server that it need not do on a file: found-row counts, waits
// for a lock held by another computer, a session that goes away, values sent as literals, the
// server's my_lower, and a backup of a server catalogue restored on the server.
#include "CatalogueTables.h"
#include "SchemaCreation.h"
#include "TempDb.h"
#include "TestServer.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"
#include "data/script/ScriptDump.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <thread>
#include <QTest>

using namespace data;
using namespace store;

namespace {

QString first(Connection &c, const QString &sql)
{
    Dataset ds(&c);
    ds.setSql(sql);
    ds.open();
    return ds.isEmpty() ? QStringLiteral("<no row>") : ds.field(0).isNull() ? QStringLiteral("<NULL>") : ds.field(0).asString();
}

QString installScript() { return QStringLiteral(LIBRARY_SOURCE_DIR "/resources/install_db.sql"); }
QString resource(const char *name) { return QStringLiteral(LIBRARY_SOURCE_DIR "/resources/") + QLatin1String(name); }

// The catalogue as the creation script of earlier versions made it: case- and ё-blind text of at
// most 64 KiB, 32-bit numbers, tables without transactions.
QString olderInstallScript()
{
    QFile f(installScript());
    f.open(QIODevice::ReadOnly);
    QString script = QString::fromUtf8(f.readAll());
    script.replace(QRegularExpression(QStringLiteral("LONGTEXT(?! CHARSET)")), QStringLiteral("TEXT")); // my_lower's stays
    script.replace(QStringLiteral("BIGINT,"), QStringLiteral("INT,")).replace(QStringLiteral("BIGINT DEFAULT"), QStringLiteral("INT DEFAULT"));
    script.replace(QStringLiteral("ENGINE = InnoDB"), QStringLiteral("ENGINE = MyISAM"));
    return script.replace(QStringLiteral("utf8mb4_nopad_bin"), QStringLiteral("utf8mb4_unicode_ci"));
}

} // namespace

class TestServerStore : public QObject {
    Q_OBJECT
    std::unique_ptr<ServerDb> db_;
    std::unique_ptr<Dataset> books_;

private slots:
    void init()
    {
        REQUIRE_TEST_SERVER(TestServer::find());
        db_ = std::make_unique<ServerDb>();
        ScriptDump(&db_->conn).RunScriptFile(installScript());
        db_->conn.runStatement(QStringLiteral(
            "INSERT INTO books (id, inv_num, author, title, date_reg, price, itemkind_id) VALUES "
            "(1, 1, 'Толстой Л.Н.', 'Война и мир', '2024-03-15', 12.5, 1), (2, 2, NULL, 'ЁЛКА', NULL, NULL, 1)"));
        books_ = std::make_unique<Dataset>(&db_->conn);
        books_->setSql(QStringLiteral("SELECT * FROM books"));
        books_->open();
    }
    void cleanup()
    {
        books_.reset();
        db_.reset();
    }

    // The script makes the catalogue's tables with the columns where the program expects them,
    // and run again it changes nothing.
    void installScriptMakesTheCatalogue()
    {
        QCOMPARE(db_->conn.tableNames(),
                 QStringList({"books", "categories", "keywords", "loan_terms", "orders", "readers", "settings", "v_itemkind"}));
        ScriptDump(&db_->conn).RunScriptFile(installScript());
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT COUNT(*) FROM v_itemkind")), QStringLiteral("4"));
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT value FROM settings WHERE name = 'password'")), QString());
        QCOMPARE(books_->fieldCount(), 22);
        const QStringList fixed = {"id", "inv_num", "author", "title", "date_reg", "source", "location"};
        for (int i = 0; i < fixed.size(); ++i)
            QCOMPARE(books_->fieldDef(i).name, fixed[i]);
        QCOMPARE(books_->fieldDef(15).name, QStringLiteral("onloan"));
        QCOMPARE(books_->fieldByName(QStringLiteral("date_reg")).type(), FieldType::Date);
        QCOMPARE(books_->fieldByName(QStringLiteral("price")).type(), FieldType::Float);
        QCOMPARE(books_->fieldByName(QStringLiteral("onloan")).asInteger(), 0); // the column's default, read back
    }

    // The server's function, called by its quoted name, and the same lower-casing written inline
    // for the plain name.
    void myLowerOnTheServer_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("lowered");
        const QList<std::pair<const char *, const char *>> cases = {
            {"'ЁЛКА Война'", "ёлка война"}, {"'ABC xyz'", "abc xyz"}, {"NULL", ""}, {"1999", "1999"}};
        for (const char *call : {"my_lower", "`my_lower`"})
            for (const auto &[argument, lowered] : cases)
                QTest::addRow("%s(%s)", call, argument) << QStringLiteral("%1(%2)").arg(call, argument) << lowered;
        QTest::newRow("nested") << "MY_LOWER (concat(my_lower('Ё'), ')'))" << "ё)";
    }
    void myLowerOnTheServer()
    {
        QFETCH(QString, expression);
        QFETCH(QString, lowered);
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT ") + expression), lowered);
    }

    // A reader's session refuses every change, whatever its account may do.
    void readOnlySessionRefusesChanges_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::newRow("insert") << "INSERT INTO books (title) VALUES ('Новая')";
        QTest::newRow("update") << "UPDATE books SET title = 'Другая'";
        QTest::newRow("delete") << "DELETE FROM books";
    }
    void readOnlySessionRefusesChanges()
    {
        QFETCH(QString, statement);
        std::unique_ptr<Connection> reader = db_->other();
        reader->close();
        reader->options() << QStringLiteral("SQLite.ReadOnly=True");
        reader->open();
        try {
            reader->runStatement(statement);
            QFAIL("the change was made");
        } catch (const DataError &e) {
            QCOMPARE(e.kind(), ErrorKind::ReadOnly);
        }
        QCOMPARE(first(*reader, QStringLiteral("SELECT COUNT(*) FROM books")), QStringLiteral("2"));
    }

    // A post that writes the values a row already holds still finds its row.
    void unchangedValuesStillFindTheRow()
    {
        books_->edit();
        books_->fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Война и мир"));
        QCOMPARE(errorOf([&] { books_->post(); }), QStringLiteral("<no error>"));
    }

    // Text with quotes, backslashes and statement breakers is stored as typed, in a post, in a
    // parameter and in a filter, and the new record's id is read back.
    void valuesAreSentAsLiterals()
    {
        const QString nasty = QStringLiteral("O'Brien \\' ; DROP TABLE books; -- \\\\ \"x\" `y` ?:key 😀");
        books_->append();
        books_->fieldByName(QStringLiteral("title")).setValue(nasty);
        books_->fieldByName(QStringLiteral("date_reg")).setValue(QDate(2024, 2, 29));
        books_->post();
        const qint64 id = books_->fieldByName(QStringLiteral("id")).asInteger();
        QCOMPARE(id, 3);
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT title FROM books WHERE id = 3")), nasty);
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT CONCAT(date_reg, '') FROM books WHERE id = 3")), QStringLiteral("2024-02-29"));

        Dataset byParam(&db_->conn);
        byParam.setSql(QStringLiteral("SELECT id FROM books WHERE title = :key"));
        byParam.paramByName(QStringLiteral("key")).value = nasty;
        byParam.open();
        QCOMPARE(byParam.recordCount(), 1);
        db_->conn.runStatement(QStringLiteral("UPDATE books SET notes = ? WHERE id = ?"), {nasty, id});
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT notes FROM books WHERE id = 3")), nasty);
    }

    // A row locked by another computer: the post waits about the busy timeout, fails with the
    // server's text, keeps what was typed, and goes through once the lock is gone.
    void lockHeldElsewhere()
    {
        auto other = db_->other();
        other->runStatement(QStringLiteral("START TRANSACTION"));
        other->runStatement(QStringLiteral("UPDATE books SET price = 1 WHERE id = 1"));
        books_->edit();
        books_->fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Анна Каренина"));
        QElapsedTimer t;
        t.start();
        QCOMPARE(errorOf([&] { books_->post(); }), QStringLiteral("Lock wait timeout exceeded; try restarting transaction"));
        QVERIFY2(t.elapsed() >= 900 && t.elapsed() < 4000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(books_->state(), DatasetState::Edit);
        other->runStatement(QStringLiteral("ROLLBACK"));
        books_->post();
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT title FROM books WHERE id = 1")), QStringLiteral("Анна Каренина"));
    }

    // The session is cut off: the action fails with a Russian message and nothing is lost; the
    // next try connects again and goes through.
    void sessionGoneAway()
    {
        const QString session = first(db_->conn, QStringLiteral("SELECT CONNECTION_ID()"));
        auto other = db_->other();
        other->runStatement(QStringLiteral("KILL ") + session);
        // KILL only marks the session; wait until the server has really closed it, as an idle
        // session cut off by wait_timeout is long closed when the librarian next saves.
        const QString alive = QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE ID = ") + session;
        for (int i = 0; i < 200 && first(*other, alive) != QStringLiteral("0"); ++i)
            QTest::qWait(10);
        books_->edit();
        books_->fieldByName(QStringLiteral("title")).setValue(QStringLiteral("После обрыва"));
        const QString error = errorOf([&] { books_->post(); });
        QVERIFY2(error.startsWith(QStringLiteral("Связь с сервером базы данных прервана")), qPrintable(error));
        QCOMPARE(books_->state(), DatasetState::Edit);
        books_->post();
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT title FROM books WHERE id = 1")), QStringLiteral("После обрыва"));
    }

    void unreachableServerFailsSoon()
    {
        Connection c;
        c.setProviderName(QStringLiteral("MySQL"));
        c.setServerName(QStringLiteral("127.0.0.1:1"));
        c.setUserName(QStringLiteral("root"));
        QElapsedTimer t;
        t.start();
        QVERIFY(errorOf([&] { c.open(); }).startsWith(QStringLiteral("Не удается подключиться к серверу базы данных")));
        QVERIFY(t.elapsed() < 6000);
        QVERIFY(!c.isOpen());
        TestServer s = TestServer::find();
        s.password += u'x';
        s.configure(c);
        QVERIFY(errorOf([&] { c.open(); }).contains(QStringLiteral("Access denied")));
    }

    // The whole server catalogue written as a script and put back into another server database.
    void backupRestoredOnTheServer()
    {
        try {
            backupAndRestore();
        } catch (const DataError &e) {
            QFAIL(qPrintable(e.message()));
        }
    }
    // The connection cut while an update waits for a lock: the change was sent, so the message
    // says it may be stored, and the record on screen is read again; nothing is sent again.
    void lostReplyIsToldHonestly()
    {
        const QString session = first(db_->conn, QStringLiteral("SELECT CONNECTION_ID()"));
        auto holder = db_->other();
        holder->runStatement(QStringLiteral("START TRANSACTION"));
        holder->runStatement(QStringLiteral("UPDATE books SET price = 1 WHERE id = 1"));
        std::thread killer([this, session] {
            QThread::msleep(300);
            db_->other()->runStatement(QStringLiteral("KILL ") + session);
        });
        books_->edit();
        books_->fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Отправлено"));
        const QString error = errorOf([&] { books_->post(); });
        killer.join();
        holder->runStatement(QStringLiteral("ROLLBACK"));
        QVERIFY2(error.startsWith(QStringLiteral("Связь с сервером базы данных прервалась после того, как изменение "
                                                 "было отправлено")),
                 qPrintable(error));
        QCOMPARE(books_->state(), DatasetState::Browse);
        QCOMPARE(books_->fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Война и мир"));
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT title FROM books WHERE id = 1")), QStringLiteral("Война и мир"));
    }

    // A restore on the server is one transaction: a refused file or a failing last statement
    // leaves the catalogue as it was.
    void restoreOnTheServerIsAllOrNothing_data()
    {
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<QString>("message");
        QTest::newRow("the last statement fails") << QByteArray("INSERT INTO orders VALUES (1);\r\n")
                                                  << QStringLiteral("Column count doesn't match value count");
        QTest::newRow("a session setting") << QByteArray("SET sql_mode='';\r\n")
                                           << QStringLiteral("«SET sql_mode='';» — такой команды в резервной копии");
        QTest::newRow("another table set") << QByteArray("INSERT INTO visitors VALUES (1);\r\n")
                                           << QStringLiteral("таблица «visitors» не из этого каталога");
    }
    void restoreOnTheServerIsAllOrNothing()
    {
        QFETCH(QByteArray, tail);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("copy.sql"));
        ScriptDump(&db_->conn).BackupToScript(file);
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::Append));
            f.write(tail);
        }
        db_->conn.runStatement(QStringLiteral("UPDATE books SET title = 'после копии' WHERE id = 1; "
                                              "INSERT INTO orders (book_id, loaner) VALUES (2, 'Петров')"));
        const QString state = QStringLiteral("SELECT CONCAT(COUNT(*), ':', GROUP_CONCAT(title ORDER BY id), ':', "
                                             "(SELECT COUNT(*) FROM orders)) FROM books");
        const QString before = first(db_->conn, state);
        const QString error = errorOf([&] { ScriptDump(&db_->conn).RestoreFromScript(file); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(first(db_->conn, state), before);
    }

    // The session cut in the middle of a restore: the transaction goes with it, the catalogue is
    // as it was, and the next action connects again.
    void sessionCutDuringARestore()
    {
        db_->conn.runStatement(QStringLiteral("INSERT INTO books (id, title, itemkind_id) SELECT seq + 10, 'Книга', 1 "
                                              "FROM seq_1_to_12000"));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("copy.sql"));
        ScriptDump(&db_->conn).BackupToScript(file);
        db_->conn.runStatement(QStringLiteral("DELETE FROM books WHERE id > 1000"));
        const QString state = QStringLiteral("SELECT CONCAT(COUNT(*), ':', SUM(id)) FROM books");
        const QString before = first(db_->conn, state);
        const QString session = first(db_->conn, QStringLiteral("SELECT CONNECTION_ID()"));
        auto killer = db_->other();
        bool cut = false;
        const QString error = errorOf([&] {
            ScriptDump(&db_->conn).RestoreFromScript(file, restoreTables(), [&](long long, long long) {
                if (!std::exchange(cut, true))
                    killer->runStatement(QStringLiteral("KILL ") + session);
            });
        });
        QVERIFY(cut);
        QVERIFY2(error.startsWith(QStringLiteral("Связь с сервером базы данных")), qPrintable(error));
        QCOMPARE(first(*killer, state), before);
        QCOMPARE(first(db_->conn, state), before);
    }

    // Text on the server keeps apart what the file keeps apart (case, е/ё, trailing blanks), holds
    // any length, and numbers are 64-bit.
    void serverTextBehavesLikeTheFile()
    {
        const QString annotation(200000, u'а');
        db_->conn.runStatement(QStringLiteral("INSERT INTO books (id, inv_num, author, annotation) VALUES "
                                              "(3, 5000000000, 'иванов', ?), (4, 4, 'Елкин', NULL), (5, 5, 'Ёлкин', NULL), "
                                              "(6, 6, 'Ёлкин ', NULL)"),
                               {annotation});
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT COUNT(DISTINCT author) FROM books")), QStringLiteral("5"));
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT LENGTH(annotation) FROM books WHERE inv_num = 5000000000")),
                 QStringLiteral("400000"));
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT COUNT(*) FROM books WHERE author = 'Ёлкин'")), QStringLiteral("1"));
    }

    // The upgrade statements bring a catalogue of the older script up to date: every column in its
    // place, every value kept, and what the older one refused or merged now stored apart.
    void olderCatalogueIsUpgraded()
    {
        ServerDb older(olderInstallScript());
        older.conn.runStatement(QStringLiteral("DROP TABLE readers")); // an older catalogue had no register
        older.conn.runStatement(QStringLiteral("DROP INDEX books_isbn ON books")); // nor the index of the ISBN search
        older.conn.runStatement(QStringLiteral("INSERT INTO books (id, inv_num, author, title, price) VALUES "
                                               "(1, 7, 'Толстой', 'Война и мир', 12.5), (2, 8, 'толстой', NULL, NULL)"));
        QCOMPARE(first(older.conn, QStringLiteral("SELECT COUNT(DISTINCT author) FROM books")), QStringLiteral("1"));
        // Without transactions a failed restore would leave tables half filled: refused until upgraded.
        QTemporaryDir dir;
        const QString backup = dir.filePath(QStringLiteral("copy.sql"));
        ScriptDump(&older.conn).BackupToScript(backup);
        QVERIFY(errorOf([&] { ScriptDump(&older.conn).RestoreFromScript(backup, restoreTables()); })
                    .contains(QStringLiteral("«books» (MyISAM)")));
        for (int run = 0; run < 2; ++run)
            ScriptDump(&older.conn).RunScriptFile(resource("upgrade_db.sql"));
        QCOMPARE(first(older.conn, QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA = "
                                                  "DATABASE() AND ENGINE <> 'InnoDB'")),
                 QStringLiteral("0"));
        QVERIFY(older.conn.tableNames().contains(QStringLiteral("readers")));
        QCOMPARE(first(older.conn, QStringLiteral("SELECT COUNT(*) FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = "
                                                  "DATABASE() AND INDEX_NAME = 'books_isbn'")),
                 QStringLiteral("1"));
        ScriptDump(&older.conn).RestoreFromScript(backup, restoreTables());
        QCOMPARE(first(older.conn, QStringLiteral("SELECT COUNT(DISTINCT author) FROM books")), QStringLiteral("2"));
        QCOMPARE(first(older.conn, QStringLiteral("SELECT CONCAT(inv_num, title, price) FROM books WHERE id = 1")),
                 QStringLiteral("7Война и мир12.5"));
        older.conn.runStatement(QStringLiteral("UPDATE books SET inv_num = 5000000000, annotation = REPEAT('я', 100000) WHERE id = 2"));
        QCOMPARE(first(older.conn, QStringLiteral("SELECT CONCAT(inv_num, ' ', LENGTH(annotation)) FROM books WHERE id = 2")),
                 QStringLiteral("5000000000 200000"));
        Dataset books(&older.conn);
        books.setSql(QStringLiteral("SELECT * FROM books"));
        books.open();
        QCOMPARE(books.fieldCount(), books_->fieldCount());
        for (int i = 0; i < books.fieldCount(); ++i)
            QCOMPARE(books.fieldDef(i).name, books_->fieldDef(i).name);
        QCOMPARE(first(older.conn, QStringLiteral("SELECT COUNT(*) FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = "
                                                  "DATABASE() AND (DATA_TYPE IN ('text', 'int') OR COLLATION_NAME <> "
                                                  "'utf8mb4_nopad_bin')")),
                 QStringLiteral("0"));
    }

    // A loan posted from another computer while the backup reads the holdings is in neither of
    // its tables in the script: every table is read from one snapshot.
    void backupIsOneSnapshot()
    {
        db_->conn.runStatement(QStringLiteral("INSERT INTO books (id, title, itemkind_id) SELECT seq + 10, 'Книга', 1 "
                                              "FROM seq_1_to_6000"));
        auto other = db_->other();
        bool lent = false;
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("backup.sql"));
        ScriptDump(&db_->conn).BackupToScript(script, [&](long long, long long) {
            if (lent)
                return;
            lent = true;
            other->runStatement(QStringLiteral("INSERT INTO orders (book_id, loaner, date_out) VALUES (1, 'Снимков', '2026-12-10')"));
            other->runStatement(QStringLiteral("UPDATE books SET onloan = 1 WHERE id = 1"));
        });
        QVERIFY(lent);
        TempDb file;
        ensureCatalogueSchema(file.conn);
        ScriptDump(&file.conn).RestoreFromScript(script);
        QCOMPARE(first(file.conn, QStringLiteral("SELECT COUNT(*) FROM orders")), QStringLiteral("0"));
        QCOMPARE(first(file.conn, QStringLiteral("SELECT COUNT(*) FROM books")), QStringLiteral("6002"));
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT COUNT(*) FROM orders")), QStringLiteral("1"));
    }

    // A catalogue moves from a file to a server and back by a backup, characters outside code
    // page 1251 included.
    void backupMovesBetweenEngines()
    {
        const QString text = QStringLiteral("Ёлка 😀 ∑ l'Europe");
        TempDb file;
        ensureCatalogueSchema(file.conn);
        file.conn.runStatement(QStringLiteral("INSERT INTO books (id, title) VALUES (7, ?)"), {text});
        QTemporaryDir dir;
        const QString fromFile = dir.filePath(QStringLiteral("file.sql")), fromServer = dir.filePath(QStringLiteral("server.sql"));
        ScriptDump(&file.conn).BackupToScript(fromFile);
        ScriptDump(&db_->conn).RestoreFromScript(fromFile);
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT title FROM books WHERE id = 7")), text);
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT COUNT(*) FROM books")), QStringLiteral("1"));

        db_->conn.runStatement(QStringLiteral("UPDATE books SET title = ? WHERE id = 7"), {text + QStringLiteral(" ₿")});
        ScriptDump(&db_->conn).BackupToScript(fromServer);
        ScriptDump(&file.conn).RestoreFromScript(fromServer);
        QCOMPARE(first(file.conn, QStringLiteral("SELECT title FROM books WHERE id = 7")), text + QStringLiteral(" ₿"));
    }

    // A file catalogue moves to the server whatever it holds, or is refused, naming what the server
    // cannot take, before anything changes.
    void aFileCatalogueMovesToTheServer_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("refusal"); // empty: moves
        QTest::newRow("the server's header line inside a title") << "header line" << "";
        QTest::newRow("a table declared AUTOINCREMENT") << "sequence" << "";
        QTest::newRow("rows near the server's packet limit") << "near the limit" << "";
        QTest::newRow("an infinite real")
            << "infinite" << "в таблице «books», в записи с первым значением 5, столбец «price» хранит бесконечно большое";
        QTest::newRow("a row larger than the server takes")
            << "too large" << "запись таблицы «books» занимает 20.0 МБ, а сервер принимает за раз не больше 16.0 МБ";
    }
    void aFileCatalogueMovesToTheServer()
    {
        QFETCH(QString, content);
        QFETCH(QString, refusal);
        TempDb file;
        ensureCatalogueSchema(file.conn);
        const QString title = QStringLiteral("Записки\r\n-- MySQL server version: 10.11\r\n😀 ∑");
        if (content == u"header line")
            file.conn.runStatement(QStringLiteral("INSERT INTO books (id, title) VALUES (5, ?)"), {title});
        if (content == u"sequence") {
            const QString shelves = QStringLiteral("CREATE TABLE shelves (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT)");
            file.conn.runStatement(shelves + QStringLiteral("; INSERT INTO shelves (name) VALUES ('A1')"));
            db_->conn.runStatement(QStringLiteral("CREATE TABLE shelves (id BIGINT PRIMARY KEY, name LONGTEXT)"));
        }
        if (content == u"near the limit")
            file.conn.runStatement(QStringLiteral("INSERT INTO books (id, annotation) VALUES (4, ?), (5, ?)"),
                                   {QString(900 * 1024, u'a'), QString(15 * 1024 * 1024 + 512 * 1024, u'b')});
        if (content == u"infinite")
            file.conn.runStatement(QStringLiteral("INSERT INTO books (id, price) VALUES (4, 1.5), (5, 9e999)"));
        if (content == u"too large")
            file.conn.runStatement(QStringLiteral("INSERT INTO books (id, annotation) VALUES (5, ?)"),
                                   {QString(20 * 1024 * 1024, u'c')});
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("file.sql"));
        ScriptDump(&file.conn).BackupToScript(script);
        // The server's default packet limit (the test server's own is larger), for this session.
        const QString packet = first(db_->conn, QStringLiteral("SELECT @@GLOBAL.max_allowed_packet"));
        db_->conn.runStatement(QStringLiteral("SET GLOBAL max_allowed_packet = 16777216"));
        db_->conn.close();
        db_->conn.open();
        db_->conn.runStatement(QStringLiteral("SET GLOBAL max_allowed_packet = ") + packet);
        const QString state = QStringLiteral("SELECT COUNT(*) || ':' || SUM(LENGTH(COALESCE(annotation, ''))) FROM books");
        const QString before = first(db_->conn, state);
        ScriptDump dump(&db_->conn);
        const QString error = errorOf([&] {
            const RestorePlan plan = dump.PrepareRestore(script, restoreTables());
            QCOMPARE(plan.skipped, content == u"sequence" ? QStringList{"sqlite_sequence"} : QStringList());
            dump.RunRestore(plan);
        });
        if (!refusal.isEmpty()) {
            QVERIFY2(error.contains(refusal) && error.contains(QStringLiteral("Каталог не изменён")), qPrintable(error));
            QCOMPARE(first(db_->conn, state), before);
            return;
        }
        QCOMPARE(error, QStringLiteral("<no error>"));
        QCOMPARE(first(db_->conn, state), first(file.conn, state));
        if (content == u"header line")
            QCOMPARE(first(db_->conn, QStringLiteral("SELECT title FROM books WHERE id = 5")), title);
        if (content == u"sequence")
            QCOMPARE(first(db_->conn, QStringLiteral("SELECT name FROM shelves")), QStringLiteral("A1"));
    }

    // A server catalogue with a table of the library's own and a view: its backup restores, the
    // view's statements left out.
    void aServerBackupWithAViewRestores()
    {
        db_->conn.runStatement(QStringLiteral("CREATE TABLE shelves (name LONGTEXT); INSERT INTO shelves VALUES ('A1'); "
                                              "CREATE VIEW lent AS SELECT id, title FROM books WHERE onloan = 1"));
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("copy.sql"));
        ScriptDump(&db_->conn).BackupToScript(script);
        db_->conn.runStatement(QStringLiteral("DELETE FROM shelves; UPDATE books SET title = 'изменена'"));
        ScriptDump dump(&db_->conn);
        const RestorePlan plan = dump.PrepareRestore(script, restoreTables());
        QCOMPARE(plan.skipped, QStringList{"lent"});
        dump.RunRestore(plan);
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT name FROM shelves")), QStringLiteral("A1"));
        QCOMPARE(first(db_->conn, QStringLiteral("SELECT title FROM books WHERE id = 1")), QStringLiteral("Война и мир"));
    }

private:
    void backupAndRestore()
    {
        db_->conn.runStatement(QStringLiteral("INSERT INTO books (id, title, notes, price) VALUES (3, ?, ?, 1e20)"),
                               {QStringLiteral("l'Europe\r\nвторая строка"), QStringLiteral("вне 1251: 😀 ∑")});
        db_->conn.runStatement(QStringLiteral("INSERT INTO orders (book_id, loaner, date_out) VALUES (1, 'Иванов', '2024-05-01')"));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("copy.sql"));
        ScriptDump(&db_->conn).BackupToScript(file);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QVERIFY(lines[1].startsWith("-- MySQL server version: 10."));
        QVERIFY(lines[2].startsWith("-- MySQL client version: "));
        QCOMPARE(lines[5], ("-- Server: " + db_->server.server + "\r").toUtf8());
        QCOMPARE(lines[6], ("-- Database: " + db_->name + "\r").toUtf8());

        ServerDb target;
        ScriptDump(&target.conn).RunScriptFile(installScript());
        const TableRows rows = ScriptDump(&target.conn).RestoreFromScript(file);
        QCOMPARE(rows.size(), 8);
        for (const QString &sql : {QStringLiteral("SELECT COUNT(*) FROM books"), QStringLiteral("SELECT title FROM books WHERE id = 3"),
                                   QStringLiteral("SELECT notes FROM books WHERE id = 3"), QStringLiteral("SELECT price FROM books WHERE id = 1"),
                                   QStringLiteral("SELECT price FROM books WHERE id = 3"), QStringLiteral("SELECT date_out FROM orders"),
                                   QStringLiteral("SELECT date_reg FROM books WHERE id = 2"), QStringLiteral("SELECT COUNT(*) FROM v_itemkind")})
            QCOMPARE(first(target.conn, sql), first(db_->conn, sql));
        QCOMPARE(first(target.conn, QStringLiteral("SELECT notes FROM books WHERE id = 3")), QStringLiteral("вне 1251: 😀 ∑"));
    }
};

QTEST_GUILESS_MAIN(TestServerStore)
#include "test_server_store.moc"
