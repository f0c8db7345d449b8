// Datasets over a small catalogue: opening, the statement the SQL filter assembles, and the
// local filter over the rows held.
#include "DatasetFixture.h"

#include <QSignalSpy>
#include <QTest>

using namespace data;
using namespace store;
using namespace dataset_tests;

class TestDatasetFilters : public QObject, private DatasetFixture {
    Q_OBJECT

private slots:
    void initTestCase() { useRussianSettings(); }

    void init() { openCatalogue(); }

    void cleanup() { closeCatalogue(); }

    // ---- opening ----

    void openFetchesAllRows()
    {
        QVERIFY(books().active());
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(books().recordCount(), 6);
        QCOMPARE(currentId(books()), 1);
        QVERIFY(!books().eof());
        QCOMPARE(ids(books()), QStringLiteral("1 2 3 4 5 6"));
    }

    // Even a dataset that would fetch on demand holds its whole result, and holds no read lock on
    // the file once open, so another program can write meanwhile.
    void wholeResultReadAtOpenWhateverFetchAll()
    {
        conn().runStatement(QStringLiteral(
            "CREATE TABLE many (id INTEGER PRIMARY KEY);"
            "INSERT INTO many WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) SELECT i FROM n;"));
        Dataset ds(&conn());
        ds.setFetchAll(false);
        ds.setSql(QStringLiteral("SELECT * FROM many"));
        ds.open();
        QCOMPARE(ds.recordCount(), 60);

        auto other = otherConnection();
        QCOMPARE(errorOf([&] { other->runStatement(QStringLiteral("INSERT INTO many (id) VALUES (1000)")); }),
                 QStringLiteral("<no error>"));
        // Held rows are not refreshed behind the program's back.
        QCOMPARE(ds.recordCount(), 60);
        int stepped = 0;
        for (ds.first(); !ds.eof(); ds.next())
            ++stepped;
        QCOMPARE(stepped, 60);
        ds.refresh();
        QCOMPARE(ds.recordCount(), 61);
    }

    // ---- SQL filter ----

    void filterSqlSameTextDoesNotRequery()
    {
        books().setFilterSQL(QStringLiteral("itemkind_id = 1"));
        QCOMPARE(ids(books()), QStringLiteral("1 2 6"));
        conn().runStatement(QStringLiteral("INSERT INTO books (id, title, itemkind_id) VALUES (7, 'Новая', 1)"));

        QSignalSpy reset(&books(), &Dataset::rowsReset);
        books().setFilterSQL(QStringLiteral("itemkind_id = 1"));
        QCOMPARE(reset.count(), 0);
        QCOMPARE(books().recordCount(), 3);

        books().setFilterSQL(QStringLiteral("itemkind_id = 1 "));
        QVERIFY(reset.count() > 0);
        QCOMPARE(books().recordCount(), 4);
        QCOMPARE(books().filterSQL(), QStringLiteral("itemkind_id = 1"));
    }

    void filterSqlIsTrimmed()
    {
        books().setFilterSQL(QStringLiteral("\t itemkind_id = 2\r\n"));
        QCOMPARE(books().filterSQL(), QStringLiteral("itemkind_id = 2"));
        QCOMPARE(ids(books()), QStringLiteral("3 4"));
    }

    void filterSqlTwoConditions()
    {
        books().setFilterSQL(QStringLiteral("my_lower(title) LIKE '%ёлка%' AND itemkind_id = 1"));
        QCOMPARE(normalized(books().assembledSql()),
                 QStringLiteral("SELECT * FROM books WHERE my_lower(title) LIKE '%ёлка%' AND itemkind_id = 1"));
        QCOMPARE(ids(books()), QStringLiteral("2"));

        books().setFilterSQL(QString());
        QCOMPARE(normalized(books().assembledSql()), QStringLiteral("SELECT * FROM books"));
        QCOMPARE(ids(books()), QStringLiteral("1 2 3 4 5 6"));
    }

    void filterSqlErrorKeepsPreviousText()
    {
        books().setFilterSQL(QStringLiteral("itemkind_id = 2"));
        QCOMPARE(errorOf([&] { books().setFilterSQL(QStringLiteral("nosuchcol = 1")); }),
                 OnServer ? QStringLiteral("Unknown column 'nosuchcol' in 'WHERE'") : QStringLiteral("no such column: nosuchcol"));
        QVERIFY(!books().active());
        QCOMPARE(books().filterSQL(), QStringLiteral("itemkind_id = 2"));
        QCOMPARE(errorOf([&] { books().first(); }), QStringLiteral("Cannot perform this operation on a closed dataset"));

        books().open();
        QCOMPARE(ids(books()), QStringLiteral("3 4"));
    }

    // The reports set the filter of a closed dataset and open it afterwards.
    void filterSqlOnClosedDatasetTakesEffectAtOpen()
    {
        books().close();
        books().setFilterSQL(QStringLiteral("onloan = 1"));
        QVERIFY(!books().active());
        books().open();
        QCOMPARE(ids(books()), QStringLiteral("1 3"));
    }

    // ---- local filter ----

    void localFilter_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("expected");
        QTest::newRow("onloan = 1") << "onloan = 1" << "1 3";
        QTest::newRow("file <> NULL hides NULL and empty") << "file <> NULL" << "1 4 6";
        QTest::newRow("file = NULL") << "file = NULL" << "2 3 5";
        QTest::newRow("two conditions") << "itemkind_id = 1 AND onloan = 0" << "2 6";
        QTest::newRow("case-sensitive pattern") << "title = 'Е*'" << "4";
        QTest::newRow("NULL never greater") << "price > 100" << "1 4";
        QTest::newRow("empty filters nothing") << "" << "1 2 3 4 5 6";
    }

    void localFilter()
    {
        QFETCH(QString, expression);
        QFETCH(QString, expected);
        books().setFilter(expression);
        books().setFiltered(true);
        QCOMPARE(ids(books()), expected);
        QCOMPARE(books().recordCount(), int(expected.split(u' ').size()));
        books().setFiltered(false);
        QCOMPARE(books().recordCount(), 6);
    }

    void localFilterStaysInForce()
    {
        books().setFilter(QStringLiteral("onloan = 1"));
        books().setFiltered(true);
        QCOMPARE(ids(books()), QStringLiteral("1 3"));
        conn().runStatement(QStringLiteral("INSERT INTO books (id, title, itemkind_id, onloan) VALUES (7, 'Выдана', 2, 1);"
                                           "INSERT INTO books (id, title, itemkind_id, onloan) VALUES (8, 'На месте', 2, 0);"));
        books().refresh();
        QCOMPARE(ids(books()), QStringLiteral("1 3 7"));

        books().setFilterSQL(QStringLiteral("itemkind_id = 2"));
        QCOMPARE(ids(books()), QStringLiteral("3 7"));
        QCOMPARE(books().recordCount(), 2);
        QVERIFY(!books().moveToValue(QStringLiteral("id"), 4)); // hidden by the local filter

        books().close();
        books().open();
        QCOMPARE(ids(books()), QStringLiteral("3 7"));

        books().setFilter(QStringLiteral("onloan = 0"));
        QCOMPARE(ids(books()), QStringLiteral("4 8"));
    }
};

QTEST_GUILESS_MAIN(TestDatasetFilters)
#include "test_datasetfilters.moc"
