// The standard description (ГОСТ Р 7.0.100-2018) of holdings of every kind, checked against
// descriptions written by hand from the standard's rules; the reference list's order and page.
#include "BibDescription.h"
#include "ReferenceList.h"
#include "data/text/Cp1251.h"

#include <QStringDecoder>
#include <QTest>

using store::DescribedHolding;

class BibDescriptionTest : public QObject {
    Q_OBJECT
private slots:
    void describes_data();
    void describes();
    void placeNamesWrittenWhole_data();
    void placeNamesWrittenWhole();
    void referenceListInRussianOrder();
    void referenceListPage();
};

namespace {
DescribedHolding book(const char *author, const char *title, const char *place, const char *publisher, int year,
                      int pages, const char *isbn = "", const char *kind = "Книги", const char *notes = "")
{
    return {QString::fromUtf8(author), QString::fromUtf8(title), QString::fromUtf8(place), QString::fromUtf8(publisher),
            year, pages, QString::fromUtf8(isbn), QString::fromUtf8(kind), QString::fromUtf8(notes)};
}
} // namespace

void BibDescriptionTest::describes_data()
{
    QTest::addColumn<DescribedHolding>("holding");
    QTest::addColumn<QString>("expected");
    auto row = [](const char *name, const DescribedHolding &h, const char *expected) {
        QTest::newRow(name) << h << QString::fromUtf8(expected);
    };
    row("one author", book("Иванов И.И.", "Основы библиотечного дела", "М.", "Наука", 2019, 256, "978-5-02-040123-4"),
        "Иванов, И. И. Основы библиотечного дела / И. И. Иванов. — Москва : Наука, 2019. — 256 с. — "
        "ISBN 978-5-02-040123-4. — Текст : непосредственный.");
    row("two authors, other title information",
        book("Петров П. П., Сидоров С. С.", "Каталогизация: учебное пособие", "СПб.", "Питер", 2020, 312),
        "Петров, П. П. Каталогизация : учебное пособие / П. П. Петров, С. С. Сидоров. — Санкт-Петербург : Питер, "
        "2020. — 312 с. — Текст : непосредственный.");
    row("three authors in heading form",
        book("Иванов, И. И.; Петров, П. П.; Сидоров, С. С.", "Библиография", "Москва", "Либерея", 2008, 128),
        "Иванов, И. И. Библиография / И. И. Иванов, П. П. Петров, С. С. Сидоров. — Москва : Либерея, 2008. — "
        "128 с. — Текст : непосредственный.");
    row("four authors: under the title, all named",
        book("Алексеев А. А., Борисов Б. Б., Васильев В. В., Григорьев Г. Г.", "Справочник библиографа", "М.",
             "Профиздат", 2018, 480),
        "Справочник библиографа / А. А. Алексеев, Б. Б. Борисов, В. В. Васильев, Г. Г. Григорьев. — Москва : "
        "Профиздат, 2018. — 480 с. — Текст : непосредственный.");
    row("five authors: the first three and [и др.]",
        book("Алексеев А. А., Борисов Б. Б., Васильев В. В., Григорьев Г. Г., Дмитриев Д. Д.", "Справочник библиографа",
             "М.", "Профиздат", 2018, 480),
        "Справочник библиографа / А. А. Алексеев, Б. Б. Борисов, В. В. Васильев [и др.]. — Москва : Профиздат, "
        "2018. — 480 с. — Текст : непосредственный.");
    row("no author", book("", "Русские народные сказки", "Москва", "Детская литература", 2015, 96),
        "Русские народные сказки. — Москва : Детская литература, 2015. — 96 с. — Текст : непосредственный.");
    row("an editor", book("ред. Кузнецов В. М.", "История книги", "М.", "Логос", 2017, 200),
        "История книги / редактор В. М. Кузнецов. — Москва : Логос, 2017. — 200 с. — Текст : непосредственный.");
    row("an author and an editor in chief",
        book("Смирнов А.А.; отв. ред. Орлов О. О.", "Редкая книга", "СПб", "Наука", 2012, 350),
        "Смирнов, А. А. Редкая книга / А. А. Смирнов ; ответственный редактор О. О. Орлов. — Санкт-Петербург : "
        "Наука, 2012. — 350 с. — Текст : непосредственный.");
    row("a series", book("Пушкин А. С.", "Повести Белкина", "Москва", "Эксмо", 2021, 128, "978-5-04-116010-3",
                         "Книги", "Подарок от читателя\r\nСерия: Библиотека школьника"),
        "Пушкин, А. С. Повести Белкина / А. С. Пушкин. — Москва : Эксмо, 2021. — 128 с. — (Библиотека школьника). — "
        "ISBN 978-5-04-116010-3. — Текст : непосредственный.");
    row("a collection", book("сост. Морозова Е. Н.", "Библиотеки России", "М.", "Либерея", 2016, 240, "", "Сборники"),
        "Библиотеки России : сборник / составитель Е. Н. Морозова. — Москва : Либерея, 2016. — 240 с. — "
        "Текст : непосредственный.");
    row("a journal issue", book("", "Библиотековедение. № 3", "М.", "Пашков дом", 2021, 120, "0869-608X", "Журналы"),
        "Библиотековедение : журнал. — 2021, № 3. — Москва : Пашков дом, 2021. — 120 с. — ISSN 0869-608X. — "
        "Текст : непосредственный.");
    row("a disc", book("Иванов И. И.", "Электронный каталог", "Москва", "Информсистема", 2010, 1, "", "Диски"),
        "Иванов, И. И. Электронный каталог / И. И. Иванов. — Москва : Информсистема, 2010. — 1 электронный "
        "оптический диск (CD-ROM). — Текст : электронный.");
    row("full names, initials first, a lone name",
        book("Толстой Лев Николаевич", "Война и мир. Том 1.", "М.", "Художественная литература", 1983, 670),
        "Толстой, Л. Н. Война и мир. Том 1 / Л. Н. Толстой. — Москва : Художественная литература, 1983. — 670 с. — "
        "Текст : непосредственный.");
    row("initials before the surname", book("А. С. Пушкин", "Стихотворения", "Л.", "Лениздат", 1979, 0),
        "Пушкин, А. С. Стихотворения / А. С. Пушкин. — Ленинград : Лениздат, 1979. — Текст : непосредственный.");
    row("a name alone", book("Гомер", "Илиада", "", "", 1990, 0),
        "Гомер. Илиада / Гомер. — 1990. — Текст : непосредственный.");
    row("a body as author", book("Институт истории РАН", "Отчёт за год", "", "Наука", 0, 50),
        "Отчёт за год / Институт истории РАН. — [Б. м.] : Наука, [б. г.]. — 50 с. — Текст : непосредственный.");
    row("a question ends the title area", book("", "Кто виноват?", "Москва", "", 2001, 0),
        "Кто виноват? — Москва : [б. и.], 2001. — Текст : непосредственный.");
    row("nothing but a title with line breaks", book("", "Без\r\nвыходных\r\n данных", "", "", 0, 0),
        "Без выходных данных. — Текст : непосредственный.");
    row("no title", book("", "", "", "", 0, 0), "[Без заглавия]. — Текст : непосредственный.");
    row("a colon and full stops after the title", book("", "Каталог : . ", "", "", 0, 0),
        "Каталог. — Текст : непосредственный.");
}

void BibDescriptionTest::describes()
{
    QFETCH(DescribedHolding, holding);
    QFETCH(QString, expected);
    QCOMPARE(store::describeHolding(holding).text(), expected);
}

void BibDescriptionTest::placeNamesWrittenWhole_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("whole");
    for (const auto &[typed, whole] : {std::pair{"М.", "Москва"}, {"м.:", "Москва"}, {"СПб.", "Санкт-Петербург"},
                                       {"С.-Пб. :", "Санкт-Петербург"}, {"Ростов н/Д", "Ростов-на-Дону"},
                                       {"Н. Новгород", "Нижний Новгород"}, {"Екатеринбург", "Екатеринбург"},
                                       {"москва", "Москва"}})
        QTest::newRow(typed) << QString::fromUtf8(typed) << QString::fromUtf8(whole);
}

void BibDescriptionTest::placeNamesWrittenWhole()
{
    QFETCH(QString, typed);
    QFETCH(QString, whole);
    QCOMPARE(store::fullPlaceName(typed), whole);
}

void BibDescriptionTest::referenceListInRussianOrder()
{
    QList<store::BibDescription> entries;
    for (const char *author : {"Smith J.", "Яковлев Я. Я.", "Ёлкин Е. Е.", "Adams A.", "Белов Б. Б.", "Ершов Е. Е."})
        entries << store::describeHolding(book(author, "Книга", "", "", 2000, 0));
    entries << store::describeHolding(book("", "Атлас мира", "", "", 2000, 0));
    QStringList order;
    for (const store::BibDescription &d : store::sortedReferences(entries))
        order << d.sortText().section(u',', 0, 0).section(u' ', 0, 0);
    QCOMPARE(order, QStringList({"Атлас", "Белов", "Ёлкин", "Ершов", "Яковлев", "Adams", "Smith"}));
}

void BibDescriptionTest::referenceListPage()
{
    const auto entries = store::sortedReferences(
        {store::describeHolding(book("Шоу Б.", "Пигмалион & <другие>", "", "", 1950, 0)),
         store::describeHolding(book("Андреев Л.", "Рассказы", "", "", 1960, 0))});
    const QString page = QStringDecoder("windows-1251").decode(store::referenceListPage(entries));
    QVERIFY(page.contains(QStringLiteral("<h1>Список литературы</h1>\r\n<ol>\r\n<li>Андреев, Л. Рассказы / Л. Андреев. — "
                                         "1960. — Текст : непосредственный.</li>\r\n<li>Шоу, Б. Пигмалион &amp; "
                                         "&lt;другие&gt; / Б. Шоу.")));
    QVERIFY(page.endsWith(QStringLiteral("</ol>\r\n</body>\r\n</html>\r\n")));
    const QString empty = QStringDecoder("windows-1251").decode(store::referenceListPage({}));
    QVERIFY(empty.contains(QStringLiteral("<p>В списке нет ни одной записи.</p>")));
}

QTEST_GUILESS_MAIN(BibDescriptionTest)
#include "test_bibdescription.moc"
