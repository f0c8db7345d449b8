// The program's own operations on a catalogue on the server, started with [MySQL] Connect=1:
// what the windows do through the data module works there as it does on the file.
#include "TestServer.h"
#include "WindowFixture.h"

#include "data/engines/ServerSql.h"
#include "data/script/ScriptDump.h"

#include <QTest>

namespace {

const QString InstallScript = QStringLiteral(LIBRARY_SOURCE_DIR "/resources/install_db.sql");

QString value(store::TDBMod &db, const QString &sql)
{
    data::Dataset q(&db.MyServer);
    q.setSql(sql);
    q.open();
    return q.isEmpty() ? QStringLiteral("<no row>") : q.field(0).asString();
}

} // namespace

class ServerCatalogueTest : public QObject {
    Q_OBJECT
    TestServer server_ = TestServer::find();
    QString database_;
    std::unique_ptr<WindowFixture> f_;

    store::TDBMod &db() { return *f_->program.DBMod; }

private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Библиотека")); }
    void init()
    {
        REQUIRE_TEST_SERVER(server_);
        database_ = QStringLiteral("lib_catalogue_%1").arg(QCoreApplication::applicationPid());
        data::Connection c;
        server_.configure(c);
        c.open();
        c.runStatement(QStringLiteral("DROP DATABASE IF EXISTS %1; CREATE DATABASE %1").arg(database_));
        c.close();
        c.setDatabase(database_);
        c.open();
        data::ScriptDump(&c).RunScriptFile(InstallScript);
        c.runStatement(QStringLiteral(
            "INSERT INTO books (id, inv_num, author, title, date_reg, itemkind_id, rubric) VALUES "
            "(1, 1, 'Толстой Л.Н.', 'Война и мир', '2024-03-15', 1, '1.;'), (2, 2, 'Пушкин А.С.', 'ЁЛКА', '2024-05-01', 1, ''),"
            "(3, 1, 'Чехов А.П.', 'Журнал', '2023-01-01', 2, NULL);"
            "INSERT INTO categories (id, title, parent, has_children) VALUES (1, 'История', 0, 0);"
            "INSERT INTO orders (book_id, loaner, date_out, date_in, status, cost) VALUES (1, 'Иванов', '2024-04-01', '2024-04-10', 2, 30)"));
        f_ = std::make_unique<WindowFixture>();
        f_->writeSettings(("[General]\r\nAutoAdminLogon=1\r\n[MySQL]\r\nConnect=1\r\nhostname=" + server_.server +
                           "\r\nusername=" + server_.user + "\r\npassword=" + server_.password + "\r\ndatabase=" +
                           database_ + "\r\n")
                              .toUtf8());
        f_->start();
        QVERIFY(!store::process().ConnectFailed);
        QVERIFY(db().MyServer.isServer());
    }
    void cleanup()
    {
        f_.reset();
        if (!server_.available)
            return;
        data::Connection c;
        server_.configure(c);
        c.open();
        c.runStatement(QStringLiteral("DROP DATABASE IF EXISTS ") + database_);
    }

    // The composer's conditions, the search with my_lower included, select what they say.
    void searchesAndKinds()
    {
        QCOMPARE(db().MyBooks.recordCount(), 3);
        db().SetCondition(QStringLiteral("srch|my_lower(title) LIKE '%ёлка%'"));
        QCOMPARE(db().MyBooks.recordCount(), 1);
        QCOMPARE(db().MyBooks.fieldByName(QStringLiteral("id")).asInteger(), 2);
        db().SetCondition(QStringLiteral("srch"));
        db().SetKind(2);
        QCOMPARE(db().MyBooks.recordCount(), 1);
        QCOMPARE(db().NextInvNum(), 2);
        db().SetKind(0);
        QCOMPARE(db().DistinctValues(QStringLiteral("author"), QStringLiteral("books"), QStringLiteral("author"), 10),
                 QStringList({"Пушкин А.С.", "Толстой Л.Н.", "Чехов А.П."}));
    }

    // A new record takes its defaults and its id; a loan, a keyword and a return follow it.
    void recordLoanAndKeyword()
    {
        db().SetKind(1);
        db().MyBooks.append();
        QCOMPARE(db().MyBooks.fieldByName(QStringLiteral("itemkind_id")).asInteger(), 1);
        db().MyBooks.fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Новая книга"));
        db().PostBooks();
        const qint64 id = db().MyBooks.fieldByName(QStringLiteral("id")).asInteger();
        QCOMPARE(id, 4);
        db().AddKeyword(QStringLiteral("роман"));
        QCOMPARE(value(db(), QStringLiteral("SELECT book_id FROM keywords WHERE keyword = 'роман'")), QStringLiteral("4"));

        db().myOrders.append();
        db().myOrders.fieldByName(QStringLiteral("loaner")).setValue(QStringLiteral("Петров"));
        db().myOrders.fieldByName(QStringLiteral("date_out")).setValue(QDate(2024, 6, 1));
        db().myOrders.post();
        db().MyBooks.edit();
        db().MirrorOpenLoan();
        db().PostBooks();
        QCOMPARE(value(db(), QStringLiteral("SELECT CONCAT(onloan, loaner, date_out) FROM books WHERE id = 4")),
                 QStringLiteral("1Петров2024-06-01"));
        db().MyBooks.edit();
        db().ReturnHolding();
        db().PostBooks();
        QCOMPARE(value(db(), QStringLiteral("SELECT onloan FROM books WHERE id = 4")), QStringLiteral("0"));
        QVERIFY(value(db(), QStringLiteral("SELECT date_in FROM orders WHERE book_id = 4")) != QString());

        db().MyBooks.deleteRecord();
        QCOMPARE(value(db(), QStringLiteral("SELECT COUNT(*) FROM keywords WHERE book_id = 4")), QStringLiteral("0"));
    }

    // Rubrics: added under a parent, renamed with any text, deleted with what is below them.
    void rubrics()
    {
        const qint64 child = db().AddCategory(QStringLiteral("Войны"), 1);
        db().AddCategory(QStringLiteral("XIX век"), child);
        QVERIFY(db().RenameCategory(child, QStringLiteral("Войны \"и\" 'мир'")));
        QCOMPARE(value(db(), QStringLiteral("SELECT title FROM categories WHERE id = %1").arg(child)),
                 QStringLiteral("Войны \"и\" 'мир'"));
        db().DeleteCategory(1);
        QCOMPARE(value(db(), QStringLiteral("SELECT COUNT(*) FROM categories")), QStringLiteral("0"));
    }

    // The password is compared exactly; the period queries of the reports read the server.
    void passwordAndReports()
    {
        db().SavePassword(QStringLiteral("Секрет"));
        QVERIFY(db().CheckPassword(QStringLiteral("Секрет")));
        QVERIFY(!db().CheckPassword(QStringLiteral("секрет")));
        QVERIFY(!db().CheckPassword(QStringLiteral("Секрет ")));
        QVERIFY(!db().CheckPassword(QStringLiteral("' OR '1'='1")));

        db().RprtSet.setSql(QStringLiteral("SELECT COUNT(*), itemkind_name FROM books, v_itemkind WHERE (date_reg "
                                           "BETWEEN '2024-01-01' AND '2024-12-31') AND itemkind_id = v_itemkind.id "
                                           "GROUP BY itemkind_id"));
        db().RprtSet.open();
        QCOMPARE(db().RprtSet.recordCount(), 1);
        QCOMPARE(db().RprtSet.field(0).asInteger(), 2);
        QCOMPARE(db().RprtSet.field(1).asString(), QStringLiteral("Книги"));
        db().RprtSet.close();
        db().MyBooks.setFilterSQL(QStringLiteral("id IN (SELECT book_id FROM orders WHERE (date_out BETWEEN '2024-04-01' "
                                                 "AND '2024-04-30'))"));
        QCOMPARE(db().MyBooks.recordCount(), 1);
    }
};

QTEST_MAIN(ServerCatalogueTest)
#include "test_server_catalogue.moc"
