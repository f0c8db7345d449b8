// The author index as a librarian uses it: the letters, the authors read under a letter at every
// opening, and the catalogue narrowed to a letter or to exactly one author, whatever the name holds.
#include "WindowFixture.h"

#include <QTreeWidget>
#include <QtTest>
#include <algorithm>

namespace {

struct Holding {
    int inv;
    const char *author;
};
// Белов twice: the index lists an author once.
const Holding holdings[] = {{1, "Белов А."},  {2, "Белов А."},  {3, "Быков Д."},    {4, "белкин"},
                            {5, "Blake W."},  {6, "Йорк"},      {7, "Ёлкин Е."},    {8, "Ершов П."},
                            {9, "Д'Артаньян"}, {10, "Смит_Джон"}, {11, "Смит1Джон"}, {12, "Сто%лет"},
                            {13, "Стоунлет"}, {14, "5 авторов"}};

TMainForm &startWithAuthors(WindowFixture &f)
{
    f.writeSettings("[General]\r\nAutoAdminLogon=1\r\n");
    f.create();
    for (const Holding &h : holdings)
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO books (inv_num, author, title, itemkind_id) VALUES (?, ?, 'x', 1)"),
                                     {h.inv, QString::fromUtf8(h.author)});
    return f.start();
}

QTreeWidgetItem *letter(TMainForm &w, const QString &text)
{
    const QList<QTreeWidgetItem *> found = w.tvAuthors->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
}

// The authors under a letter once it is opened, sorted: the store returns them in no set order.
QStringList open(QTreeWidgetItem *node)
{
    node->setExpanded(false);
    node->setExpanded(true);
    QStringList names;
    for (int i = 0; i < node->childCount(); ++i)
        names << node->child(i)->text(0);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

class AuthorIndexTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Библиотека")); }

    // The letters and the authors under them.
    void twentyNineLettersEachOpenable()
    {
        WindowFixture f;
        TMainForm &w = startWithAuthors(f);
        QStringList letters;
        for (int i = 0; i < w.tvAuthors->topLevelItemCount(); ++i) {
            letters << w.tvAuthors->topLevelItem(i)->text(0);
            QCOMPARE(w.tvAuthors->topLevelItem(i)->childCount(), 1);
        }
        QCOMPARE(letters.join(QString()), QStringLiteral("АБВГДЕЁЖЗИКЛМНОПРСТУФХЦЧШЩЭЮЯ"));
        QVERIFY(!w.tvAuthors->isVisible());
        QCOMPARE(w.tvAuthors->editTriggers(), QAbstractItemView::SelectedClicked);
    }

    void openingALetterListsEachAuthorOnce_data()
    {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QStringList>("authors");
        QTest::newRow("Б, not lower-case б") << QStringLiteral("Б") << QStringList({"Белов А.", "Быков Д."});
        QTest::newRow("Е without Ё") << QStringLiteral("Е") << QStringList({"Ершов П."});
        QTest::newRow("Ё apart") << QStringLiteral("Ё") << QStringList({"Ёлкин Е."});
        QTest::newRow("apostrophe in a name") << QStringLiteral("Д") << QStringList({"Д'Артаньян"});
        QTest::newRow("none") << QStringLiteral("Я") << QStringList();
    }
    void openingALetterListsEachAuthorOnce()
    {
        QFETCH(QString, letter);
        QFETCH(QStringList, authors);
        WindowFixture f;
        TMainForm &w = startWithAuthors(f);
        QCOMPARE(open(::letter(w, letter)), authors);
    }

    void authorsOutsideTheLettersAppearNowhere()
    {
        WindowFixture f;
        TMainForm &w = startWithAuthors(f);
        QStringList all;
        for (int i = 0; i < w.tvAuthors->topLevelItemCount(); ++i)
            all << open(w.tvAuthors->topLevelItem(i));
        for (const char *name : {"белкин", "Blake W.", "Йорк", "5 авторов"})
            QVERIFY2(!all.contains(QString::fromUtf8(name)), name);
        QCOMPARE(all.size(), 9);
    }

    void reopeningALetterShowsANewlySavedAuthor()
    {
        WindowFixture f;
        TMainForm &w = startWithAuthors(f);
        QTreeWidgetItem *b = letter(w, QStringLiteral("Б"));
        QCOMPARE(open(b).size(), 2);
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO books (inv_num, author) VALUES (20, 'Бунин И.')"));
        QCOMPARE(open(b), QStringList({"Белов А.", "Бунин И.", "Быков Д."}));
    }

    // Narrowing the catalogue.
    void choosingANodeShowsExactlyItsRecords_data()
    {
        QTest::addColumn<QString>("letter");
        QTest::addColumn<QString>("author"); // empty: the letter itself
        QTest::addColumn<QList<int>>("invs");
        QTest::newRow("letter Б") << QStringLiteral("Б") << QString() << QList<int>{1, 2, 3};
        QTest::newRow("letter С") << QStringLiteral("С") << QString() << QList<int>{10, 11, 12, 13};
        QTest::newRow("author") << QStringLiteral("Б") << QStringLiteral("Белов А.") << QList<int>{1, 2};
        QTest::newRow("apostrophe") << QStringLiteral("Д") << QStringLiteral("Д'Артаньян") << QList<int>{9};
        QTest::newRow("underscore") << QStringLiteral("С") << QStringLiteral("Смит_Джон") << QList<int>{10};
        QTest::newRow("percent") << QStringLiteral("С") << QStringLiteral("Сто%лет") << QList<int>{12};
    }
    void choosingANodeShowsExactlyItsRecords()
    {
        QFETCH(QString, letter);
        QFETCH(QString, author);
        QFETCH(QList<int>, invs);
        WindowFixture f;
        TMainForm &w = startWithAuthors(f);
        QTreeWidgetItem *node = ::letter(w, letter);
        open(node);
        for (int i = 0; i < node->childCount() && !author.isEmpty(); ++i)
            if (node->child(i)->text(0) == author)
                node = node->child(i);
        w.tvAuthors->setCurrentItem(node);
        QCOMPARE(shownInvNums(w), invs);
        QVERIFY(f.platform.messages.isEmpty());
    }

    void anEditedLetterIsWhatLaterOpeningsAndChoicesUse()
    {
        WindowFixture f;
        TMainForm &w = startWithAuthors(f);
        QTreeWidgetItem *node = letter(w, QStringLiteral("Д"));
        node->setText(0, QStringLiteral("Д'"));
        QCOMPARE(open(node), QStringList({"Д'Артаньян"}));
        w.tvAuthors->setCurrentItem(node);
        QCOMPARE(shownInvNums(w), QList<int>({9}));
    }
};

QTEST_MAIN(AuthorIndexTest)
#include "test_authorindex.moc"
