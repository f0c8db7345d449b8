// The value lists and shared queries of the data module: distinct values of a column, the next
// inventory number of an item kind, and the item kinds themselves.
#include "DataModuleFixture.h"

#include <QStringList>
#include <QTest>

#include <algorithm>

using namespace data;
using namespace store;
using namespace datamodule_tests;

class TestValueLists : public QObject {
    Q_OBJECT

private slots:
    void init() { resetProcess(); }

    // ---- value lists and shared queries ----------------------------------------------------

    void distinctValues_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("order");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QStringList>("expected");

        QStringList publishers;
        for (int i = 1; i <= 60; ++i)
            publishers << QStringLiteral("Изд-%1").arg(i, 2, 10, QChar(u'0'));
        QStringList lastThree = publishers.mid(57);
        std::reverse(lastThree.begin(), lastThree.end());

        QTest::newRow("every value NULL or empty") << "source" << "books" << "source ASC" << 50 << QStringList();
        QTest::newRow("letter case kept apart, duplicates once")
            << "location" << "books" << "location ASC" << 50
            << QStringList{QStringLiteral("Киев"), QStringLiteral("Москва"), QStringLiteral("москва")};
        QTest::newRow("60 publishers, limit 50") << "publisher" << "books" << "publisher ASC" << 50 << publishers.mid(0, 50);
        QTest::newRow("60 publishers, no limit") << "publisher" << "books" << "publisher ASC" << 0 << publishers;
        QTest::newRow("descending, limit 3") << "publisher" << "books" << "publisher DESC" << 3 << lastThree;
        QTest::newRow("readers of the loans")
            << "loaner" << "orders" << "loaner ASC" << 0 << QStringList{QStringLiteral("Иванов"), QStringLiteral("Петров")};
    }

    void distinctValues()
    {
        QFETCH(QString, field);
        QFETCH(QString, table);
        QFETCH(QString, order);
        QFETCH(int, limit);
        QFETCH(QStringList, expected);
        Program p;
        TDBMod &mod = p.start();
        // Publishers in a scrambled order: step 7 runs through all 60 numbers once.
        for (int i = 0; i < 60; ++i) {
            const int n = (i * 7) % 60 + 1;
            mod.MyServer.runStatement(QStringLiteral("INSERT INTO books (id, publisher, source) VALUES (?, ?, ?)"),
                                      {100 + i, QStringLiteral("Изд-%1").arg(n, 2, 10, QChar(u'0')),
                                       i % 2 ? QVariant(QStringLiteral("")) : QVariant()});
        }
        mod.MyServer.runStatement(QStringLiteral(
            "UPDATE books SET location = 'Москва' WHERE id IN (100, 102);"
            "UPDATE books SET location = 'москва' WHERE id = 101;"
            "UPDATE books SET location = 'Киев' WHERE id = 103;"
            "UPDATE books SET location = '' WHERE id = 104;"
            "INSERT INTO orders (book_id, loaner) VALUES (100, 'Петров'), (101, 'Иванов'), (102, 'Петров'),"
            " (103, NULL), (104, '');"));
        mod.MyBooks.open();
        apply(mod, {"srch|id < 102"});

        QCOMPARE(mod.DistinctValues(field, table, order, quint8(limit)), expected);
        // The catalogue is not touched.
        QCOMPARE(mod.MyBooks.filterSQL(), QStringLiteral("id < 102"));
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("100 101"));
    }

    void distinctValuesOfAMissingColumn()
    {
        Program p;
        TDBMod &mod = p.start();
        QVERIFY_THROWS_EXCEPTION(DataError, mod.DistinctValues(QStringLiteral("city"), QStringLiteral("books"),
                                                                QStringLiteral("city ASC"), 50));
    }

    void nextInvNum_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("expected");
        QTest::newRow("kind without holdings") << 4 << QString() << 1;
        QTest::newRow("largest is 41") << 3 << QString() << 42;
        QTest::newRow("largest is 41, catalogue shows only number 3") << 3 << QStringLiteral("srch|inv_num = 3") << 42;
        QTest::newRow("other kinds' numbers not counted") << 1 << QString() << 3;
        QTest::newRow("largest is 65535") << 2 << QString() << 65536;
        QTest::newRow("holdings without a number") << 5 << QString() << 1;
    }

    void nextInvNum()
    {
        QFETCH(int, kind);
        QFETCH(QString, entry);
        QFETCH(int, expected);
        Program p;
        TDBMod &mod = p.start();
        mod.MyServer.runStatement(QStringLiteral(
            "INSERT INTO books (id, inv_num, itemkind_id) VALUES (1, 1, 1), (2, 2, 1), (3, 3, 3), (4, 41, 3), (5, 7, 3),"
            " (6, 65535, 2), (7, 100, 2), (8, NULL, 5), (9, 900, 0);"));
        mod.MyBooks.open();
        apply(mod, {QStringLiteral("#%1").arg(kind)});
        if (!entry.isEmpty())
            apply(mod, {entry});
        const QString shown = shownIds(mod.MyBooks);

        QCOMPARE(mod.NextInvNum(), expected);
        QCOMPARE(shownIds(mod.MyBooks), shown);
        if (!entry.isEmpty())
            QCOMPARE(shown, QStringLiteral("3"));
    }

    void loadItemKindsAppendsToTheCallersLists()
    {
        Program p;
        TDBMod &mod = p.start();
        mod.MyServer.runStatement(QStringLiteral("DELETE FROM v_itemkind;"
                                                 "INSERT INTO v_itemkind (id, itemkind_name) VALUES"
                                                 " (2, 'Ноты'), (5, 'Карты'), (9, 'Д''Артаньян и др.');"));
        QStringList names{QStringLiteral("Все")};
        QStringList ids{QStringLiteral("0")};

        mod.LoadItemKinds(names, ids);

        QCOMPARE(names, (QStringList{QStringLiteral("Все"), QStringLiteral("Ноты"), QStringLiteral("Карты"),
                                     QStringLiteral("Д'Артаньян и др.")}));
        QCOMPARE(ids, (QStringList{"0", "2", "5", "9"}));
    }

    void addItemKindStoresTheNameAsTyped_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("apostrophe") << QStringLiteral("l'Europe");
        QTest::newRow("statement in the name") << QStringLiteral("'); DROP TABLE books; --");
        QTest::newRow("quotes and Cyrillic") << QStringLiteral("Ёж \"колючий\"");
        QTest::newRow("empty") << QString();
    }

    void addItemKindStoresTheNameAsTyped()
    {
        QFETCH(QString, name);
        Program p;
        TDBMod &mod = startCatalogue(p);
        mod.myItemKinds.open();
        const int shownKinds = mod.myItemKinds.recordCount();

        mod.AddItemKind(name, 10);

        RawDb check(p.dbFile());
        QCOMPARE(check.rows(QStringLiteral("SELECT itemkind_name FROM v_itemkind WHERE id = 10")), QStringList{name});
        QCOMPARE(check.rows(QStringLiteral("SELECT COUNT(*) FROM v_itemkind")),
                 QStringList{QString::number(shownKinds + 1)});
        QCOMPARE(check.rows(QStringLiteral("SELECT COUNT(*) FROM books")), QStringList{QStringLiteral("6")});
        // The item kinds dataset is not re-read by the call.
        QCOMPARE(mod.myItemKinds.recordCount(), shownKinds);
        QStringList names, ids;
        mod.LoadItemKinds(names, ids);
        QCOMPARE(names.last(), name);
        QCOMPARE(ids.last(), QStringLiteral("10"));
    }

    void addItemKindWithAnIdInUse()
    {
        Program p;
        TDBMod &mod = p.start();
        RawDb check(p.dbFile());
        const QStringList before = check.rows(QStringLiteral("SELECT id, itemkind_name FROM v_itemkind ORDER BY id"));

        bool thrown = false;
        try {
            mod.AddItemKind(QStringLiteral("Дубль"), 2);
        } catch (const DataError &e) {
            thrown = true;
            QCOMPARE(e.sqliteCode(), SQLITE_CONSTRAINT);
            QVERIFY2(e.message().contains(QStringLiteral("UNIQUE")), qPrintable(e.message()));
        }
        QVERIFY(thrown);
        QCOMPARE(check.rows(QStringLiteral("SELECT id, itemkind_name FROM v_itemkind ORDER BY id")), before);
    }
};

QTEST_GUILESS_MAIN(TestValueLists)
#include "test_valuelists.moc"
