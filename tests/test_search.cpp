// Searching the catalogue from the top strip: the eleven search fields and the condition each
// one builds, the field list following what is typed, Esc and an emptied box, texts the store
// would choke on, the two quick filters, and the keyword pane.
#include "WindowFixture.h"

#include "DatasetModel.h"
#include "MainGridView.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

#include <algorithm>

namespace {

enum Field { InvNum, Title, Author, Keywords, Loaner, Publisher, Source, Year, Annotation, Notes, Isbn };

QVariant text(const char *s) { return s ? QVariant(QString::fromUtf8(s)) : QVariant(); }
QVariant number(int n) { return n ? QVariant(n) : QVariant(); }

struct Holding {
    int inv;
    const char *author;
    const char *title;
    const char *publisher;
    const char *source;
    int year;
    int onloan;
    const char *loaner;
    const char *annotation;
    const char *notes;
    const char *isbn;
    int kind;
    const char *file;
};

// Inventory numbers tell the holdings apart in the grid; ids are 1 to 5 in this order.
const Holding holdings[] = {
    {10, "Толстой Л.Н.", "Война и мир", "Художественная литература", "Дар читателя", 1990, 1, "Иванова А.",
     "Роман-эпопея о войне 1812 года", "Два тома", "5-280-00123-X", 1, nullptr},
    {11, "толстой А.Н.", "Хождение по мукам", "Правда", "Покупка", 1985, 0, nullptr, "Трилогия", "Один том",
     "978-5-17-000000-1", 1, ".pdf"},
    {12, "Достоевский Ф.М.", "Последняя война", "Наука", "Обмен", 2001, 0, nullptr, nullptr, nullptr, nullptr, 2, ""},
    {13, "Уэллс Г.", "l'Europe et la guerre", "Gallimard", "Обмен", 1990, 1, "Иванов Б.", nullptr, nullptr,
     "2-07-036822-X", 2, ".doc"},
    {5, nullptr, nullptr, nullptr, nullptr, 0, 1, "Петров", nullptr, nullptr, nullptr, 3, ".djvu"},
};

struct Keyword {
    qint64 bookId;
    const char *word;
};
const Keyword keywords[] = {{1, "история"}, {1, "роман"},  {2, "роман"},  {2, "революция"},
                            {3, "История"}, {3, "роман-эпопея"}, {4, "europe"}, {4, "l'europe"}};

TMainForm &startWithHoldings(WindowFixture &f)
{
    TMainForm &w = f.startInEditMode();
    for (const Holding &h : holdings)
        f.db().MyServer.runStatement(
            QStringLiteral("INSERT INTO books (inv_num, author, title, publisher, source, year_p, onloan, loaner, "
                           "annotation, notes, isbn, itemkind_id, file) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {h.inv, text(h.author), text(h.title), text(h.publisher), text(h.source), number(h.year), h.onloan,
             text(h.loaner), text(h.annotation), text(h.notes), text(h.isbn), h.kind, text(h.file)});
    for (const Keyword &k : keywords)
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO keywords (keyword, book_id) VALUES (?, ?)"),
                                     {text(k.word), k.bookId});
    f.db().MyBooks.refresh();
    w.ShowRecordCount();
    return w;
}

QStringList shownKeywords(const TMainForm &w)
{
    QStringList words;
    for (int row = 0; row < w.keywordModel->rowCount(); ++row)
        words << w.keywordModel->index(row, 0).data().toString();
    return words;
}

QString countText(int n) { return QStringLiteral("Кол-во записей: ") + QString::number(n); }

// Types text into a box key by key; Cyrillic letters go as key events carrying their text.
void type(QWidget *box, const QString &typed)
{
    for (const QChar c : typed) {
        QTest::sendKeyEvent(QTest::Press, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

// The librarian's way: type the text, choose the field, press Enter.
void search(TMainForm &w, int field, const QString &typed)
{
    w.edSearch->setText(typed);
    w.FldBox->setCurrentIndex(field);
    QTest::keyClick(w.edSearch, Qt::Key_Return);
}

void clickKeywordRow(TMainForm &w, int row)
{
    const QPoint centre = w.grKeywords->visualRect(w.keywordModel->index(row, 0)).center();
    QTest::mouseClick(w.grKeywords->viewport(), Qt::LeftButton, {}, centre);
}

} // namespace

class SearchTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Библиотека")); }

    void fieldListOffersElevenFieldsStartingOnTitle()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        const QStringList captions = {"Инв. №", "Название", "Автор", "Ключевые слова", "Кому выдано", "Издательство",
                                      "Источник поступления", "Год издания", "Аннотация", "Примечание", "ISBN"};
        QCOMPARE(w.FldBox->count(), captions.size());
        for (int i = 0; i < captions.size(); ++i)
            QCOMPARE(w.FldBox->itemText(i), captions[i]);
        QCOMPARE(w.FldBox->currentIndex(), int(Title));
        QVERIFY(!w.FldBox->isEditable());
    }

    void eachFieldComposesItsCondition_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QList<int>>("found"); // inventory numbers

        QTest::newRow("inventory number") << int(InvNum) << "12" << "inv_num = 12" << QList<int>{12};
        QTest::newRow("title, capitals find small letters")
            << int(Title) << "ВОЙНА" << "my_lower(title) LIKE '%война%'" << QList<int>{10, 12};
        QTest::newRow("title, small letters") << int(Title) << "война" << "my_lower(title) LIKE '%война%'" << QList<int>{10, 12};
        QTest::newRow("title, Latin capitals") << int(Title) << "GUERRE" << "my_lower(title) LIKE '%guerre%'" << QList<int>{13};
        QTest::newRow("author, both spellings of the name")
            << int(Author) << "ТОЛСТОЙ" << "my_lower(author) LIKE 'толстой%'" << QList<int>{10, 11};
        QTest::newRow("author begins with the text, not merely holds it")
            << int(Author) << "стой" << "my_lower(author) LIKE 'стой%'" << QList<int>{};
        QTest::newRow("keyword, equal only")
            << int(Keywords) << "Роман" << "id IN (SELECT book_id FROM keywords WHERE keyword LIKE 'роман')"
            << QList<int>{10, 11};
        QTest::newRow("keyword stored with a capital is not lower-cased")
            << int(Keywords) << "ИСТОРИЯ" << "id IN (SELECT book_id FROM keywords WHERE keyword LIKE 'история')"
            << QList<int>{10};
        QTest::newRow("lent to") << int(Loaner) << "ИВАНОВА" << "my_lower(loaner) LIKE 'иванова%'" << QList<int>{10};
        QTest::newRow("lent to, a beginning") << int(Loaner) << "Иван" << "my_lower(loaner) LIKE 'иван%'" << QList<int>{10, 13};
        QTest::newRow("publisher") << int(Publisher) << "худож" << "my_lower(publisher) LIKE 'худож%'" << QList<int>{10};
        QTest::newRow("source of acquisition") << int(Source) << "ОБМЕН" << "my_lower(source) LIKE 'обмен%'" << QList<int>{12, 13};
        QTest::newRow("year of publication") << int(Year) << "1990" << "year_p = 1990" << QList<int>{10, 13};
        QTest::newRow("annotation holds the text")
            << int(Annotation) << "ЭПОПЕЯ" << "my_lower(annotation) LIKE '%эпопея%'" << QList<int>{10};
        QTest::newRow("note holds the text") << int(Notes) << "том" << "my_lower(notes) LIKE '%том%'" << QList<int>{10, 11};
        QTest::newRow("ISBN") << int(Isbn) << "978-5-17-000000-1" << "isbn = '978-5-17-000000-1'" << QList<int>{11};
        QTest::newRow("ISBN with a capital X typed as stored")
            << int(Isbn) << "5-280-00123-X" << "isbn = '5-280-00123-x'" << QList<int>{};
        QTest::newRow("ISBN with a capital X typed small")
            << int(Isbn) << "5-280-00123-x" << "isbn = '5-280-00123-x'" << QList<int>{};
    }

    void eachFieldComposesItsCondition()
    {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, condition);
        QFETCH(QList<int>, found);
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        search(w, field, typed);

        QCOMPARE(f.db().JoinConditions(), condition);
        QCOMPARE(f.db().MyBooks.filterSQL(), condition);
        QCOMPARE(shownInvNums(w), found);
        QCOMPARE(w.sbStatusCount->text(), countText(int(found.size())));
        QVERIFY2(f.platform.messages.isEmpty(), qPrintable(f.platform.messageTexts().join(u'\n')));
        QCOMPARE(w.edSearch->text(), typed);
    }

    void aNewSearchReplacesTheLastOneAndKeepsOtherConditions()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        search(w, Title, QStringLiteral("война"));
        f.db().SetCondition(QStringLiteral("param|itemkind_id <> 3"));
        search(w, Author, QStringLiteral("толстой"));
        QCOMPARE(f.db().JoinConditions(), QStringLiteral("my_lower(author) LIKE 'толстой%' AND itemkind_id <> 3"));
        QCOMPARE(shownInvNums(w), QList<int>({10, 11}));
    }

    void typingSwitchesTheField_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("expected");

        QTest::newRow("5 with Автор") << int(Author) << "5" << int(InvNum);
        QTest::newRow("1 with Название") << int(Title) << "1" << int(InvNum);
        QTest::newRow("9 with Год издания") << int(Year) << "9" << int(InvNum);
        QTest::newRow("9 with ISBN") << int(Isbn) << "9" << int(InvNum);
        QTest::newRow("digit with Источник поступления") << int(Source) << "7" << int(Source);
        QTest::newRow("letter with Инв. №") << int(InvNum) << "a" << int(Title);
        QTest::newRow("Cyrillic letter with Инв. №") << int(InvNum) << "К" << int(Title);
        QTest::newRow("0 with Автор") << int(Author) << "0" << int(Author);
        QTest::newRow("0 with Инв. №") << int(InvNum) << "0" << int(Title);
        QTest::newRow("blank with Инв. №") << int(InvNum) << " " << int(Title);
        QTest::newRow("letter with Автор") << int(Author) << "w" << int(Author);
        QTest::newRow("digit after a letter") << int(Author) << "w5" << int(Author);
        QTest::newRow("letter after a digit") << int(Title) << "5w" << int(InvNum);
        QTest::newRow("digits for a year") << int(Year) << "1990" << int(InvNum);
    }

    void typingSwitchesTheField()
    {
        QFETCH(int, chosen);
        QFETCH(QString, typed);
        QFETCH(int, expected);
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        w.FldBox->setCurrentIndex(chosen);
        type(w.edSearch, typed);
        QCOMPARE(w.edSearch->text(), typed);
        QCOMPARE(w.FldBox->currentIndex(), expected);
        // Typing alone never searches.
        QVERIFY(f.db().JoinConditions().isEmpty());
        QCOMPARE(w.gridModel->rowCount(), 5);
    }

    void choosingTheFieldAfterTypingKeepsTheText()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        type(w.edSearch, QStringLiteral("1990"));
        QCOMPARE(w.FldBox->currentIndex(), int(InvNum));
        w.FldBox->setCurrentIndex(Year);
        QCOMPARE(w.edSearch->text(), QStringLiteral("1990"));
        QTest::keyClick(w.edSearch, Qt::Key_Return);
        QCOMPARE(f.db().JoinConditions(), QStringLiteral("year_p = 1990"));
        QCOMPARE(shownInvNums(w), QList<int>({10, 13}));
    }

    void enterWithAnEmptyTitleSearchKeepsEveryRecord()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QTest::keyClick(w.edSearch, Qt::Key_Return);
        QCOMPARE(f.db().MyBooks.filterSQL(), QStringLiteral("my_lower(title) LIKE '%%'"));
        QCOMPARE(shownInvNums(w), QList<int>({5, 10, 11, 12, 13})); // the one without a title too
        QCOMPARE(w.sbStatusCount->text(), countText(5));
    }

    void escapeClearsTheTextAndTheSearchOnly()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        f.db().SetCondition(QStringLiteral("param|id <> 5"));
        search(w, Title, QStringLiteral("война"));
        QCOMPARE(shownInvNums(w), QList<int>({10, 12}));

        QTest::keyClick(w.edSearch, Qt::Key_Escape);
        QVERIFY(w.edSearch->text().isEmpty());
        QCOMPARE(f.db().JoinConditions(), QStringLiteral("id <> 5"));
        QCOMPARE(shownInvNums(w), QList<int>({10, 11, 12, 13}));
        QCOMPARE(w.sbStatusCount->text(), countText(4));
        QCOMPARE(w.FldBox->currentIndex(), int(Title));
    }

    void emptyingTheBoxDropsTheSearch()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        search(w, Title, QStringLiteral("война"));
        QCOMPARE(w.gridModel->rowCount(), 2);
        w.edSearch->selectAll();
        QTest::keyClick(w.edSearch, Qt::Key_Backspace);
        QVERIFY(w.edSearch->text().isEmpty());
        QVERIFY(f.db().JoinConditions().isEmpty());
        QCOMPARE(shownInvNums(w), QList<int>({5, 10, 11, 12, 13}));
    }

    void anApostropheIsLookedForAsTyped_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("condition");
        QTest::addColumn<QList<int>>("found");

        QTest::newRow("title") << int(Title) << "l'Europe" << "my_lower(title) LIKE '%l''europe%'" << QList<int>{13};
        QTest::newRow("keyword") << int(Keywords) << "L'Europe"
                                 << "id IN (SELECT book_id FROM keywords WHERE keyword LIKE 'l''europe')" << QList<int>{13};
        QTest::newRow("author, nothing found") << int(Author) << "д'Артаньян" << "my_lower(author) LIKE 'д''артаньян%'"
                                               << QList<int>{};
        QTest::newRow("ISBN, nothing found") << int(Isbn) << "'" << "isbn = ''''" << QList<int>{};
    }

    void anApostropheIsLookedForAsTyped()
    {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, condition);
        QFETCH(QList<int>, found);
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        search(w, field, typed);
        QVERIFY2(f.platform.messages.isEmpty(), qPrintable(f.platform.messageTexts().join(u'\n')));
        QCOMPARE(f.db().JoinConditions(), condition);
        QCOMPARE(shownInvNums(w), found);
        QVERIFY(f.db().MyBooks.active());
    }

    void aNumberFieldRefusesOtherText_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");

        QTest::newRow("letters as an inventory number") << int(InvNum) << "abc";
        QTest::newRow("number with a letter") << int(InvNum) << "12a";
        QTest::newRow("two numbers") << int(InvNum) << "1 2";
        QTest::newRow("empty inventory number") << int(InvNum) << "";
        QTest::newRow("letters as a year") << int(Year) << "19x";
        QTest::newRow("empty year") << int(Year) << "";
        QTest::newRow("Cyrillic as a year") << int(Year) << "тысяча";
    }

    void aNumberFieldRefusesOtherText()
    {
        QFETCH(int, field);
        QFETCH(QString, typed);
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        f.db().SetCondition(QStringLiteral("param|id <> 5"));
        search(w, Title, QStringLiteral("война"));
        w.edSearch->setText(typed); // emptying the box drops the title search already
        w.FldBox->setCurrentIndex(field);
        const QString conditions = f.db().JoinConditions();
        const QString filter = f.db().MyBooks.filterSQL();
        const QList<int> rows = shownInvNums(w);
        const QString count = w.sbStatusCount->text();

        QTest::keyClick(w.edSearch, Qt::Key_Return);

        QCOMPARE(f.platform.messages.size(), 1);
        QCOMPARE(f.platform.messages.first().caption, QStringLiteral("Поиск"));
        QCOMPARE(f.platform.messages.first().icon, ui::MsgIcon::Warning);
        QCOMPARE(f.db().JoinConditions(), conditions);
        QCOMPARE(f.db().MyBooks.filterSQL(), filter);
        QCOMPARE(shownInvNums(w), rows);
        QCOMPARE(w.sbStatusCount->text(), count);
        QCOMPARE(w.edSearch->text(), typed);
    }

    void aNumberWithBlanksAroundIsStillANumber()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        search(w, InvNum, QStringLiteral(" 13 "));
        QVERIFY(f.platform.messages.isEmpty());
        QCOMPARE(shownInvNums(w), QList<int>({13}));
    }

    void aConditionTheStoreRejectsBringsThePreviousFilterBack()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        search(w, Title, QStringLiteral("война"));
        const QString before = f.db().MyBooks.filterSQL();
        // A catalogue whose keyword table has gone: the keyword search cannot run.
        f.db().MyServer.runStatement(QStringLiteral("DROP TABLE keywords"));
        search(w, Keywords, QStringLiteral("роман"));

        QCOMPARE(f.platform.messages.size(), 1);
        QCOMPARE(f.platform.messages.first().caption, QStringLiteral("Библиотека"));
        QCOMPARE(f.platform.messages.first().icon, ui::MsgIcon::Error);
        QVERIFY(f.platform.messages.first().text.contains(QStringLiteral("keywords")));
        QCOMPARE(f.db().JoinConditions(), before);
        QCOMPARE(f.db().MyBooks.filterSQL(), before);
        QVERIFY(f.db().MyBooks.active());
        QCOMPARE(shownInvNums(w), QList<int>({10, 12}));
        QCOMPARE(w.sbStatusCount->text(), countText(2));

        // And the catalogue goes on working.
        search(w, Title, QStringLiteral("мир"));
        QCOMPARE(shownInvNums(w), QList<int>({10}));
        QCOMPARE(f.platform.messages.size(), 1);
    }

    void theQuickFiltersShareOneFilter()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QCOMPARE(w.chbLoaned->text(), QStringLiteral("Выданные"));
        QCOMPARE(w.EvBox->text(), QStringLiteral("Имеют эл. вариант"));

        w.chbLoaned->click();
        QCOMPARE(shownInvNums(w), QList<int>({5, 10, 13}));
        QCOMPARE(w.sbStatusCount->text(), countText(3));

        // The last box clicked decides: electronic versions, lent or not; an empty extension
        // counts as none.
        w.EvBox->click();
        QCOMPARE(shownInvNums(w), QList<int>({5, 11, 13}));
        QCOMPARE(w.sbStatusCount->text(), countText(3));

        w.EvBox->click();
        QVERIFY(w.chbLoaned->isChecked());
        QCOMPARE(shownInvNums(w), QList<int>({5, 10, 11, 12, 13}));
        QCOMPARE(w.sbStatusCount->text(), countText(5));

        w.chbLoaned->click();
        w.chbLoaned->click();
        QCOMPARE(shownInvNums(w), QList<int>({5, 10, 13}));

        // On top of a search, and still in force when the search changes.
        search(w, Title, QStringLiteral("война"));
        QCOMPARE(shownInvNums(w), QList<int>({10}));
        QCOMPARE(w.sbStatusCount->text(), countText(1));
        search(w, Author, QStringLiteral("толстой"));
        QCOMPARE(shownInvNums(w), QList<int>({10}));
    }

    void theKeywordPaneListsFiltersAndChooses()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.miKeywords->trigger();
        QVERIFY(w.gbKeywords->isVisible());
        QVERIFY(!w.tvRubrics->isVisible());
        // Every stored keyword row, so a keyword two records carry shows twice.
        QCOMPARE(shownKeywords(w), QStringList({"история", "роман", "роман", "революция", "История", "роман-эпопея",
                                                "europe", "l'europe"}));

        type(w.edKeywordFilter, QStringLiteral("р"));
        QCOMPARE(shownKeywords(w), QStringList({"роман", "роман", "революция", "роман-эпопея"}));
        type(w.edKeywordFilter, QStringLiteral("о"));
        QCOMPARE(shownKeywords(w), QStringList({"роман", "роман", "роман-эпопея"}));

        // Emptied: the list stays as it was for the last text.
        w.edKeywordFilter->selectAll();
        QTest::keyClick(w.edKeywordFilter, Qt::Key_Backspace);
        QVERIFY(w.edKeywordFilter->text().isEmpty());
        QCOMPARE(shownKeywords(w), QStringList({"роман", "роман", "роман-эпопея"}));
        // Showing the pane again keeps what it lists.
        w.miRubricTree->trigger();
        w.miKeywords->trigger();
        QCOMPARE(shownKeywords(w), QStringList({"роман", "роман", "роман-эпопея"}));

        clickKeywordRow(w, 1); // the second "роман": Хождение по мукам, id 2
        QVERIFY(f.db().Conditions->contains(QStringLiteral("param|id = 2")));
        QCOMPARE(f.db().MyBooks.filterSQL(), QStringLiteral("id = 2"));
        QCOMPARE(shownInvNums(w), QList<int>({11}));
        QCOMPARE(w.sbStatusCount->text(), countText(1));

        clickKeywordRow(w, 2); // роман-эпопея: Последняя война, id 3
        QCOMPARE(f.db().JoinConditions(), QStringLiteral("id = 3"));
        QCOMPARE(shownInvNums(w), QList<int>({12}));
    }

    void aKeywordPatternWithAnApostropheIsSafe()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        w.miKeywords->trigger();
        QTest::keyClicks(w.edKeywordFilter, QStringLiteral("l'"));
        QVERIFY2(f.platform.messages.isEmpty(), qPrintable(f.platform.messageTexts().join(u'\n')));
        QCOMPARE(shownKeywords(w), QStringList({"l'europe"}));
    }

    void aKeywordOfAnotherKindShowsNothingOnAKindTab()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.tcKinds->setCurrentIndex(1); // Книги: inventory numbers 10 and 11
        w.miKeywords->trigger();
        type(w.edKeywordFilter, QStringLiteral("роман-"));
        QCOMPARE(shownKeywords(w), QStringList({"роман-эпопея"}));
        clickKeywordRow(w, 0); // its record is a Журналы one
        QCOMPARE(f.db().MyBooks.filterSQL(), QStringLiteral("id = 3 AND itemkind_id = 1"));
        QCOMPARE(w.gridModel->rowCount(), 0);
        QCOMPARE(w.sbStatusCount->text(), countText(0));

        w.tcKinds->setCurrentIndex(2);
        QCOMPARE(shownInvNums(w), QList<int>({12}));
    }

    void aKeywordReplacesARubricOrAuthorChoiceAndTheReverse()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        search(w, Title, QStringLiteral("а"));
        f.db().SetCondition(QStringLiteral("param|author LIKE 'Д%'")); // as the author index sets it
        QCOMPARE(shownInvNums(w), QList<int>({12}));

        w.miKeywords->trigger();
        clickKeywordRow(w, 1); // роман of Война и мир, id 1
        QCOMPARE(*f.db().Conditions,
                 QStringList({"srch|my_lower(title) LIKE '%а%'", "param|id = 1"}));
        QCOMPARE(f.db().JoinConditions(), QStringLiteral("my_lower(title) LIKE '%а%' AND id = 1"));
        QCOMPARE(shownInvNums(w), QList<int>({10}));

        f.db().SetCondition(QStringLiteral("param|author LIKE 'Т%'"));
        QCOMPARE(f.db().Conditions->size(), 2);
        QCOMPARE(shownInvNums(w), QList<int>({10}));
        QVERIFY(!f.db().JoinConditions().contains(QStringLiteral("id = 1")));
    }
};

QTEST_MAIN(SearchTest)
#include "test_search.moc"
