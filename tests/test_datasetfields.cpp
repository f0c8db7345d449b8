// Datasets over a small catalogue: field kinds, the reads of a field's value and the signals
// the dataset sends its observers.
#include "DatasetFixture.h"

#include <QDate>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <QVariant>

using namespace data;
using namespace store;
using namespace dataset_tests;

class TestDatasetFields : public QObject, private DatasetFixture {
    Q_OBJECT

private slots:
    void initTestCase() { useRussianSettings(); }

    void init() { openCatalogue(); }

    void cleanup() { closeCatalogue(); }

    // ---- fields ----

    void fieldByNameUnknown()
    {
        QCOMPARE(errorOf([&] { books().fieldByName(QStringLiteral("nosuch")); }), QStringLiteral("Field 'nosuch' not found"));
        QCOMPARE(books().fieldByName(QStringLiteral("TITLE")).asString(), QStringLiteral("Война и мир"));
    }

    void fieldsByPosition()
    {
        QCOMPARE(books().fieldCount(), 9);
        QCOMPARE(books().field(0).name(), QStringLiteral("id"));
        QCOMPARE(books().field(TitleColumn).name(), QStringLiteral("title"));
        QCOMPARE(books().field(TitleColumn).asString(), QStringLiteral("Война и мир"));
        QCOMPARE(books().field(8).name(), QStringLiteral("file"));
    }

    void fieldKinds_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("variantType");
        QTest::newRow("INTEGER") << "inv_num" << int(FieldType::Integer) << int(QMetaType::LongLong);
        QTest::newRow("INTEGER PRIMARY KEY") << "id" << int(FieldType::Integer) << int(QMetaType::LongLong);
        QTest::newRow("REAL holding a whole number") << "price" << int(FieldType::Float) << int(QMetaType::Double);
        QTest::newRow("TEXT") << "title" << int(FieldType::String) << int(QMetaType::QString);
        QTest::newRow("DATE") << "date_reg" << int(FieldType::Date) << int(QMetaType::QDate);
    }

    void fieldKinds()
    {
        QFETCH(QString, column);
        QFETCH(int, kind);
        QFETCH(int, variantType);
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4)); // price 120: a whole number in a REAL column
        const Field f = books().fieldByName(column);
        QCOMPARE(int(f.type()), kind);
        QCOMPARE(f.asVariant().typeId(), variantType);
    }

    void fieldReads_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("isNull");
        QTest::addColumn<qint64>("asInteger");
        QTest::addColumn<QString>("asString");
        QTest::addColumn<QVariant>("asVariant");

        QTest::newRow("integer") << 1 << "inv_num" << false << qint64(101) << "101" << QVariant(qlonglong(101));
        QTest::newRow("NULL integer") << 5 << "inv_num" << true << qint64(0) << "" << QVariant();
        QTest::newRow("real") << 3 << "price" << false << qint64(99) << "99" << QVariant(99.0);
        QTest::newRow("text") << 4 << "title" << false << qint64(0) << "Елена" << QVariant("Елена");
        QTest::newRow("NULL text") << 2 << "author" << true << qint64(0) << "" << QVariant();
        QTest::newRow("empty text") << 3 << "file" << false << qint64(0) << "" << QVariant("");
        QTest::newRow("date") << 1 << "date_reg" << false << qint64(0)
                              << QLocale().toString(QDate(2020, 3, 15), QLocale::ShortFormat)
                              << QVariant(QDate(2020, 3, 15));
        QTest::newRow("NULL date") << 3 << "date_reg" << true << qint64(0) << "" << QVariant();
    }

    void fieldReads()
    {
        QFETCH(int, id);
        QFETCH(QString, column);
        QFETCH(bool, isNull);
        QFETCH(qint64, asInteger);
        QFETCH(QString, asString);
        QFETCH(QVariant, asVariant);
        QVERIFY(books().moveToValue(QStringLiteral("id"), id));
        const Field f = books().fieldByName(column);
        QCOMPARE(f.isNull(), isNull);
        if (f.isNull() || f.type() == FieldType::Integer || f.type() == FieldType::Float)
            QCOMPARE(f.asInteger(), asInteger);
        QCOMPARE(f.asString(), asString);
        QCOMPARE(f.asVariant(), asVariant);
        if (f.type() == FieldType::Date)
            QCOMPARE(f.asDate(), asVariant.toDate());
    }

    void dateReadsInShortFormat()
    {
        // With Russian settings the short format is day.month.year.
        QCOMPARE(books().fieldByName(QStringLiteral("date_reg")).asString(), QStringLiteral("15.03.2020"));
    }

    void emptyResultReadsNull()
    {
        books().setFilterSQL(QStringLiteral("id < 0"));
        for (int c = 0; c < books().fieldCount(); ++c) {
            const Field f = books().field(c);
            QVERIFY2(f.isNull(), qPrintable(f.name()));
            QCOMPARE(f.asString(), QString());
            QCOMPARE(f.asVariant(), QVariant());
        }
        QCOMPARE(books().fieldByName(QStringLiteral("inv_num")).asInteger(), 0);
        QVERIFY(!books().fieldByName(QStringLiteral("date_reg")).asDate().isValid());
    }

    // ---- signals for observers ----

    void signalsForObservers()
    {
        Dataset ds(&conn());
        ds.setSql(QStringLiteral("SELECT * FROM books"));
        QSignalSpy reset(&ds, &Dataset::rowsReset);
        QSignalSpy current(&ds, &Dataset::currentChanged);
        QSignalSpy changed(&ds, &Dataset::fieldChanged);
        QSignalSpy inserted(&ds, &Dataset::rowInserted);
        QSignalSpy removed(&ds, &Dataset::rowRemoved);
        QSignalSpy updated(&ds, &Dataset::rowUpdated);

        ds.open();
        QVERIFY(reset.count() >= 1);
        QVERIFY(!current.isEmpty());
        QCOMPARE(current.last().at(0).toInt(), 0);

        current.clear();
        ds.next();
        QCOMPARE(current.count(), 1);
        QCOMPARE(current.last().at(0).toInt(), 1);

        ds.edit();
        ds.fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Снова Ёлка"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.last().at(0).toInt(), TitleColumn);
        ds.post();
        QVERIFY(!updated.isEmpty());
        QCOMPARE(updated.last().at(0).toInt(), 1);

        current.clear();
        ds.append();
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.last().at(0).toInt(), 6);
        QCOMPARE(current.last().at(0).toInt(), 6);
        ds.cancel();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.last().at(0).toInt(), 6);

        ds.setRecNo(1);
        current.clear();
        removed.clear();
        ds.deleteRecord();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.last().at(0).toInt(), 1);
        QVERIFY(!current.isEmpty()); // another record is under the cursor now
        QCOMPARE(current.last().at(0).toInt(), 1);

        reset.clear();
        ds.setIndexFieldNames(QStringLiteral("title"));
        QCOMPARE(reset.count(), 1);
        reset.clear();
        ds.setFilter(QStringLiteral("onloan = 1"));
        ds.setFiltered(true);
        QCOMPARE(reset.count(), 1);
        reset.clear();
        ds.setFilterSQL(QStringLiteral("itemkind_id = 2"));
        QVERIFY(reset.count() >= 1);
        QCOMPARE(ds.recordCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDatasetFields)
#include "test_datasetfields.moc"
