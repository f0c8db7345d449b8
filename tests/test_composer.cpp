// The record filter composer of the data module: the named conditions the panes hand to it, the
// item kind, and the catalogue's filter and rows that result.
#include "DataModuleFixture.h"

#include <QSignalSpy>
#include <QStringList>
#include <QTest>

using namespace data;
using namespace store;
using namespace datamodule_tests;

class TestComposer : public QObject {
    Q_OBJECT

private slots:
    void init() { resetProcess(); }

    // ---- the record filter composer -----------------------------------------------------

    void composer_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("conditions");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("ids");

        const QString all = QStringLiteral("1 2 3 4 5 6");
        const QString longText = QStringLiteral("my_lower(title) LIKE '%") + QString(280, u'я') + QStringLiteral("%'");

        QTest::newRow("no entries, all kinds") << QStringList() << QStringList() << QString() << all;
        QTest::newRow("kind alone") << QStringList{"#3"} << QStringList() << QStringLiteral("itemkind_id = 3")
                                    << QStringLiteral("4 5");
        QTest::newRow("two entries and a kind")
            << QStringList{"srch|" + S2, "new|" + N, "#3"} << QStringList{"srch|" + S2, "new|" + N}
            << S2 + " AND " + N + " AND itemkind_id = 3" << QStringLiteral("4");
        QTest::newRow("kind first, entry later")
            << QStringList{"#3", "srch|" + S2} << QStringList{"srch|" + S2} << S2 + " AND itemkind_id = 3"
            << QStringLiteral("4");
        QTest::newRow("bare name removes its entry")
            << QStringList{"srch|" + S, "param|" + P, "srch"} << QStringList{"param|" + P} << P << QStringLiteral("2");
        QTest::newRow("bare name in capitals removes its entry")
            << QStringList{"srch|" + S, "param|" + P, "SRCH"} << QStringList{"param|" + P} << P << QStringLiteral("2");
        QTest::newRow("bare name not in the list")
            << QStringList{"srch|" + S, "param"} << QStringList{"srch|" + S} << S << QStringLiteral("1");
        QTest::newRow("last entry removed")
            << QStringList{"srch|" + S, "srch"} << QStringList() << QString() << all;
        QTest::newRow("name in capitals replaces in place")
            << QStringList{"srch|" + S, "param|" + R, "SRCH|" + S2} << QStringList{"SRCH|" + S2, "param|" + R}
            << S2 + " AND " + R << QStringLiteral("1 4");
        QTest::newRow("bar inside the condition")
            << QStringList{"srch|" + BAR} << QStringList{"srch|" + BAR} << BAR << QStringLiteral("6");
        QTest::newRow("search, rubric, new search")
            << QStringList{"srch|" + S, "param|" + R, "srch|" + S3} << QStringList{"srch|" + S3, "param|" + R}
            << S3 + " AND " + R << QStringLiteral("4");
        QTest::newRow("author index replaces the rubric")
            << QStringList{"param|" + R, "param|" + P} << QStringList{"param|" + P} << P << QStringLiteral("2");
        QTest::newRow("rubric with its own brackets and a kind")
            << QStringList{"param|" + R, "#3"} << QStringList{"param|" + R} << R + " AND itemkind_id = 3"
            << QStringLiteral("4");
        QTest::newRow("empty text removes all, the kind stays")
            << QStringList{"srch|" + S, "param|" + R, "#2", ""} << QStringList() << QStringLiteral("itemkind_id = 2")
            << QStringLiteral("3");
        QTest::newRow("all kinds again keeps the entries")
            << QStringList{"srch|" + S2, "#3", "#0"} << QStringList{"srch|" + S2} << S2 << QStringLiteral("1 4");
        QTest::newRow("entry longer than 255 characters kept whole")
            << QStringList{"srch|" + longText} << QStringList{"srch|" + longText} << longText << QString();
    }

    void composer()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, conditions);
        QFETCH(QString, filter);
        QFETCH(QString, ids);
        Program p;
        TDBMod &mod = startCatalogue(p);

        apply(mod, steps);

        QCOMPARE(*mod.Conditions, conditions);
        QCOMPARE(mod.MyBooks.filterSQL(), filter);
        QVERIFY(mod.MyBooks.active());
        QCOMPARE(shownIds(mod.MyBooks), ids);
    }

    void joinConditionsLeavesTheKindOut()
    {
        Program p;
        TDBMod &mod = startCatalogue(p);
        QCOMPARE(mod.JoinConditions(), QString());
        apply(mod, {"#3"});
        QCOMPARE(mod.JoinConditions(), QString());
        apply(mod, {"srch|" + S2, "param|" + R});
        QCOMPARE(mod.JoinConditions(), S2 + " AND " + R);
    }

    void callsThatLeaveTheFilterAloneRunNoQuery_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QStringList>("conditions");
        QTest::newRow("same kind again") << QStringList{"srch|" + S2, "#3"} << QStringLiteral("#3")
                                         << QStringList{"srch|" + S2};
        QTest::newRow("all kinds again") << QStringList() << QStringLiteral("#0") << QStringList();
        QTest::newRow("removing a name not in the list") << QStringList{"srch|" + S2} << QStringLiteral("param")
                                                         << QStringList{"srch|" + S2};
        QTest::newRow("same entry again") << QStringList{"srch|" + S2} << "srch|" + S2 << QStringList{"srch|" + S2};
        QTest::newRow("same entry, name in capitals") << QStringList{"srch|" + S2} << "SRCH|" + S2
                                                      << QStringList{"SRCH|" + S2};
        QTest::newRow("removing all from an empty list") << QStringList{"#2"} << QString() << QStringList();
    }

    void callsThatLeaveTheFilterAloneRunNoQuery()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, step);
        QFETCH(QStringList, conditions);
        Program p;
        TDBMod &mod = startCatalogue(p);
        apply(mod, before);
        const QString filter = mod.MyBooks.filterSQL();
        const QString ids = shownIds(mod.MyBooks);
        QSignalSpy resets(&mod.MyBooks, &Dataset::rowsReset);
        CatalogueQueryCounter queries(mod.MyServer);

        apply(mod, {step});

        QCOMPARE(queries.runs(), 0);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(*mod.Conditions, conditions);
        QCOMPARE(mod.MyBooks.filterSQL(), filter);
        QCOMPARE(shownIds(mod.MyBooks), ids);
    }

    void newAcquisitionsDuringASearch()
    {
        Program p;
        TDBMod &mod = startCatalogue(p);
        apply(mod, {"#3", "srch|" + S2});
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("4"));
        CatalogueQueryCounter queries(mod.MyServer);

        mod.SetCondition(QString()); // any condition present: all removed first
        QCOMPARE(queries.runs(), 1);
        QCOMPARE(mod.MyBooks.filterSQL(), QStringLiteral("itemkind_id = 3"));
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("4 5"));

        mod.SetCondition("new|" + N);
        QCOMPARE(queries.runs(), 2);
        QCOMPARE(*mod.Conditions, QStringList{"new|" + N});
        QCOMPARE(mod.MyBooks.filterSQL(), N + " AND itemkind_id = 3");
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("4"));
    }

    void filterSetDirectlyIsReplacedByTheNextComposerCall()
    {
        Program p;
        TDBMod &mod = startCatalogue(p);
        apply(mod, {"srch|" + S2});
        // The lent-holdings report sets its own condition, past the composer.
        mod.MyBooks.setFilterSQL(QStringLiteral("id IN (2, 3)"));
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("2 3"));
        QCOMPARE(*mod.Conditions, QStringList{"srch|" + S2});

        CatalogueQueryCounter queries(mod.MyServer);
        mod.SetCondition(QStringLiteral("param")); // not in the list, yet the composed text returns
        QCOMPARE(queries.runs(), 1);
        QCOMPARE(mod.MyBooks.filterSQL(), S2);
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("1 4"));
    }

    void composerWhileTheCatalogueIsClosed()
    {
        Program p;
        TDBMod &mod = p.start();
        mod.MyServer.runStatement(catalogueRows);
        apply(mod, {"srch|" + S2, "#3"});
        QVERIFY(!mod.MyBooks.active());
        QCOMPARE(mod.MyBooks.filterSQL(), S2 + " AND itemkind_id = 3");
        mod.MyBooks.open(); // the main window's first show
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("4"));
    }

    void rejectedConditionLeavesTheCatalogueAsItWas_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("inventory number typed with a letter") << QStringLiteral("srch|inv_num = 12а");
        QTest::newRow("apostrophe in the search text") << QStringLiteral("srch|my_lower(title) LIKE '%д'артаньян%'");
        QTest::newRow("broken condition under a new name") << QStringLiteral("new|(date_reg BETWEEN '2024-01-01'");
        QTest::newRow("unknown column") << QStringLiteral("param|shelf = 3");
    }

    void rejectedConditionLeavesTheCatalogueAsItWas()
    {
        QFETCH(QString, entry);
        Program p;
        TDBMod &mod = startCatalogue(p);
        apply(mod, {"srch|" + S2, "param|" + R});
        const QStringList before = *mod.Conditions;
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("1 4"));

        bool thrown = false;
        try {
            mod.SetCondition(entry);
        } catch (const DataError &e) {
            thrown = true;
            QCOMPARE(e.sqliteCode(), SQLITE_ERROR);
            QVERIFY(!e.message().isEmpty());
        }
        QVERIFY2(thrown, "the engine's error reaches the caller");
        QVERIFY(mod.MyBooks.active());
        QCOMPARE(mod.MyBooks.filterSQL(), S2 + " AND " + R);
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("1 4"));
        QCOMPARE(*mod.Conditions, before);
        QCOMPARE(mod.CurrentKind, quint16(0));

        // The next good search works as usual.
        mod.SetCondition("srch|" + S3);
        QCOMPARE(*mod.Conditions, (QStringList{"srch|" + S3, "param|" + R}));
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("4"));
    }

    void rejectedKindLeavesTheCatalogueAsItWas()
    {
        Program p;
        TDBMod &mod = startCatalogue(p);
        apply(mod, {"srch|" + S2});
        // A catalogue whose books table lacks the item-kind column: only the kind clause fails.
        mod.MyServer.runStatement(QStringLiteral("ALTER TABLE books RENAME COLUMN itemkind_id TO kind"));

        QVERIFY_THROWS_EXCEPTION(DataError, mod.SetKind(3));
        QCOMPARE(mod.CurrentKind, quint16(0));
        QVERIFY(mod.MyBooks.active());
        QCOMPARE(mod.MyBooks.filterSQL(), S2);
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("1 4"));
        QCOMPARE(*mod.Conditions, QStringList{"srch|" + S2});

        mod.SetCondition("srch|" + S3);
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("4"));
    }
};

QTEST_GUILESS_MAIN(TestComposer)
#include "test_composer.moc"
