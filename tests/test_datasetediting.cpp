// Datasets over a small catalogue: master/detail links and editing (append, post, cancel,
// delete, changes made elsewhere meanwhile, read-only and closed datasets).
#include "DatasetFixture.h"

#include <QDate>
#include <QList>
#include <QTest>
#include <QVariant>

using namespace data;
using namespace store;
using namespace dataset_tests;

class TestDatasetEditing : public QObject, private DatasetFixture {
    Q_OBJECT

private slots:
    void initTestCase() { useRussianSettings(); }

    void init() { openCatalogue(); }

    void cleanup() { closeCatalogue(); }

    // ---- master/detail ----

    void detailFollowsMaster()
    {
        DataSource src(&books());
        auto kw = detail(src, QStringLiteral("SELECT * FROM keywords"));
        QCOMPARE(normalized(kw->assembledSql()), QStringLiteral("SELECT * FROM keywords WHERE book_id = :id"));
        kw->open();
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("война мир"));
        books().next();
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("ёлка"));
        QVERIFY(books().moveToValue(QStringLiteral("id"), 3));
        QVERIFY(kw->isEmpty());
        QVERIFY(kw->eof());
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("роман"));

        // Master empty, closed, re-opened.
        books().setFilterSQL(QStringLiteral("id < 0"));
        QCOMPARE(kw->recordCount(), 0);
        books().setFilterSQL(QString());
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("война мир"));
        books().close();
        QCOMPARE(kw->recordCount(), 0);
        books().open();
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("война мир"));
    }

    void detailOpenedBeforeMaster()
    {
        books().close();
        DataSource src(&books());
        auto kw = detail(src, QStringLiteral("SELECT * FROM keywords"));
        kw->open();
        QVERIFY(kw->isEmpty());
        books().open();
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("война мир"));
    }

    void keywordAppendedTakesHoldingId()
    {
        conn().runStatement(QStringLiteral("INSERT INTO books (id, title) VALUES (7, 'Тихий Дон')"));
        books().refresh();
        DataSource src(&books());
        auto kw = detail(src, QStringLiteral("SELECT * FROM keywords"));
        kw->open();
        QVERIFY(books().moveToValue(QStringLiteral("id"), 7));
        QVERIFY(kw->isEmpty());

        kw->append();
        QCOMPARE(kw->fieldByName(QStringLiteral("book_id")).asInteger(), 7);
        kw->fieldByName(QStringLiteral("keyword")).setValue(QStringLiteral("казаки"));
        kw->post();
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT book_id FROM keywords WHERE keyword = 'казаки'")),
                 QStringLiteral("7"));
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("казаки"));
    }

    void detailEmptyWhileMasterInserts()
    {
        DataSource src(&books());
        auto kw = detail(src, QStringLiteral("SELECT * FROM keywords"));
        kw->open();
        QCOMPARE(kw->recordCount(), 2);

        books().append();
        QCOMPARE(kw->recordCount(), 0);
        QVERIFY(kw->eof());
        books().cancel();
        books().first();
        QCOMPARE(kw->recordCount(), 2);

        // Once posted the new holding has an id, and its keywords go to it.
        books().append();
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Новая книга"));
        books().post();
        const qint64 newId = currentId(books());
        QCOMPARE(newId, 7);
        QCOMPARE(kw->recordCount(), 0);
        kw->append();
        kw->fieldByName(QStringLiteral("keyword")).setValue(QStringLiteral("новинка"));
        kw->post();
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT book_id FROM keywords WHERE keyword = 'новинка'")),
                 QStringLiteral("7"));
    }

    void onNewRecordRunsBeforeMasterKey()
    {
        DataSource src(&books());
        auto kw = detail(src, QStringLiteral("SELECT * FROM keywords"));
        kw->open();
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        int calls = 0;
        bool keyWasNull = false;
        DatasetState stateSeen = DatasetState::Inactive;
        kw->onNewRecord = [&](Dataset &d) {
            ++calls;
            stateSeen = d.state();
            keyWasNull = d.fieldByName(QStringLiteral("book_id")).isNull();
            d.fieldByName(QStringLiteral("keyword")).setValue(QStringLiteral("новое"));
            d.fieldByName(QStringLiteral("book_id")).setValue(99);
        };
        kw->append();
        QCOMPARE(calls, 1);
        QCOMPARE(stateSeen, DatasetState::Insert);
        QVERIFY(keyWasNull);
        QCOMPARE(kw->fieldByName(QStringLiteral("keyword")).asString(), QStringLiteral("новое"));
        QCOMPARE(kw->fieldByName(QStringLiteral("book_id")).asInteger(), 4); // the link comes after
        kw->post();
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT book_id FROM keywords WHERE keyword = 'новое'")),
                 QStringLiteral("4"));
    }

    void openLoanFoundByNullReturnDate()
    {
        DataSource src(&books());
        auto loans = detail(src, QStringLiteral("SELECT * FROM orders"));
        loans->open();
        QCOMPARE(loans->recordCount(), 2);
        QVERIFY(loans->moveToValue(QStringLiteral("date_in"), QVariant()));
        QCOMPARE(loans->fieldByName(QStringLiteral("loaner")).asString(), QStringLiteral("Петров"));
        QVERIFY(books().moveToValue(QStringLiteral("id"), 2));
        QVERIFY(!loans->moveToValue(QStringLiteral("date_in"), QVariant()));
    }

    // ---- editing ----

    void appendPostReadsBackId()
    {
        books().append();
        QCOMPARE(books().state(), DatasetState::Insert);
        QVERIFY(books().fieldByName(QStringLiteral("id")).isNull());
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Тихий Дон"));
        books().fieldByName(QStringLiteral("inv_num")).setValue(107);
        books().post();
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(currentId(books()), 7);
        QCOMPARE(books().recordCount(), 7);
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT title || '/' || inv_num FROM books WHERE id = 7")),
                 QStringLiteral("Тихий Дон/107"));
    }

    // Only the changed fields are written: a change another program made meanwhile to another
    // column of the record survives.
    void editPostUpdatesChangedFields()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        books().edit();
        QCOMPARE(books().state(), DatasetState::Edit);
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Елена Прекрасная"));
        otherConnection()->runStatement(QStringLiteral("UPDATE books SET price = 777 WHERE id = 4"));
        books().post();
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Елена Прекрасная"));
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT title || '/' || price FROM books WHERE id = 4")),
                 OnServer ? QStringLiteral("Елена Прекрасная/777") : QStringLiteral("Елена Прекрасная/777.0"));
    }

    void cancelDropsTheChange()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        books().edit();
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Другое"));
        books().cancel();
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Елена"));
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT title FROM books WHERE id = 4")), QStringLiteral("Елена"));

        books().append();
        books().cancel();
        QCOMPARE(books().recordCount(), 6);
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT COUNT(*) FROM books")), QStringLiteral("6"));
    }

    void editOfRecordDeletedElsewhere()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        otherConnection()->runStatement(QStringLiteral("DELETE FROM books WHERE id = 4"));
        books().edit();
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Елена Прекрасная"));
        QCOMPARE(errorOf([&] { books().post(); }), QStringLiteral("Update failed. Found 0 records"));
        QCOMPARE(books().state(), DatasetState::Edit);
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Елена Прекрасная"));
        books().cancel();
        QCOMPARE(books().state(), DatasetState::Browse);
    }

    // Two copies of the program post the same record: the second is told it changed meanwhile and
    // keeps what was typed; the first copy's change stays.
    void twoCopiesPostTheSameRecord()
    {
        auto other = otherConnection();
        Dataset second(other.get());
        second.setSql(books().sql());
        second.open();
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4) && second.moveToValue(QStringLiteral("id"), 4));
        books().edit();
        second.edit();
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Первая копия"));
        second.fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Вторая копия"));
        books().post();
        QCOMPARE(errorOf([&] { second.post(); }), QStringLiteral("Update failed. Found 0 records"));
        QCOMPARE(second.state(), DatasetState::Edit);
        QCOMPARE(second.fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Вторая копия"));
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT title FROM books WHERE id = 4")), QStringLiteral("Первая копия"));
        // What was read compares equal to what is stored, for every kind of value: no false alarm.
        conn().runStatement(QStringLiteral("UPDATE books SET price = 1.0 / 3, author = NULL WHERE id = 5"));
        books().refresh();
        QVERIFY(books().moveToValue(QStringLiteral("id"), 5));
        books().edit();
        books().fieldByName(QStringLiteral("price")).setValue(2);
        books().fieldByName(QStringLiteral("author")).setValue(QStringLiteral("Был пустым"));
        books().fieldByName(QStringLiteral("date_reg")).setValue(QDate(2023, 1, 2));
        books().post();
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT author FROM books WHERE id = 5 AND price = 2")), QStringLiteral("Был пустым"));
    }

    void deleteOfRecordDeletedElsewhere()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        otherConnection()->runStatement(QStringLiteral("DELETE FROM books WHERE id = 4"));
        QCOMPARE(errorOf([&] { books().deleteRecord(); }), QStringLiteral("Update failed. Found 0 records"));
        QCOMPARE(books().recordCount(), 6);
        QCOMPARE(currentId(books()), 4);
    }

    void updateOfDuplicateKey()
    {
        conn().runStatement(QStringLiteral("CREATE TABLE copies (id INTEGER, title TEXT);"
                                           "INSERT INTO copies VALUES (1, 'а');"
                                           "INSERT INTO copies VALUES (1, 'а');"));
        Dataset ds(&conn());
        ds.setSql(QStringLiteral("SELECT * FROM copies"));
        ds.open();
        ds.edit();
        ds.fieldByName(QStringLiteral("title")).setValue(QStringLiteral("в"));
        QCOMPARE(errorOf([&] { ds.post(); }), QStringLiteral("Update failed. Found 2 records"));
        QCOMPARE(ds.state(), DatasetState::Edit);
    }

    void deleteMakesNextCurrent()
    {
        QList<qint64> seen;
        books().beforeDelete = [&](Dataset &d) { seen << currentId(d); };
        QVERIFY(books().moveToValue(QStringLiteral("id"), 3));
        books().deleteRecord();
        QCOMPARE(seen, QList<qint64>{3});
        QCOMPARE(currentId(books()), 4);
        QCOMPARE(books().recordCount(), 5);
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT COUNT(*) FROM books WHERE id = 3")), QStringLiteral("0"));

        // "Next" is in the order shown.
        books().setIndexFieldNames(QStringLiteral("title"));
        QVERIFY(books().moveToValue(QStringLiteral("title"), QStringLiteral("Бук")));
        books().deleteRecord();
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Война и мир"));
        QCOMPARE(ids(books()), QStringLiteral("5 1 4 2"));
    }

    void deleteOnEmptyDataset()
    {
        int calls = 0;
        books().beforeDelete = [&](Dataset &) { ++calls; };
        books().setFilterSQL(QStringLiteral("id < 0"));
        QCOMPARE(errorOf([&] { books().deleteRecord(); }),
                 QStringLiteral("Cannot perform this operation on an empty dataset"));
        QCOMPARE(calls, 0);
    }

    void readOnlyRefusesChanges_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("append") << 0;
        QTest::newRow("edit") << 1;
        QTest::newRow("delete") << 2;
    }

    void readOnlyRefusesChanges()
    {
        QFETCH(int, operation);
        int deletes = 0;
        books().beforeDelete = [&](Dataset &) { ++deletes; };
        books().setReadOnly(true);
        const QString error = errorOf([&] {
            switch (operation) {
            case 0: books().append(); break;
            case 1: books().edit(); break;
            default: books().deleteRecord(); break;
            }
        });
        QCOMPARE(error, QStringLiteral("Cannot modify a read-only dataset"));
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(books().recordCount(), 6);
        QCOMPARE(deletes, 0);
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT COUNT(*) FROM books")), QStringLiteral("6"));
    }

    void settingFieldInBrowseState()
    {
        QCOMPARE(errorOf([&] { books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("x")); }),
                 QStringLiteral("Dataset not in edit or insert mode"));
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Война и мир"));
    }

    void closedDatasetRefuses_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("first") << 0;
        QTest::newRow("next") << 1;
        QTest::newRow("prior") << 2;
        QTest::newRow("last") << 3;
        QTest::newRow("refresh") << 4;
        QTest::newRow("moveToValue") << 5;
        QTest::newRow("append") << 6;
        QTest::newRow("edit") << 7;
        QTest::newRow("delete") << 8;
        QTest::newRow("read a field") << 9;
    }

    void closedDatasetRefuses()
    {
        QFETCH(int, operation);
        books().close();
        const QString error = errorOf([&] {
            switch (operation) {
            case 0: books().first(); break;
            case 1: books().next(); break;
            case 2: books().prior(); break;
            case 3: books().last(); break;
            case 4: books().refresh(); break;
            case 5: books().moveToValue(QStringLiteral("id"), 1); break;
            case 6: books().append(); break;
            case 7: books().edit(); break;
            case 8: books().deleteRecord(); break;
            default: books().fieldByName(QStringLiteral("title")).asString(); break;
            }
        });
        QCOMPARE(error, QStringLiteral("Cannot perform this operation on a closed dataset"));
    }

    // A failed post keeps what was typed, so the user can correct it and post again.
    void failedPostKeepsState()
    {
        books().append();
        books().fieldByName(QStringLiteral("author")).setValue(QStringLiteral("Безымянный"));
        QCOMPARE(errorOf([&] { books().post(); }), OnServer ? QStringLiteral("Field 'title' doesn't have a default value")
                                                            : QStringLiteral("NOT NULL constraint failed: books.title"));
        QCOMPARE(books().state(), DatasetState::Insert);
        QCOMPARE(books().fieldByName(QStringLiteral("author")).asString(), QStringLiteral("Безымянный"));
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Название"));
        books().post();
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(currentId(books()), 7);

        books().first();
        books().edit();
        books().fieldByName(QStringLiteral("title")).clear();
        QCOMPARE(errorOf([&] { books().post(); }), OnServer ? QStringLiteral("Column 'title' cannot be null")
                                                            : QStringLiteral("NOT NULL constraint failed: books.title"));
        QCOMPARE(books().state(), DatasetState::Edit);
        QVERIFY(books().fieldByName(QStringLiteral("title")).isNull());
        books().cancel();
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Война и мир"));
    }

    void textRoundTrips_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophe and Cyrillic") << "Д'Артаньян и три мушкетёра";
        QTest::newRow("quotes and a statement") << "Книга \"Мир\"; DROP TABLE books; --";
        QTest::newRow("line breaks") << "Война\r\nи мир";
        QTest::newRow("Ё") << "ЁЛКА ёлка";
        QTest::newRow("outside code page 1251") << "Ελληνικά ✓ 日本 €";
    }

    void textRoundTrips()
    {
        QFETCH(QString, text);
        books().append();
        books().fieldByName(QStringLiteral("title")).setValue(text);
        books().post();
        QVERIFY(books().moveToValue(QStringLiteral("id"), 2));
        books().edit();
        books().fieldByName(QStringLiteral("author")).setValue(text);
        books().post();

        QCOMPARE(scalar(conn(), QStringLiteral("SELECT title FROM books WHERE id = 7")), text);
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT author FROM books WHERE id = 2")), text);
        books().close();
        books().open();
        QVERIFY(books().moveToValue(QStringLiteral("id"), 7));
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), text);
        QVERIFY(books().moveToValue(QStringLiteral("author"), text));
        QCOMPARE(currentId(books()), 2);
    }

    void dateWrittenAsIsoText()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 3));
        books().edit();
        books().fieldByName(QStringLiteral("date_reg")).setValue(QDate(2023, 2, 1));
        books().post();
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT date_reg FROM books WHERE id = 3")), QStringLiteral("2023-02-01"));
        QCOMPARE(books().fieldByName(QStringLiteral("date_reg")).asDate(), QDate(2023, 2, 1));
        // A period filter compares the stored text.
        books().setFilterSQL(QStringLiteral("date_reg BETWEEN '2023-01-01' AND '2023-12-31'"));
        QCOMPARE(ids(books()), QStringLiteral("3"));
    }
};

QTEST_GUILESS_MAIN(TestDatasetEditing)
#include "test_datasetediting.moc"
