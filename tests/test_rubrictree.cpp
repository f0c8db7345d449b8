// The rubric tree as a librarian uses it: levels read on first opening, the catalogue narrowed to
// a rubric and everything below it, rubrics added, renamed and deleted from the context menu,
// "Развернуть все" reading the table once, and view mode leaving only the tree's browsing items.
#include "WindowFixture.h"

#include "RubricTree.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>
#include <QtTest>
#include <sqlite3.h>

namespace {

struct Rubric {
    qint64 id;
    const char *title;
    qint64 parent;
    int hasChildren;
};

// Stored out of title order; 7 is marked as having sub-rubrics but has none.
const Rubric rubrics[] = {
    {3, "История", 0, 1},       {13, "Физика", 0, 0},        {5, "Биология", 0, 1},   {31, "Астрономия", 0, 0},
    {17, "Древний мир", 3, 1},  {117, "Новое время", 3, 0},  {7, "Средние века", 3, 1}, {8, "Ботаника", 5, 0},
    {4, "Анатомия", 5, 0},      {70, "Египет", 17, 0},       {70000, "Большая", 0, 0},
};

struct Holding {
    int inv;
    const char *rubric;
};
const Holding holdings[] = {{1, "3.;"},    {2, "5.;3.7.;"}, {3, "13.;"},   {4, "31.;"},
                            {5, "3.17.;"}, {6, "5.;3.17.;"}, {7, "3.117.;"}, {8, "70000.;"}};

// The program with the rubrics and holdings above already stored, shown in edit mode.
TMainForm &startWithRubrics(WindowFixture &f, bool editMode = true)
{
    if (editMode)
        f.writeSettings("[General]\r\nAutoAdminLogon=1\r\n");
    f.create();
    for (const Rubric &r : rubrics)
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO categories (id, title, parent, has_children) VALUES (?, ?, ?, ?)"),
                                     {r.id, QString::fromUtf8(r.title), r.parent, r.hasChildren});
    for (const Holding &h : holdings)
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO books (inv_num, title, rubric, itemkind_id) VALUES (?, 'x', ?, 1)"),
                                     {h.inv, QString::fromUtf8(h.rubric)});
    return f.start();
}

QTreeWidgetItem *root(TMainForm &w) { return w.tvRubrics->topLevelItem(0); }

QStringList childTexts(const QTreeWidgetItem *node)
{
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

QTreeWidgetItem *findNode(QTreeWidgetItem *node, qint64 id)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem *child = node->child(i);
        if (ui::rubricId(child) == id)
            return child;
        if (QTreeWidgetItem *below = findNode(child, id))
            return below;
    }
    return nullptr;
}

// The node of a rubric, its ancestors opened as a user would open them.
QTreeWidgetItem *openTo(TMainForm &w, const QList<qint64> &path)
{
    QTreeWidgetItem *node = root(w);
    for (qint64 id : path) {
        node->setExpanded(true);
        node = findNode(node, id);
        if (!node)
            return nullptr;
    }
    return node;
}

void choose(TMainForm &w, const QList<qint64> &path)
{
    QTreeWidgetItem *node = openTo(w, path);
    QVERIFY(node);
    w.tvRubrics->setCurrentItem(node);
}

QString titleOf(WindowFixture &f, qint64 id)
{
    data::Dataset q(&f.db().MyServer);
    q.setSql(QStringLiteral("SELECT title FROM categories WHERE id = ") + QString::number(id));
    q.open();
    return q.isEmpty() ? QStringLiteral("<none>") : q.field(0).asString();
}

int nodeCount(const QTreeWidgetItem *node)
{
    int n = 0;
    for (int i = 0; i < node->childCount(); ++i)
        if (ui::rubricId(node->child(i)) != 0)
            n += 1 + nodeCount(node->child(i));
    return n;
}

bool anyExpanded(const QTreeWidgetItem *node)
{
    if (node->isExpanded())
        return true;
    for (int i = 0; i < node->childCount(); ++i)
        if (anyExpanded(node->child(i)))
            return true;
    return false;
}

// Counts the reads of the categories table while it lives.
struct CategoryReads {
    sqlite3 *db;
    int count = 0;
    explicit CategoryReads(sqlite3 *handle) : db(handle)
    {
        sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &CategoryReads::seen, this);
    }
    ~CategoryReads() { sqlite3_trace_v2(db, 0, nullptr, nullptr); }
    static int seen(unsigned, void *self, void *, void *sql)
    {
        if (QByteArray(static_cast<const char *>(sql)).startsWith("SELECT * FROM categories"))
            ++static_cast<CategoryReads *>(self)->count;
        return 0;
    }
};

} // namespace

class RubricTreeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Библиотека")); }

    // Loading levels.
    void rootIsOpenAtStartWithTopLevelRubricsInTitleOrder()
    {
        WindowFixture f;
        TMainForm &w = startWithRubrics(f);
        QCOMPARE(w.tvRubrics->topLevelItemCount(), 1);
        QCOMPARE(root(w)->text(0), QStringLiteral("Рубрикатор"));
        QVERIFY(root(w)->isExpanded());
        QCOMPARE(childTexts(root(w)), QStringList({"Астрономия", "Биология", "Большая", "История", "Физика"}));
        // Only rubrics with sub-rubrics can be opened before they are read.
        QList<int> expandable;
        for (int i = 0; i < root(w)->childCount(); ++i)
            expandable << root(w)->child(i)->childCount();
        QCOMPARE(expandable, QList<int>({0, 1, 0, 1, 0}));
        QCOMPARE(openTo(w, {3})->childCount(), 1);
        QCOMPARE(childTexts(openTo(w, {3, 17})->parent()), QStringList({"Древний мир", "Новое время", "Средние века"}));
    }

    void openingAMarkedRubricWithNoSubRubricsClearsTheMark()
    {
        WindowFixture f;
        TMainForm &w = startWithRubrics(f);
        QTreeWidgetItem *node = openTo(w, {3, 7});
        QCOMPARE(node->childCount(), 1);
        node->setExpanded(true);
        QCOMPARE(node->childCount(), 0);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT has_children FROM categories WHERE id = 7")), 0);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT has_children FROM categories WHERE id = 3")), 1);
    }

    // Narrowing the catalogue.
    void choosingARubricShowsItsRecordsAndThoseBelow_data()
    {
        QTest::addColumn<QList<qint64>>("path");
        QTest::addColumn<QList<int>>("invs");
        QTest::newRow("root: everything") << QList<qint64>{} << QList<int>{1, 2, 3, 4, 5, 6, 7, 8};
        QTest::newRow("3, not 13 or 31") << QList<qint64>{3} << QList<int>{1, 2, 5, 6, 7};
        QTest::newRow("13") << QList<qint64>{13} << QList<int>{3};
        QTest::newRow("sub-rubric 17, not 117") << QList<qint64>{3, 17} << QList<int>{5, 6};
        QTest::newRow("sub-rubric 7 after 5.;") << QList<qint64>{3, 7} << QList<int>{2};
        QTest::newRow("id past 65535") << QList<qint64>{70000} << QList<int>{8};
    }
    void choosingARubricShowsItsRecordsAndThoseBelow()
    {
        QFETCH(QList<qint64>, path);
        QFETCH(QList<int>, invs);
        WindowFixture f;
        TMainForm &w = startWithRubrics(f);
        choose(w, {13}); // a narrowing the choice must replace
        choose(w, path);
        QCOMPARE(shownInvNums(w), invs);
        QCOMPARE(w.sbStatusCount->text(), QStringLiteral("Кол-во записей: ") + QString::number(invs.size()));
    }

    // Adding, renaming, deleting.
    void newRubricGoesLastUnderTheRoot()
    {
        WindowFixture f;
        TMainForm &w = startWithRubrics(f);
        f.platform.promptAnswers = {std::nullopt, QStringLiteral("Геология")};
        w.N24Click(); // cancelled: nothing added
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM categories")), qint64(std::size(rubrics)));
        w.N24Click();
        QCOMPARE(f.platform.prompts, QStringList({"Название рубрики", "Название рубрики"}));
        QTreeWidgetItem *added = root(w)->child(root(w)->childCount() - 1);
        QCOMPARE(added->text(0), QStringLiteral("Геология"));
        QCOMPARE(titleOf(f, ui::rubricId(added)), QStringLiteral("Геология"));
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT parent + has_children FROM categories WHERE title = 'Геология'")), 0);
    }

    void subRubricUnderANeverOpenedRubricOpensItInTitleOrder_data()
    {
        QTest::addColumn<qint64>("parent");
        QTest::addColumn<QStringList>("children");
        QTest::newRow("has sub-rubrics") << qint64(5) << QStringList({"Анатомия", "Ботаника", "Вирусы"});
        QTest::newRow("id past 65535") << qint64(70000) << QStringList({"Вирусы"});
    }
    void subRubricUnderANeverOpenedRubricOpensItInTitleOrder()
    {
        QFETCH(qint64, parent);
        QFETCH(QStringList, children);
        WindowFixture f;
        TMainForm &w = startWithRubrics(f);
        QTreeWidgetItem *node = findNode(root(w), parent);
        w.tvRubrics->setCurrentItem(node);
        f.platform.promptAnswers = {QStringLiteral("Вирусы")};
        w.N25Click();
        QVERIFY(node->isExpanded());
        QCOMPARE(childTexts(node), children);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT parent FROM categories WHERE title = 'Вирусы'")), parent);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT has_children FROM categories WHERE id = ") + QString::number(parent)), 1);
    }

    void renameStoresTheNameAsTyped_data()
    {
        QTest::addColumn<qint64>("id");
        QTest::addColumn<QString>("name");
        QTest::newRow("double quote") << qint64(13) << QStringLiteral("Физика \"твёрдого\" тела");
        QTest::newRow("a column's name") << qint64(13) << QStringLiteral("title");
        QTest::newRow("apostrophe") << qint64(13) << QStringLiteral("Д'Аламбер");
        QTest::newRow("id past 65535") << qint64(70000) << QStringLiteral("Огромная");
    }
    void renameStoresTheNameAsTyped()
    {
        QFETCH(qint64, id);
        QFETCH(QString, name);
        WindowFixture f;
        TMainForm &w = startWithRubrics(f);
        QTreeWidgetItem *node = findNode(root(w), id);
        w.tvRubrics->setCurrentItem(node);
        f.platform.promptAnswers = {std::nullopt, name};
        w.N31Click(); // cancelled: the old name stays
        QCOMPARE(titleOf(f, id), node->text(0));
        w.N31Click();
        QCOMPARE(node->text(0), name);
        QCOMPARE(titleOf(f, id), name);
        QVERIFY(f.platform.messages.isEmpty());
    }

    void deleteAsksAndTakesTheWholeSubtree_data()
    {
        QTest::addColumn<qint64>("id");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QList<qint64>>("gone");
        QTest::newRow("with sub-sub-rubrics")
            << qint64(3) << int(ui::Yes) << QStringLiteral("Вы действительно хотите удалить рубрику «История» и все ее подрубрики?")
            << QList<qint64>{3, 17, 117, 7, 70};
        QTest::newRow("leaf") << qint64(13) << int(ui::Yes) << QStringLiteral("Удалить рубрику: «Физика»?") << QList<qint64>{13};
        QTest::newRow("id past 65535") << qint64(70000) << int(ui::Yes) << QStringLiteral("Удалить рубрику: «Большая»?")
                                       << QList<qint64>{70000};
        QTest::newRow("answered no") << qint64(5) << int(ui::No)
                                     << QStringLiteral("Вы действительно хотите удалить рубрику «Биология» и все ее подрубрики?")
                                     << QList<qint64>{};
    }
    void deleteAsksAndTakesTheWholeSubtree()
    {
        QFETCH(qint64, id);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QList<qint64>, gone);
        WindowFixture f;
        TMainForm &w = startWithRubrics(f);
        w.tvRubrics->setCurrentItem(findNode(root(w), id));
        f.platform.messageAnswers = {ui::MsgButton(answer)};
        w.N26Click();
        QCOMPARE(f.platform.messages.size(), 1);
        QCOMPARE(f.platform.messages[0].text, question);
        QCOMPARE(f.platform.messages[0].caption, QStringLiteral("Удаление рубрики"));
        QCOMPARE(f.platform.messages[0].buttons, ui::Yes | ui::No);
        QCOMPARE(findNode(root(w), id) == nullptr, !gone.isEmpty());
        for (qint64 g : gone)
            QCOMPARE(titleOf(f, g), QStringLiteral("<none>"));
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM categories")), qint64(std::size(rubrics)) - gone.size());
    }

    void deletingTheRootEmptiesTheTreeAndTheTable()
    {
        WindowFixture f;
        TMainForm &w = startWithRubrics(f);
        w.tvRubrics->setCurrentItem(root(w));
        w.N26Click();
        QCOMPARE(f.platform.messageTexts(),
                 QStringList{"Вы действительно хотите удалить рубрику «Рубрикатор» и все ее подрубрики?"});
        QCOMPARE(w.tvRubrics->topLevelItemCount(), 0);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM categories")), 0);
        w.N32Click(); // nothing to act on
        w.N33Click();
        QCOMPARE(w.tvRubrics->topLevelItemCount(), 0);
    }

    void renamingTheRootChangesOnlyItsText()
    {
        WindowFixture f;
        TMainForm &w = startWithRubrics(f);
        w.tvRubrics->setCurrentItem(root(w));
        f.platform.promptAnswers = {QStringLiteral("Темы")};
        w.N31Click();
        QCOMPARE(root(w)->text(0), QStringLiteral("Темы"));
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM categories WHERE title = 'Темы'")), 0);
    }

    // Expanding and collapsing all.
    void expandAllReadsTheTableOnceAndCollapseClosesEveryLevel()
    {
        WindowFixture f;
        TMainForm &w = startWithRubrics(f);
        {
            CategoryReads reads(f.db().MyServer.handle());
            w.N32Click();
            QCOMPARE(reads.count, 1);
        }
        QCOMPARE(nodeCount(root(w)), int(std::size(rubrics)));
        QVERIFY(findNode(root(w), 70)->parent()->isExpanded());
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT has_children FROM categories WHERE id = 7")), 0);
        {
            CategoryReads reads(f.db().MyServer.handle());
            w.N32Click();
            QCOMPARE(reads.count, 0);
        }
        w.N33Click();
        QVERIFY(!anyExpanded(root(w)));
        // A user's opening reads again, so the count above would have seen a read per level.
        CategoryReads reads(f.db().MyServer.handle());
        QTreeWidgetItem *fresh = ui::addRubricNode(root(w), QStringLiteral("x"), 999, true);
        fresh->setExpanded(true);
        QCOMPARE(reads.count, 1);
    }

    // View mode.
    void viewModeLeavesOnlyExpandAndCollapseAll()
    {
        WindowFixture f;
        TMainForm &w = startWithRubrics(f, false);
        QVERIFY(store::process().ViewOnly);
        const QList<QAction *> items{w.N24, w.N25, w.N26, w.N31, w.N32, w.N33};
        QList<bool> enabled;
        for (QAction *a : items)
            enabled << a->isEnabled();
        QCOMPARE(enabled, QList<bool>({false, false, false, false, true, true}));
        QCOMPARE(w.PopupMenu2->actions().size(), 7);
        QVERIFY(w.N34->isSeparator());
    }
};

QTEST_MAIN(RubricTreeTest)
#include "test_rubrictree.moc"
