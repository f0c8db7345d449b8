// Datasets over a small catalogue: the in-memory sort, the search for a value, navigation and
// bookmarks.
#include "DatasetFixture.h"

#include <QDate>
#include <QTest>
#include <QVariant>

using namespace data;
using namespace store;
using namespace dataset_tests;

class TestDatasetNavigation : public QObject, private DatasetFixture {
    Q_OBJECT

private slots:
    void initTestCase() { useRussianSettings(); }

    void init() { openCatalogue(); }

    void cleanup() { closeCatalogue(); }

    // ---- sort ----

    void sort_data()
    {
        QTest::addColumn<QString>("indexFieldNames");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << "" << "1 2 3 4 5 6";
        QTest::newRow("text: Russian order") << "title" << "5 6 1 4 2 3";
        QTest::newRow("text DESC") << "title DESC" << "3 2 4 1 6 5";
        QTest::newRow("text BIN") << "title BIN" << "2 6 1 4 3 5";
        QTest::newRow("NULL first ascending") << "author" << "2 6 5 4 1 3";
        QTest::newRow("NULL last descending") << "author DESC" << "3 1 4 5 6 2";
        QTest::newRow("real by value") << "price" << "2 6 5 3 4 1";
        QTest::newRow("real DESC") << "price DESC" << "1 4 3 5 6 2";
        QTest::newRow("integer ASC") << "inv_num ASC" << "5 1 2 3 4 6";
        QTest::newRow("integer DESC") << "inv_num DESC" << "6 4 3 2 1 5";
        QTest::newRow("date") << "date_reg" << "3 6 4 1 2 5";
        QTest::newRow("date DESC") << "date_reg desc" << "5 2 1 4 6 3";
        QTest::newRow("two columns") << "itemkind_id;title DESC" << "2 1 6 3 4 5";
        QTest::newRow("comma and any letter case") << "ITEMKIND_ID Asc, Title Desc Cs" << "2 1 6 3 4 5";
        QTest::newRow("ties by the next column") << "onloan DESC; id DESC" << "3 1 6 5 4 2";
        QTest::newRow("blanks and a trailing separator") << "  author   desc ;" << "3 1 4 5 6 2";
    }

    void sort()
    {
        QFETCH(QString, indexFieldNames);
        QFETCH(QString, expected);
        books().setIndexFieldNames(indexFieldNames);
        QCOMPARE(ids(books()), expected);
    }

    void collation_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("indexFieldNames");
        QTest::addColumn<QStringList>("expected");
        const QString null;
        QTest::newRow("Ё between Е and Ж") << QStringList{"Жук", "Ёлка", "Елена"} << "word"
                                           << QStringList{"Елена", "Ёлка", "Жук"};
        QTest::newRow("small а before capital Б") << QStringList{"Бук", "аист"} << "word" << QStringList{"аист", "Бук"};
        QTest::newRow("hyphen counts") << QStringList{"тоже", "то-то"} << "word" << QStringList{"то-то", "тоже"};
        QTest::newRow("apostrophe counts") << QStringList{"да", "д'Артаньян"} << "word"
                                           << QStringList{"д'Артаньян", "да"};
        QTest::newRow("DESC") << QStringList{"Жук", "Елена", "Ёлка"} << "word DESC"
                              << QStringList{"Жук", "Ёлка", "Елена"};
        QTest::newRow("BIN compares bytes") << QStringList{"аист", "Бук", "Ёлка", "Елена"} << "word BIN"
                                            << QStringList{"Ёлка", "Бук", "Елена", "аист"};
        QTest::newRow("CS orders by case") << QStringList{"БУК", "бук", "Бук", "аист"} << "word CS"
                                           << QStringList{"аист", "бук", "Бук", "БУК"};
        QTest::newRow("case-sensitive by default") << QStringList{"БУК", "бук", "Бук", "аист"} << "word"
                                                   << QStringList{"аист", "бук", "Бук", "БУК"};
        QTest::newRow("CIS leaves case variants as read") << QStringList{"БУК", "бук", "Бук", "аист"} << "word CIS"
                                                          << QStringList{"аист", "БУК", "бук", "Бук"};
        QTest::newRow("CIS DESC") << QStringList{"бук", "аист", "БУК"} << "word desc cis"
                                  << QStringList{"бук", "БУК", "аист"};
        QTest::newRow("NULL first ascending") << QStringList{"Бук", null, "аист"} << "word"
                                              << QStringList{null, "аист", "Бук"};
        QTest::newRow("NULL last descending") << QStringList{"аист", null, "Бук"} << "word DESC"
                                              << QStringList{"Бук", "аист", null};
    }

    void collation()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, indexFieldNames);
        QFETCH(QStringList, expected);
        for (const QString &w : words)
            conn().runStatement(QStringLiteral("INSERT INTO words (word) VALUES (?)"),
                                {w.isNull() ? QVariant() : QVariant(w)});
        Dataset ds(&conn());
        ds.setSql(QStringLiteral("SELECT * FROM words"));
        ds.open();
        ds.setIndexFieldNames(indexFieldNames);
        QStringList seen;
        for (ds.first(); !ds.eof(); ds.next())
            seen << (ds.fieldByName(QStringLiteral("word")).isNull() ? QString() : ds.fieldByName(QStringLiteral("word")).asString());
        QCOMPARE(seen, expected);
    }

    void sortSurvivesRequeryAndRefresh()
    {
        books().setIndexFieldNames(QStringLiteral("author DESC"));
        books().setFilterSQL(QStringLiteral("itemkind_id <> 3"));
        QCOMPARE(ids(books()), QStringLiteral("3 1 4 6 2"));
        conn().runStatement(QStringLiteral("INSERT INTO books (id, author, title, itemkind_id) VALUES (7, 'Шолохов', 'Тихий Дон', 1)"));
        books().refresh();
        QCOMPARE(ids(books()), QStringLiteral("7 3 1 4 6 2"));
        books().close();
        books().open();
        QCOMPARE(ids(books()), QStringLiteral("7 3 1 4 6 2"));
        QCOMPARE(books().indexFieldNames(), QStringLiteral("author DESC"));
    }

    void sortKeepsCurrentRecord()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        books().setIndexFieldNames(QStringLiteral("title"));
        QCOMPARE(currentId(books()), 4);
        QCOMPARE(books().recNo(), 3); // аист, Бук, Война и мир, Елена

        // A pending edit is posted first.
        books().edit();
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Ясно"));
        books().setIndexFieldNames(QStringLiteral("title DESC"));
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT title FROM books WHERE id = 4")), QStringLiteral("Ясно"));
        QCOMPARE(currentId(books()), 4);
    }

    void sortUnknownColumn_data()
    {
        QTest::addColumn<QString>("indexFieldNames");
        QTest::newRow("alone") << "nosuch";
        QTest::newRow("after a good one") << "title; nosuch DESC";
    }

    void sortUnknownColumn()
    {
        QFETCH(QString, indexFieldNames);
        books().setIndexFieldNames(QStringLiteral("author DESC"));
        QCOMPARE(errorOf([&] { books().setIndexFieldNames(indexFieldNames); }), QStringLiteral("Field nosuch not found"));
        QCOMPARE(books().indexFieldNames(), QStringLiteral("author DESC"));
        QCOMPARE(ids(books()), QStringLiteral("3 1 4 5 6 2"));
    }

    // ---- search for a value ----

    void moveToValue_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("expectedId"); // 0: not found

        QTest::newRow("exact text") << "title" << QVariant("Жук") << 3;
        QTest::newRow("Ё") << "title" << QVariant("Ёлка") << 2;
        QTest::newRow("other case") << "title" << QVariant("жук") << 0;
        QTest::newRow("prefix only") << "title" << QVariant("Жу") << 0;
        QTest::newRow("NULL finds NULL") << "author" << QVariant() << 2;
        QTest::newRow("integer") << "inv_num" << QVariant(104) << 4;
        QTest::newRow("text 104 in an integer column") << "inv_num" << QVariant("104") << 4;
        QTest::newRow("text 5 finds id 5") << "id" << QVariant("5") << 5;
        QTest::newRow("text in a real column") << "price" << QVariant("99") << 3;
        QTest::newRow("real") << "price" << QVariant(10.25) << 5;
        QTest::newRow("date") << "date_reg" << QVariant(QDate(2019, 12, 31)) << 4;
        QTest::newRow("date as stored text") << "date_reg" << QVariant("2019-12-31") << 4;
        QTest::newRow("empty text is not NULL") << "file" << QVariant("") << 3;
        QTest::newRow("integer column, not a number") << "inv_num" << QVariant("abc") << 0;
        QTest::newRow("no such value") << "inv_num" << QVariant(999) << 0;
    }

    void moveToValue()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QFETCH(int, expectedId);
        books().last();
        QCOMPARE(books().moveToValue(column, value), expectedId != 0);
        QCOMPARE(currentId(books()), expectedId != 0 ? expectedId : 6);
    }

    // The first match in the current order, and only among the rows the local filter shows.
    void moveToValueFollowsOrderAndFilter()
    {
        QVERIFY(books().moveToValue(QStringLiteral("onloan"), 0));
        QCOMPARE(currentId(books()), 2);
        books().setIndexFieldNames(QStringLiteral("title"));
        QVERIFY(books().moveToValue(QStringLiteral("onloan"), 0));
        QCOMPARE(currentId(books()), 5);

        books().setFilter(QStringLiteral("itemkind_id = 1"));
        books().setFiltered(true);
        QVERIFY(!books().moveToValue(QStringLiteral("title"), QStringLiteral("Елена")));
        QVERIFY(books().moveToValue(QStringLiteral("title"), QStringLiteral("Бук")));
        QCOMPARE(currentId(books()), 6);
    }

    // ---- navigation and bookmarks ----

    void navigation()
    {
        books().first();
        QVERIFY(books().bof());
        QVERIFY(!books().eof());
        QCOMPARE(currentId(books()), 1);
        for (int i = 0; i < 5; ++i)
            books().next();
        QCOMPARE(currentId(books()), 6);
        QVERIFY(!books().eof());
        books().next();
        QVERIFY(books().eof());
        QCOMPARE(currentId(books()), 6);
        books().prior();
        QVERIFY(!books().eof());
        QCOMPARE(currentId(books()), 5);
        books().first();
        books().prior();
        QVERIFY(books().bof());
        QCOMPARE(currentId(books()), 1);
    }

    void navigationOnEmptyResult()
    {
        books().setFilterSQL(QStringLiteral("id < 0"));
        QVERIFY(books().active());
        QVERIFY(books().eof());
        QVERIFY(books().bof());
        QVERIFY(books().isEmpty());
        QCOMPARE(books().recordCount(), 0);
        books().first();
        QVERIFY(books().eof());
    }

    void bookmarks()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        const Bookmark four = books().bookmark();
        QVERIFY(books().moveToValue(QStringLiteral("id"), 2));
        const Bookmark two = books().bookmark();
        books().first();

        QVERIFY(books().bookmarkValid(four));
        books().gotoBookmark(four);
        QCOMPARE(currentId(books()), 4);
        books().gotoBookmark(two);
        QCOMPARE(currentId(books()), 2);

        // A new order does not re-open the dataset.
        books().setIndexFieldNames(QStringLiteral("title"));
        books().gotoBookmark(four);
        QCOMPARE(currentId(books()), 4);

        books().close();
        books().open();
        QVERIFY(!books().bookmarkValid(four));
        QVERIFY(errorOf([&] { books().gotoBookmark(four); }) != QStringLiteral("<no error>"));
    }
};

QTEST_GUILESS_MAIN(TestDatasetNavigation)
#include "test_datasetnavigation.moc"
