// The item-kind tabs over the catalogue: one tab per kind, the "Добавить" tab that creates a
// kind, and moving selected records to another kind from the grid's context menu.
#include "WindowFixture.h"

#include "DatasetModel.h"
#include "ImageList.h"
#include "MainGridView.h"
#include "SchemaCreation.h"
#include "data/Connection.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTabBar>
#include <QtTest>

#include <algorithm>
#include <optional>

namespace {

struct Holding {
    int inv;
    const char *title;
    int kind;
};

// Ids 1 to 9 in this order; kind 0 is a record made while all kinds were shown.
const Holding holdings[] = {
    {1, "Война и мир", 1}, {2, "Анна Каренина", 1},   {3, "Огонёк", 2},     {4, "Наука и жизнь", 2},
    {5, "О теории чисел", 3}, {6, "Мир компьютеров", 4}, {7, "Без раздела", 0}, {8, "Детство", 1},
    {9, "Отрочество", 1},
};

const QStringList startTabs = {"Все", "Книги", "Журналы", "Диссертации", "Электронные издания", "Добавить"};

TMainForm &startWithHoldings(WindowFixture &f)
{
    TMainForm &w = f.startInEditMode();
    for (const Holding &h : holdings)
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO books (inv_num, title, itemkind_id) VALUES (?, ?, ?)"),
                                     {h.inv, QString::fromUtf8(h.title), h.kind});
    f.db().MyBooks.refresh();
    w.ShowRecordCount();
    return w;
}

// A catalogue made before the program starts, its item kinds changed as the item kinds dialog
// would have left them.
void prepareCatalogue(WindowFixture &f, const QStringList &statements)
{
    data::Connection conn;
    conn.setDatabase(f.path(QStringLiteral("library.sdb")));
    conn.open();
    store::ensureCatalogueSchema(conn);
    for (const QString &sql : statements)
        conn.runStatement(sql);
    conn.close();
}

QStringList tabTexts(const TMainForm &w)
{
    QStringList texts;
    for (int i = 0; i < w.tcKinds->count(); ++i)
        texts << w.tcKinds->tabText(i);
    return texts;
}

int rowOfInvNum(const TMainForm &w, int inv)
{
    for (int row = 0; row < w.gridModel->rowCount(); ++row)
        if (w.gridModel->index(row, 0).data().toInt() == inv)
            return row;
    return -1;
}

QString kindName(store::TDBMod &db, int id)
{
    data::Dataset query(&db.MyServer);
    query.setSql(QStringLiteral("SELECT itemkind_name FROM v_itemkind WHERE id = ") + QString::number(id));
    query.open();
    return query.isEmpty() ? QStringLiteral("<none>") : query.field(0).asString();
}

QString countText(int n) { return QStringLiteral("Кол-во записей: ") + QString::number(n); }

bool sameImage(const QIcon &a, const QIcon &b)
{
    return a.pixmap(16, 16).toImage() == b.pixmap(16, 16).toImage();
}

void clickTab(TMainForm &w, int index)
{
    const QPoint centre = w.tcKinds->tabRect(index).center();
    QVERIFY(w.tcKinds->rect().contains(centre));
    QTest::mouseClick(w.tcKinds, Qt::LeftButton, {}, centre);
    QCOMPARE(w.tcKinds->currentIndex(), index);
}

QAction *moveItem(const TMainForm &w, const QString &kind)
{
    for (QAction *a : w.miChangeKind->actions())
        if (a->text() == kind)
            return a;
    return nullptr;
}

void selectRowsOf(TMainForm &w, const QList<int> &invNums)
{
    QItemSelectionModel *selection = w.MainGrid->selectionModel();
    selection->clearSelection();
    for (int inv : invNums) {
        const int row = rowOfInvNum(w, inv);
        QVERIFY(row >= 0);
        selection->select(w.gridModel->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

QList<int> kindsOf(store::TDBMod &db, const QList<int> &invNums)
{
    QList<int> kinds;
    for (int inv : invNums)
        kinds << int(scalar(db, QStringLiteral("SELECT itemkind_id FROM books WHERE inv_num = ") + QString::number(inv)));
    return kinds;
}

} // namespace

class KindTabsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Библиотека")); }

    void tabsReadAllTheKindsAndAdd()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QCOMPARE(tabTexts(w), startTabs);
        QCOMPARE(w.KindIds, QStringList({"0", "1", "2", "3", "4"}));
        QCOMPARE(w.tcKinds->currentIndex(), 0);
        QCOMPARE(f.db().CurrentKind, quint16(0));
        QCOMPARE(w.gridModel->rowCount(), 9);

        // Only the "Добавить" tab has a picture: the green plus.
        for (int i = 0; i < w.tcKinds->count(); ++i) {
            const bool add = i == w.tcKinds->count() - 1;
            QCOMPARE(w.tcKindsGetImageIndex(i), add ? 5 : -1);
            QCOMPARE(w.tcKinds->tabIcon(i).isNull(), !add);
        }
        QVERIFY(sameImage(w.tcKinds->tabIcon(5), ui::sharedImage(5)));

        // The move submenu: the kinds, in the tabs' order, without "Все" and "Добавить".
        QStringList names;
        QList<int> ids;
        for (QAction *a : w.miChangeKind->actions()) {
            names << a->text();
            ids << a->data().toInt();
        }
        QCOMPARE(names, QStringList({"Книги", "Журналы", "Диссертации", "Электронные издания"}));
        QCOMPARE(ids, QList<int>({1, 2, 3, 4}));
        QVERIFY(w.miChangeKind->menuAction()->isEnabled());
    }

    void viewModeHasNoAddTab()
    {
        WindowFixture f;
        TMainForm &w = f.start(); // the login dialog is cancelled
        QVERIFY(store::process().ViewOnly);
        QCOMPARE(tabTexts(w), QStringList({"Все", "Книги", "Журналы", "Диссертации", "Электронные издания"}));
        for (int i = 0; i < w.tcKinds->count(); ++i)
            QCOMPARE(w.tcKindsGetImageIndex(i), -1);
        QVERIFY(!w.miChangeKind->menuAction()->isEnabled());
        w.tcKinds->setCurrentIndex(4);
        QVERIFY(f.platform.prompts.isEmpty());
        QCOMPARE(f.db().CurrentKind, quint16(4));
    }

    void aKindTabShowsOnlyItsRecordsWithTheSearch_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QList<int>>("shown");
        QTest::addColumn<QString>("filter");

        QTest::newRow("Все") << 0 << "" << QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9} << "";
        QTest::newRow("Книги") << 1 << "" << QList<int>{1, 2, 8, 9} << "itemkind_id = 1";
        QTest::newRow("Журналы") << 2 << "" << QList<int>{3, 4} << "itemkind_id = 2";
        QTest::newRow("Электронные издания") << 4 << "" << QList<int>{6} << "itemkind_id = 4";
        QTest::newRow("Все, searching мир") << 0 << "мир" << QList<int>{1, 6} << "my_lower(title) LIKE '%мир%'";
        QTest::newRow("Книги, searching мир") << 1 << "мир" << QList<int>{1}
                                             << "my_lower(title) LIKE '%мир%' AND itemkind_id = 1";
        QTest::newRow("Электронные издания, searching мир")
            << 4 << "мир" << QList<int>{6} << "my_lower(title) LIKE '%мир%' AND itemkind_id = 4";
        QTest::newRow("Диссертации, searching мир") << 3 << "мир" << QList<int>{}
                                                   << "my_lower(title) LIKE '%мир%' AND itemkind_id = 3";
    }

    void aKindTabShowsOnlyItsRecordsWithTheSearch()
    {
        QFETCH(int, tab);
        QFETCH(QString, title);
        QFETCH(QList<int>, shown);
        QFETCH(QString, filter);
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        if (!title.isEmpty()) {
            w.edSearch->setText(title);
            w.FldBox->setCurrentIndex(1);
            QTest::keyClick(w.edSearch, Qt::Key_Return);
        }
        w.tcKinds->setCurrentIndex(tab == 0 ? 1 : 0); // come from another tab
        clickTab(w, tab);

        QCOMPARE(shownInvNums(w), shown);
        QCOMPARE(f.db().MyBooks.filterSQL(), filter);
        QCOMPARE(w.sbStatusCount->text(), countText(int(shown.size())));
        QVERIFY(f.platform.prompts.isEmpty());
    }

    void changingTheTabKeepsTheSearchAndTheSearchKeepsTheTab()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        w.tcKinds->setCurrentIndex(1);
        w.edSearch->setText(QStringLiteral("о"));
        QTest::keyClick(w.edSearch, Qt::Key_Return);
        QCOMPARE(shownInvNums(w), QList<int>({1, 8, 9}));
        w.tcKinds->setCurrentIndex(2);
        QCOMPARE(shownInvNums(w), QList<int>({3}));
        QCOMPARE(w.edSearch->text(), QStringLiteral("о"));
        w.tcKinds->setCurrentIndex(0);
        QCOMPARE(shownInvNums(w), QList<int>({1, 3, 5, 6, 8, 9}));
        QCOMPARE(w.sbStatusCount->text(), countText(6));
    }

    void theAddTabCreatesAKind()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        f.platform.promptAnswers = {QStringLiteral("Журналы 2")};
        w.tcKinds->setCurrentIndex(5);

        QCOMPARE(f.platform.prompts, QStringList({"Новый раздел ..."}));
        QCOMPARE(kindName(f.db(), 5), QStringLiteral("Журналы 2"));
        QCOMPARE(tabTexts(w), QStringList({"Все", "Книги", "Журналы", "Диссертации", "Электронные издания", "Журналы 2",
                                           "Добавить"}));
        QCOMPARE(w.KindIds.last(), QStringLiteral("5"));
        QCOMPARE(w.KindIds.size(), 6);
        QCOMPARE(w.tcKinds->currentIndex(), 5);
        QCOMPARE(f.db().CurrentKind, quint16(5));
        QCOMPARE(w.gridModel->rowCount(), 0);
        QCOMPARE(w.sbStatusCount->text(), countText(0));
        QCOMPARE(w.tcKindsGetImageIndex(5), -1);
        QCOMPARE(w.tcKindsGetImageIndex(6), 5);
        QVERIFY(w.tcKinds->tabIcon(5).isNull());
        QVERIFY(sameImage(w.tcKinds->tabIcon(6), ui::sharedImage(5)));

        // The new "Добавить" tab works the same way.
        f.platform.promptAnswers = {QStringLiteral("Карты")};
        w.tcKinds->setCurrentIndex(6);
        QCOMPARE(kindName(f.db(), 6), QStringLiteral("Карты"));
        QCOMPARE(tabTexts(w).mid(5), QStringList({"Журналы 2", "Карты", "Добавить"}));
        QCOMPARE(w.tcKinds->currentIndex(), 6);
        QCOMPARE(w.KindIds.last(), QStringLiteral("6"));

        // The new kinds are tabs like the others.
        w.tcKinds->setCurrentIndex(0);
        QCOMPARE(w.gridModel->rowCount(), 9);
        w.tcKinds->setCurrentIndex(5);
        QCOMPARE(w.gridModel->rowCount(), 0);
        QCOMPARE(f.platform.prompts.size(), 2);

        // Not offered for moving until the next start.
        QCOMPARE(w.miChangeKind->actions().size(), 4);
        QVERIFY(!moveItem(w, QStringLiteral("Журналы 2")));
    }

    void cancellingTheNewKindReturnsToAll_data()
    {
        QTest::addColumn<std::optional<QString>>("answer");
        QTest::newRow("prompt cancelled") << std::optional<QString>();
        QTest::newRow("empty name") << std::optional<QString>(QString());
    }

    void cancellingTheNewKindReturnsToAll()
    {
        QFETCH(std::optional<QString>, answer);
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        w.tcKinds->setCurrentIndex(2);
        QCOMPARE(w.gridModel->rowCount(), 2);
        f.platform.promptAnswers = {answer};
        w.tcKinds->setCurrentIndex(5);

        QCOMPARE(f.platform.prompts.size(), 1);
        QCOMPARE(w.tcKinds->currentIndex(), 0);
        QCOMPARE(f.db().CurrentKind, quint16(0));
        QVERIFY(f.db().MyBooks.filterSQL().isEmpty());
        QCOMPARE(w.gridModel->rowCount(), 9);
        QCOMPARE(w.sbStatusCount->text(), countText(9));
        QCOMPARE(tabTexts(w), startTabs);
        QCOMPARE(w.KindIds.size(), 5);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM v_itemkind")), 4);
    }

    void theNewKindTakesTheTabIndexUnlessItIsStored_data()
    {
        QTest::addColumn<QStringList>("beforeStart");
        QTest::addColumn<QStringList>("afterStart");
        QTest::addColumn<int>("addTab");
        QTest::addColumn<int>("newId");

        QTest::newRow("kinds 1 to 4") << QStringList{} << QStringList{} << 5 << 5;
        QTest::newRow("kind 3 deleted: 4 is taken")
            << QStringList{"DELETE FROM v_itemkind WHERE id = 3"} << QStringList{} << 4 << 5;
        QTest::newRow("kind 4 deleted: 4 is free")
            << QStringList{"DELETE FROM v_itemkind WHERE id = 4"} << QStringList{} << 4 << 4;
        QTest::newRow("kinds 1 and 2 deleted: 3 is taken")
            << QStringList{"DELETE FROM v_itemkind WHERE id IN (1, 2)"} << QStringList{} << 3 << 5;
        QTest::newRow("kind 3 deleted, kind 9 added: 5 is free")
            << QStringList{"DELETE FROM v_itemkind WHERE id = 3",
                           "INSERT INTO v_itemkind (id, itemkind_name) VALUES (9, 'Карты')"}
            << QStringList{} << 5 << 5;
        QTest::newRow("kind 1 deleted, kind 5 added: 5 is taken")
            << QStringList{"DELETE FROM v_itemkind WHERE id = 1",
                           "INSERT INTO v_itemkind (id, itemkind_name) VALUES (5, 'Карты')"}
            << QStringList{} << 5 << 6;
        QTest::newRow("kind 5 stored by another window after the start")
            << QStringList{} << QStringList{"INSERT INTO v_itemkind (id, itemkind_name) VALUES (5, 'Карты')"} << 5 << 6;
    }

    void theNewKindTakesTheTabIndexUnlessItIsStored()
    {
        QFETCH(QStringList, beforeStart);
        QFETCH(QStringList, afterStart);
        QFETCH(int, addTab);
        QFETCH(int, newId);
        WindowFixture f;
        prepareCatalogue(f, beforeStart);
        TMainForm &w = f.startInEditMode();
        for (const QString &sql : afterStart)
            f.db().MyServer.runStatement(sql);
        QCOMPARE(w.tcKinds->tabText(addTab), QStringLiteral("Добавить"));
        QCOMPARE(w.tcKinds->count(), addTab + 1);
        const qint64 kindsBefore = scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM v_itemkind"));

        f.platform.promptAnswers = {QStringLiteral("Новый раздел")};
        w.tcKinds->setCurrentIndex(addTab);

        QVERIFY2(f.platform.messages.isEmpty(), qPrintable(f.platform.messageTexts().join(u'\n')));
        QCOMPARE(kindName(f.db(), newId), QStringLiteral("Новый раздел"));
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM v_itemkind")), kindsBefore + 1);
        QCOMPARE(w.tcKinds->tabText(addTab), QStringLiteral("Новый раздел"));
        QCOMPARE(w.tcKinds->tabText(addTab + 1), QStringLiteral("Добавить"));
        QCOMPARE(w.KindIds.last(), QString::number(newId));
        QCOMPARE(w.tcKinds->currentIndex(), addTab);
        QCOMPARE(f.db().CurrentKind, quint16(newId));
        QCOMPARE(w.gridModel->rowCount(), 0);
    }

    void aKindTheStoreRefusesLeavesTheTabsAsTheyWere()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        w.tcKinds->setCurrentIndex(1);
        f.db().MyServer.runStatement(QStringLiteral(
            "CREATE TRIGGER no_new_kinds BEFORE INSERT ON v_itemkind BEGIN SELECT RAISE(ABORT, 'новые разделы запрещены'); END"));
        f.platform.promptAnswers = {QStringLiteral("Карты")};
        w.tcKinds->setCurrentIndex(5);

        QCOMPARE(f.platform.messages.size(), 1);
        QVERIFY(f.platform.messages.first().text.contains(QStringLiteral("новые разделы запрещены")));
        QCOMPARE(f.platform.messages.first().caption, QStringLiteral("Библиотека"));
        QCOMPARE(f.platform.messages.first().icon, ui::MsgIcon::Error);
        QCOMPARE(tabTexts(w), startTabs);
        QCOMPARE(w.KindIds, QStringList({"0", "1", "2", "3", "4"}));
        QCOMPARE(w.tcKinds->currentIndex(), 5);
        QCOMPARE(w.tcKindsGetImageIndex(5), 5);
        // The catalogue still shows the kind chosen before.
        QCOMPARE(f.db().CurrentKind, quint16(1));
        QCOMPARE(f.db().MyBooks.filterSQL(), QStringLiteral("itemkind_id = 1"));
        QCOMPARE(shownInvNums(w), QList<int>({1, 2, 8, 9}));

        // Once the store takes it again, the tab works.
        f.db().MyServer.runStatement(QStringLiteral("DROP TRIGGER no_new_kinds"));
        w.tcKinds->setCurrentIndex(0);
        QCOMPARE(w.gridModel->rowCount(), 9);
        f.platform.promptAnswers = {QStringLiteral("Карты")};
        w.tcKinds->setCurrentIndex(5);
        QCOMPARE(kindName(f.db(), 5), QStringLiteral("Карты"));
        QCOMPARE(tabTexts(w).mid(5), QStringList({"Карты", "Добавить"}));
    }

    void movingSelectedRowsOnAllKeepsThemInTheGrid()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        selectRowsOf(w, {1, 3, 5});
        QAction *electronic = moveItem(w, QStringLiteral("Электронные издания"));
        QVERIFY(electronic);
        w.miChangeKindClick(electronic);

        QCOMPARE(kindsOf(f.db(), {1, 3, 5}), QList<int>({4, 4, 4}));
        QCOMPARE(kindsOf(f.db(), {2, 4, 6, 7, 8, 9}), QList<int>({1, 2, 4, 0, 1, 1}));
        QCOMPARE(shownInvNums(w), QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9}));
        QCOMPARE(w.sbStatusCount->text(), countText(9));
        w.tcKinds->setCurrentIndex(4);
        QCOMPARE(shownInvNums(w), QList<int>({1, 3, 5, 6}));
        QVERIFY(f.platform.messages.isEmpty());
    }

    void movingSelectedRowsOnAKindTabTakesThemOutOfTheGrid()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        w.tcKinds->setCurrentIndex(1);
        QCOMPARE(shownInvNums(w), QList<int>({1, 2, 8, 9}));
        selectRowsOf(w, {1, 8, 9});
        moveItem(w, QStringLiteral("Журналы"))->trigger();

        QCOMPARE(kindsOf(f.db(), {1, 8, 9, 2}), QList<int>({2, 2, 2, 1}));
        QCOMPARE(shownInvNums(w), QList<int>({2}));
        QCOMPARE(w.sbStatusCount->text(), countText(1));
        w.tcKinds->setCurrentIndex(2);
        QCOMPARE(shownInvNums(w), QList<int>({1, 3, 4, 8, 9}));
    }

    void movingWithNothingSelectedChangesNothing()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        w.MainGrid->selectionModel()->clearSelection();
        moveItem(w, QStringLiteral("Диссертации"))->trigger();
        QVERIFY(f.platform.messages.isEmpty());
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books WHERE itemkind_id = 3")), 1);
        QCOMPARE(w.gridModel->rowCount(), 9);
    }

    void theMoveSubmenuKeepsTheKindsOfTheStart()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        // Kinds added and renamed after the start, as the item kinds dialog would.
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO v_itemkind (id, itemkind_name) VALUES (7, 'Ноты')"));
        f.db().MyServer.runStatement(QStringLiteral("UPDATE v_itemkind SET itemkind_name = 'Монографии' WHERE id = 1"));
        f.platform.promptAnswers = {QStringLiteral("Карты")};
        w.tcKinds->setCurrentIndex(5);
        QCOMPARE(w.tcKinds->tabText(5), QStringLiteral("Карты"));

        QStringList names;
        for (QAction *a : w.miChangeKind->actions())
            names << a->text();
        QCOMPARE(names, QStringList({"Книги", "Журналы", "Диссертации", "Электронные издания"}));
        QCOMPARE(w.tcKinds->tabText(1), QStringLiteral("Книги"));
        // The items still move to the kind they name by id.
        w.tcKinds->setCurrentIndex(0);
        selectRowsOf(w, {7});
        moveItem(w, QStringLiteral("Книги"))->trigger();
        QCOMPARE(kindsOf(f.db(), {7}), QList<int>({1}));
    }
};

QTEST_MAIN(KindTabsTest)
#include "test_kindtabs.moc"
