// MARC records read and written through YAZ: the mapping table of each format both ways, the
// character sets "Автоматически" finds, damaged files, the Library of Congress sample records,
// and our files as yaz-marcdump and Perl's MARC::Record read them.
#include "Isbn.h"
#include "MarcFixture.h"
#include "MarcMapping.h"
#include "data/DataError.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace marc;
using namespace marc_tests;

Q_DECLARE_METATYPE(marc::BookFields)
Q_DECLARE_METATYPE(marc::Format)
Q_DECLARE_METATYPE(marc::Charset)

namespace {

BookFields warAndPeace()
{
    BookFields f;
    f.author = QStringLiteral("Толстой Л. Н.; Иванов И. И.");
    f.title = QStringLiteral("Война и мир : роман");
    f.location = QStringLiteral("Москва");
    f.publisher = QStringLiteral("Эксмо");
    f.year = 2010;
    f.pages = 1300;
    f.isbn = QStringLiteral("978-5-699-12014-7");
    f.price = 450.5;
    f.annotation = QStringLiteral("Роман-эпопея о войне 1812 года.");
    f.notes = QStringLiteral("Первая строка\r\nвторая строка");
    f.keywords = QStringList{QStringLiteral("Художественная литература"), QStringLiteral("война")};
    return f;
}

QByteArray rusmarcWarAndPeace(QByteArray (*encode)(const QString &), const QByteArray &charsets)
{
    auto e = [&](const char *text) { return encode(QString::fromUtf8(text)); };
    return isoRecord({{"001", "RU/1"},
                      {"010", subfields({{'a', "978-5-699-12014-7"}, {'d', e("450 р. 50 к.")}})},
                      {"100", subfields({{'a', "20100101d2010    k  y0rusy" + charsets + "    ca"}})},
                      {"200", subfields({{'a', e("Война и мир")}, {'e', e("роман")}, {'f', e("Л. Н. Толстой")}}, "1 ")},
                      {"210", subfields({{'a', e("Москва")}, {'c', e("Эксмо")}, {'d', "2010"}})},
                      {"215", subfields({{'a', e("1300 с.")}})},
                      {"300", subfields({{'a', e("Первая строка\nвторая строка")}})},
                      {"330", subfields({{'a', e("Роман-эпопея о войне 1812 года.")}})},
                      {"606", subfields({{'a', e("Художественная литература")}})},
                      {"610", subfields({{'a', e("война")}})},
                      {"700", subfields({{'a', e("Толстой")}, {'b', e("Л. Н.")}}, " 1")},
                      {"701", subfields({{'a', e("Иванов")}, {'b', e("И. И.")}}, " 1")}},
                     ' ', "450 ");
}

QByteArray marc21Collins(char coding, QByteArray (*encode)(const QString &))
{
    auto e = [&](const char *text) { return encode(QString::fromUtf8(text)); };
    return isoRecord({{"001", "11224466"},
                      {"020", subfields({{'a', "0140449132 (pbk.)"}, {'c', "$15.00"}})},
                      {"100", subfields({{'a', e("Collins, Jack")}}, "1 ")},
                      {"245", subfields({{'a', e("How to program a computer :")}, {'b', e("a guide /")}, {'c', e("Jack Collins.")}}, "10")},
                      {"260", subfields({{'a', e("New York :")}, {'b', e("Penguin,")}, {'c', "c1991."}})},
                      {"300", subfields({{'a', "xii, 345 p. :"}})},
                      {"500", subfields({{'a', e("Includes index.")}})},
                      {"520", subfields({{'a', e("Книга о программах.")}})},
                      {"650", subfields({{'a', e("Computers.")}}, " 0")},
                      {"653", subfields({{'a', e("программирование")}})},
                      {"700", subfields({{'a', e("Smith, Ann")}}, "1 ")}},
                     coding);
}

BookFields collins()
{
    BookFields f;
    f.author = QStringLiteral("Collins, Jack; Smith, Ann");
    f.title = QStringLiteral("How to program a computer : a guide");
    f.location = QStringLiteral("New York");
    f.publisher = QStringLiteral("Penguin");
    f.year = 1991;
    f.pages = 345;
    f.isbn = QStringLiteral("0140449132 (pbk.)");
    f.price = 15.0;
    f.annotation = QStringLiteral("Книга о программах.");
    f.notes = QStringLiteral("Includes index.");
    f.keywords = QStringList{QStringLiteral("Computers"), QStringLiteral("программирование")};
    return f;
}

QByteArray exportBytes(const std::vector<Holding> &holdings, Format format, bool xml)
{
    YazMarc yaz;
    QByteArray bytes = xml ? "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<collection xmlns=\"http://www.loc.gov/MARC21/slim\">\n" : "";
    for (const Holding &h : holdings) {
        const Record r = fromHolding(h, format, QDateTime(QDate(2024, 5, 6), QTime(10, 0)));
        bytes += xml ? yaz.writeMarcXml(r) : yaz.writeIso2709(r);
    }
    return xml ? bytes + "</collection>\n" : bytes;
}

// A card that tries the edges of each format: ISBD-like abbreviations, a name with forenames
// and one with none, two ISBNs with a qualifier, an annotation too long for one field.
BookFields edgeCard()
{
    BookFields f;
    f.author = QStringLiteral("Толстой Лев Николаевич; Гомер; Collins, Jack");
    f.title = QStringLiteral("Собр. соч. : в 5 т.\r\nТом 1");
    f.location = QStringLiteral("СПб.");
    f.publisher = QStringLiteral("Азбука-Аттикус");
    f.isbn = QStringLiteral("5-02-013848-7 (в пер.); 978-5-699-12014-7");
    f.annotation = QStringLiteral("Слово ").repeated(1000) + QStringLiteral("конец.") + QString(6000, u'ж');
    f.notes = QStringLiteral("Первая.\r\nВторая.");
    f.keywords = QStringList{QStringLiteral("проза")};
    return f;
}

QByteArray marcXml(const QList<QByteArray> &records)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<collection xmlns=\"http://www.loc.gov/MARC21/slim\">" +
           records.join('\n') + "</collection>\n";
}

QByteArray xmlRecord(const QByteArray &title)
{
    return "<record><leader>00000nam a2200000 c 4500</leader><datafield tag=\"245\" ind1=\"0\" ind2=\"0\">"
           "<subfield code=\"a\">" + title + "</subfield></datafield></record>";
}

QString subfieldText(const Record &r, const char *tag, char code)
{
    return r.values(QString::fromLatin1(tag), QLatin1Char(code)).join(QLatin1Char('|'));
}

} // namespace

class TestMarcRecords : public QObject {
    Q_OBJECT
private slots:
    // Each format's table read from a record in the character set the record says.
    void readsEachFormatByItsTable_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Format>("format");
        QTest::addColumn<BookFields>("expected");
        QTest::newRow("MARC21, UTF-8") << marc21Collins('a', utf8) << Format::Marc21 << collins();
        QTest::newRow("RUSMARC, UTF-8 by 100 $a") << rusmarcWarAndPeace(utf8, "50  ") << Format::Rusmarc << warAndPeace();
        QTest::newRow("RUSMARC, 1251 by 100 $a") << rusmarcWarAndPeace(cp1251, "0189") << Format::Rusmarc << warAndPeace();
        QTest::newRow("RUSMARC, 1251 unsaid") << rusmarcWarAndPeace(cp1251, "    ") << Format::Rusmarc << warAndPeace();
        QTest::newRow("MARC21 claiming MARC-8, text in 1251") << marc21Collins(' ', cp1251) << Format::Marc21 << collins();
        BookFields fewWords; // no run of three Cyrillic letters to tell 1251 by
        fewWords.title = QStringLiteral("Ум и он : Essays");
        QTest::newRow("MARC21 claiming MARC-8, two short words in 1251")
            << isoRecord({{"245", subfields({{'a', cp1251(QStringLiteral("Ум и он :"))}, {'b', "Essays"}}, "00")}}) << Format::Marc21 << fewWords;
        BookFields byStatement;
        byStatement.title = QStringLiteral("Поэмы");
        byStatement.author = QStringLiteral("сост. А. Петров");
        byStatement.location = QStringLiteral("Санкт-Петербург");
        byStatement.publisher = QStringLiteral("Азбука");
        byStatement.year = 2021;
        QTest::newRow("MARC21 author from 245 $c, imprint from 264")
            << isoRecord({{"245", subfields({{'a', utf8(QStringLiteral("Поэмы /"))}, {'c', utf8(QStringLiteral("сост. А. Петров."))}})},
                          {"264", subfields({{'a', utf8(QStringLiteral("Санкт-Петербург :"))}, {'b', utf8(QStringLiteral("Азбука,"))}, {'c', "[2021]"}}, " 1")}},
                         'a')
            << Format::Marc21 << byStatement;
    }
    void readsEachFormatByItsTable()
    {
        QFETCH(QByteArray, bytes);
        const auto records = readBytes(bytes);
        QCOMPARE(records.size(), std::size_t(1));
        QVERIFY2(records[0].ok(), qPrintable(records[0].problem));
        QFETCH(Format, format);
        QCOMPARE(records[0].format, format);
        QFETCH(BookFields, expected);
        QCOMPARE(records[0].fields.author, expected.author);
        QCOMPARE(records[0].fields.title, expected.title);
        QCOMPARE(records[0].fields.keywords, expected.keywords);
        QCOMPARE(records[0].fields.notes, expected.notes);
        QVERIFY(records[0].fields == expected);
    }

    // Export writes where the tables say, identity and holdings included.
    void exportWritesByTheTable_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<QStringList>("expected"); // tag$code=values
        QTest::newRow("MARC21") << Format::Marc21
                                << QStringList{"001=17", "100a=Толстой Л. Н.", "700a=Иванов И. И.", "245a=Война и мир",
                                               "245b=роман", "260a=Москва", "260b=Эксмо", "260c=2010", "300a=1300",
                                               "020a=978-5-699-12014-7", "020c=450.50", "653a=Художественная литература|война",
                                               "852p=17", "852k=К", "245/=10", "100/=1 ", "700/=1 ", "leader=c",
                                               "005=20240506100000.0", "008=240506s2010    xx            000 0 rus d"};
        QTest::newRow("RUSMARC") << Format::Rusmarc
                                 << QStringList{"001=17", "700a=Толстой", "700b=Л. Н.", "701a=Иванов", "701b=И. И.", "200a=Война и мир",
                                                "200e=роман", "210a=Москва", "210c=Эксмо", "210d=2010", "215a=1300",
                                                "010a=978-5-699-12014-7", "010d=450.50", "610a=Художественная литература|война",
                                                "899p=17", "899k=К", "200/=1 ", "700/= 1", "701/= 1", "leader=i",
                                                "100a=20240506d2010    k  y0rusy50      ca", "005=20240506100000.0"};
    }
    void exportWritesByTheTable()
    {
        QFETCH(Format, format);
        QFETCH(QStringList, expected);
        const Record r = fromHolding({42, QStringLiteral("17"), QStringLiteral("К"), warAndPeace()}, format, QDateTime(QDate(2024, 5, 6), QTime(10, 0)));
        for (const QString &line : expected) {
            const QString where = line.section(u'=', 0, 0), want = line.section(u'=', 1);
            const Field *f = r.first(where.left(3));
            const QString got = where == u"leader"    ? r.leader.mid(18, 1)
                                : where.size() == 3   ? f->data
                                : where[3] == u'/'    ? QString(f->ind1) + f->ind2
                                                      : subfieldText(r, qPrintable(where.left(3)), where[3].toLatin1());
            QCOMPARE(got, want);
        }
        QCOMPARE(r.values(QString::fromLatin1(format == Format::Marc21 ? "260" : "210"), u'a').size(), 1); // one imprint field
        if (format == Format::Rusmarc)
            QCOMPARE(subfieldText(r, "100", 'a').mid(26, 2), QStringLiteral("50"));
    }

    // Whatever export writes, import reads back the same.
    void roundTripKeepsEveryMappedField_data()
    {
        QTest::addColumn<Format>("format");
        QTest::addColumn<bool>("xml");
        QTest::newRow("MARC21 ISO 2709") << Format::Marc21 << false;
        QTest::newRow("MARC21 MARCXML") << Format::Marc21 << true;
        QTest::newRow("RUSMARC ISO 2709") << Format::Rusmarc << false;
    }
    void roundTripKeepsEveryMappedField()
    {
        QFETCH(Format, format);
        QFETCH(bool, xml);
        BookFields sparse;
        sparse.title = QStringLiteral("Только заглавие");
        BookFields oddText = sparse; // a noncharacter once made a whole MARCXML file unreadable
        oddText.title = QStringLiteral("The Hobbit \uFFFE\u0001or there and back again");
        const std::vector<Holding> holdings{{1, "1", "К", warAndPeace()}, {2, "2", "", collins()}, {3, "3", "", sparse},
                                            {4, "4", "", edgeCard()}, {5, "5", "", oddText}};
        const QByteArray bytes = exportBytes(holdings, format, xml);
        QCOMPARE(bytes.count(xml ? "<record" : "\x1d"), qsizetype(holdings.size()));
        const auto back = readBytes(bytes);
        QCOMPARE(back.size(), holdings.size());
        for (std::size_t i = 0; i < back.size(); ++i) {
            QVERIFY2(back[i].ok(), qPrintable(back[i].problem));
            QCOMPARE(back[i].format, format);
            BookFields expected = holdings[i].fields;
            if (i == 4)
                expected.title = QStringLiteral("The Hobbit or there and back again");
            QCOMPARE(back[i].fields.author, expected.author);
            QCOMPARE(back[i].fields.title, expected.title); // XML keeps a line break as LF; the card's CR LF comes back
            QCOMPARE(back[i].fields.isbn, expected.isbn);
            QCOMPARE(back[i].fields.annotation.size(), expected.annotation.size());
            QVERIFY(back[i].fields == expected);
        }
    }

    // Long free text goes on in fields linked by $8; what ISO 2709 cannot hold at all is refused
    // with the reason instead of written so that it reads back otherwise.
    void exportKeepsFieldsWithinIso2709()
    {
        const Record edge = fromHolding({1, "1", "", edgeCard()}, Format::Marc21, QDateTime::currentDateTime());
        QCOMPARE(edge.values(QStringLiteral("520"), u'8'), (QStringList{"1.1\\x", "1.2\\x", "1.3\\x"}));
        QCOMPARE(fromHolding({1, "1", "", edgeCard()}, Format::Rusmarc, QDateTime::currentDateTime()).values(QStringLiteral("330"), u'a').size(), 3);
        YazMarc yaz;
        QByteArray out;
        QVERIFY(yaz.appendIso2709(edge, out).isEmpty());
        BookFields longTitle;
        longTitle.title = QString(5000, u'ю');
        QCOMPARE(yaz.appendIso2709(fromHolding({2, "2", "", longTitle}, Format::Marc21, {}), out),
                 QStringLiteral("поле 245 длиннее 9999 байт, которые вмещает поле ISO 2709"));
        BookFields longRecord;
        longRecord.title = QStringLiteral("Т");
        longRecord.annotation = QString(60000, u'ю');
        QCOMPARE(yaz.appendIso2709(fromHolding({3, "3", "", longRecord}, Format::Rusmarc, {}), out),
                 QStringLiteral("запись длиннее 99 999 байт, которые вмещает запись ISO 2709"));
        QVERIFY(!yaz.writeMarcXml(fromHolding({3, "3", "", longRecord}, Format::Marc21, {})).isEmpty());
        // A letter under more stress marks than one field holds is still cut, and comes back whole;
        // so does an invisible mark the author's name begins with.
        BookFields marks;
        marks.title = QStringLiteral("Т");
        marks.annotation = u'а' + QString(20000, QChar(0x0301));
        marks.author = QChar(0xFEFF) + QStringLiteral("Пушкин, А. С."); // pasted from the start of a text file
        QByteArray marked;
        QVERIFY(yaz.appendIso2709(fromHolding({4, "4", "", marks}, Format::Marc21, {}), marked).isEmpty());
        const std::vector<ReadRecord> back = MarcReader().readFile(marked, {});
        QCOMPARE(back.size(), std::size_t(1));
        QCOMPARE(back[0].fields.annotation, marks.annotation);
        QCOMPARE(back[0].fields.author, marks.author);
        BookFields bom;
        bom.title = QChar(0xFEFF) + QStringLiteral("Y!X");
        QByteArray bomBytes;
        QVERIFY(yaz.appendIso2709(fromHolding({5, "5", "", bom}, Format::Marc21, {}), bomBytes).isEmpty());
        QCOMPARE(MarcReader().readFile(bomBytes, {})[0].fields.title, bom.title);
        const QByteArray bomXml = "<collection>" + yaz.writeMarcXml(fromHolding({5, "5", "", bom}, Format::Marc21, {})) + "</collection>";
        QCOMPARE(MarcReader().readFile(bomXml, {})[0].fields.title, bom.title);
    }

    // What a supplier's record says beyond the card's boxes: repeated subfields kept apart, the
    // publication statement of 264 rather than its manufacture, the rest in the notes.
    void readsRepeatedSubfieldsAndDescriptiveFields_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("expected"); // location, publisher, year, title, isbn, notes
        QTest::newRow("MARC21, ISBD")
            << isoRecord({{"020", subfields({{'a', utf8(QStringLiteral("5-02-013848-7 (в пер.) :"))}, {'c', "100"}})},
                          {"020", subfields({{'a', "978-5-699-12014-7"}})},
                          {"041", subfields({{'a', "rus"}, {'a', "eng"}})},
                          {"245", subfields({{'a', utf8(QStringLiteral("Собр. соч. :"))}, {'b', utf8(QStringLiteral("в 5 т."))}}, "00")},
                          {"250", subfields({{'a', utf8(QStringLiteral("2-е изд., испр."))}})},
                          {"260", subfields({{'a', "New York ;"}, {'a', "London :"}, {'b', "Penguin ;"}, {'b', "Viking,"}, {'c', "1999."}})},
                          {"490", subfields({{'a', utf8(QStringLiteral("Библиотека всемирной литературы ;"))}, {'v', utf8(QStringLiteral("т. 5"))}})},
                          {"856", subfields({{'u', "http://example.org/book"}}, "40")}},
                         'a')
            << QStringList{"New York; London", "Penguin; Viking", "1999", "Собр. соч. : в 5 т.",
                           "5-02-013848-7 (в пер.); 978-5-699-12014-7",
                           "Язык: rus, eng\r\nИздание: 2-е изд., испр.\r\nСерия: Библиотека всемирной литературы ; т. 5\r\n"
                           "Электронная версия: http://example.org/book"};
        QTest::newRow("MARC21, 264 manufacture and publication")
            << isoRecord({{"245", subfields({{'a', utf8(QStringLiteral("Поэмы."))}}, "00")},
                          {"264", subfields({{'a', utf8(QStringLiteral("Тверь :"))}, {'b', utf8(QStringLiteral("Типография,"))}, {'c', "2016"}}, " 3")},
                          {"264", subfields({{'a', utf8(QStringLiteral("СПб. :"))}, {'b', utf8(QStringLiteral("Азбука,"))}, {'c', "2015."}}, " 1")}},
                         'a')
            << QStringList{"СПб.", "Азбука", "2015", "Поэмы", "", ""};
        QTest::newRow("RUSMARC")
            << isoRecord({{"010", subfields({{'a', "5-02-013848-7"}, {'b', utf8(QStringLiteral("в пер."))}})},
                          {"101", subfields({{'a', "rus"}}, "0 ")},
                          {"200", subfields({{'a', utf8(QStringLiteral("Повести"))}}, "1 ")},
                          {"205", subfields({{'a', utf8(QStringLiteral("3-е изд."))}})},
                          {"210", subfields({{'a', utf8(QStringLiteral("Москва"))}, {'a', utf8(QStringLiteral("СПб."))}, {'c', utf8(QStringLiteral("Наука"))}, {'d', "2001"}})},
                          {"225", subfields({{'a', utf8(QStringLiteral("Классика"))}, {'v', utf8(QStringLiteral("т. 2"))}}, "1 ")}},
                         'a', "450 ")
            << QStringList{"Москва; СПб.", "Наука", "2001", "Повести", "5-02-013848-7 (в пер.)",
                           "Язык: rus\r\nИздание: 3-е изд.\r\nСерия: Классика ; т. 2"};
    }
    void readsRepeatedSubfieldsAndDescriptiveFields()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, expected);
        const auto records = readBytes(bytes);
        QCOMPARE(records.size(), std::size_t(1));
        const BookFields &f = records[0].fields;
        QCOMPARE((QStringList{f.location, f.publisher, f.year ? QString::number(*f.year) : QString(), f.title, f.isbn, f.notes}), expected);
    }

    // Letters written decomposed (a UTF-8 record from a catalogue that keeps combining marks) come
    // to the card composed, from ISO 2709 and from MARCXML alike, so that a typed "й" finds them.
    void decomposedLettersComeComposed()
    {
        BookFields decomposed;
        decomposed.title = QStringLiteral("Зимни\u0438\u0306 вечер в Пари\u0301же");
        for (const bool xml : {false, true}) {
            const auto back = readBytes(exportBytes({{1, "1", "", decomposed}}, Format::Marc21, xml));
            QCOMPARE(back.size(), std::size_t(1));
            QCOMPARE(back[0].fields.title, QStringLiteral("Зимний вечер в Пари\u0301же").normalized(QString::NormalizationForm_C));
        }
    }

    // A forced choice reads the whole file that way; a wrong one shows in the text, not as a crash.
    void forcedCharsetAndFormat()
    {
        const QByteArray bytes = rusmarcWarAndPeace(cp1251, "50  "); // says UTF-8, is 1251
        QCOMPARE(readBytes(bytes)[0].fields.title, QStringLiteral("Война и мир : роман"));
        const auto forced = readBytes(bytes, {Format::Auto, Charset::Utf8, true});
        QCOMPARE(forced[0].problem, QStringLiteral("неверная последовательность байтов для кодировки UTF-8"));
        const auto asMarc21 = readBytes(bytes, {Format::Marc21, Charset::Cp1251, true});
        QVERIFY(!asMarc21[0].ok()); // no 245: nothing to call a title
        QCOMPARE(asMarc21[0].format, Format::Marc21);
    }

    void marc8DiacriticsAndEscapes()
    {
        // "é" as MARC-8 writes it (combining acute first); Cyrillic behind an escape to set N.
        const QByteArray bytes = isoRecord({{"245", subfields({{'a', "Caf\xE2" "e \x1b(N\x6b\x6e\x69\x67\x61\x1b(B"}})}});
        const auto r = readBytes(bytes);
        QVERIFY2(r[0].ok(), qPrintable(r[0].problem));
        QCOMPARE(r[0].charset, Charset::Marc8);
        QVERIFY(r[0].fields.title.startsWith(QStringLiteral("Café")));
        QVERIFY(r[0].fields.title.size() > 5 && r[0].fields.title.back().script() == QChar::Script_Cyrillic);
    }

    // A damaged record is named with its reason; the records around it still come in.
    void damagedRecordsAreListedWithTheirReason_data()
    {
        QTest::addColumn<QByteArray>("damaged");
        QTest::addColumn<QString>("reason");
        const QByteArray good = marc21Collins('a', utf8);
        const auto withLength = [&](int length) { return QByteArray::number(length).rightJustified(5, '0') + good.mid(5); };
        QTest::newRow("wrong record length") << withLength(int(good.size()) + 3) << QStringLiteral("неверная длина записи");
        QTest::newRow("length 99999") << withLength(99999) << QStringLiteral("неверная длина записи");
        QTest::newRow("length 00000") << withLength(0) << QStringLiteral("неверная длина записи");
        // The length of two records: reading it so would swallow the good record after it.
        QTest::newRow("length reaching the next record's end") << withLength(int(good.size()) * 2) << QStringLiteral("неверная длина записи");
        QTest::newRow("record broken off") << good.left(good.size() - 10) << QStringLiteral("запись обрывается");
        QByteArray noFieldEnd = good;
        noFieldEnd[good.indexOf('\x1e', good.mid(12, 5).toInt())] = 'x'; // the first field's end
        QTest::newRow("field terminator missing") << noFieldEnd << QStringLiteral("в поле 001 нет знака конца поля");
        QByteArray directory = good;
        directory.replace(24 + 3, 4, "9999");
        QTest::newRow("wrong directory") << directory << QStringLiteral("неверный справочник записи");
        QTest::newRow("empty record") << isoRecord({}) << QStringLiteral("пустая запись");
        QTest::newRow("invalid UTF-8") << isoRecord({{"245", subfields({{'a', "\xC3\x28 bad"}})}}, 'a')
                                       << QStringLiteral("неверная последовательность байтов для кодировки UTF-8");
        QTest::newRow("letters in the length") << QByteArray("00a4") + good.mid(4) << QStringLiteral("в маркере записи нет её длины");
    }
    void damagedRecordsAreListedWithTheirReason()
    {
        QFETCH(QByteArray, damaged);
        QFETCH(QString, reason);
        const QByteArray good = marc21Collins('a', utf8);
        const auto records = readBytes(good + damaged + good);
        QCOMPARE(records.size(), std::size_t(3));
        QVERIFY(records[0].ok());
        QVERIFY2(records[1].problem.startsWith(reason), qPrintable(records[1].problem));
        QVERIFY(records[2].ok());
        QCOMPARE(records[2].fields.title, collins().title);
    }

    // Damage at the first or the last record, and in MARCXML: each record in its place, the
    // damaged ones with their reason.
    void damagedFilesKeepTheirGoodRecords_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("read"); // a title, or "!" and the start of the reason
        const QByteArray good = marc21Collins('a', utf8);
        const QString title = collins().title;
        QTest::newRow("cut at the end") << good + good.left(good.size() - 10) << QStringList{title, "!запись обрывается"};
        QTest::newRow("first leader damaged") << "00a4" + good.mid(4) + good << QStringList{"!в маркере записи нет её длины", title};
        QTest::newRow("MARCXML after a byte order mark") << "\xEF\xBB\xBF" + marcXml({xmlRecord("Один")}) << QStringList{"Один"};
        QTest::newRow("MARCXML record without a leader")
            << marcXml({xmlRecord("Один"), "<record><leader>00000nam a2200000 c 4500</leader><datafield ind1=\"0\" ind2=\"0\"><subfield code=\"a\">Два</subfield></datafield></record>",
                        xmlRecord("Три")})
            << QStringList{"Один", "!запись не читается как MARCXML", "Три"};
        QTest::newRow("MARCXML cut") << marcXml({xmlRecord("Один"), xmlRecord("Два")}).left(300)
                                     << QStringList{"Один", "!документ XML обрывается или испорчен"};
        // Entities within entities: a billion "ha" once expanded. None is expanded.
        QByteArray bomb = "<?xml version=\"1.0\"?><!DOCTYPE collection [<!ENTITY a \"hahahahahahahahahaha\">";
        for (char c = 'b'; c <= 'j'; ++c)
            bomb += QByteArray("<!ENTITY ") + c + " \"" + QByteArray("&") .append(char(c - 1)).append(';').repeated(10) + "\">";
        bomb += "]><collection xmlns=\"http://www.loc.gov/MARC21/slim\">" + xmlRecord("&j;") + xmlRecord("Два") + "</collection>";
        QTest::newRow("XML bomb") << bomb << QStringList{"!документ XML обрывается или испорчен"};
    }
    void damagedFilesKeepTheirGoodRecords()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, read);
        QStringList got;
        std::vector<ReadRecord> records;
        try {
            records = readBytes(bytes);
        } catch (const data::DataError &e) {
            QFAIL(qPrintable(e.message()));
        }
        for (const ReadRecord &r : records)
            got << (r.ok() ? r.fields.title : u'!' + r.problem);
        QCOMPARE(got.size(), read.size());
        for (int i = 0; i < read.size(); ++i)
            QVERIFY2(got[i].startsWith(read[i]), qPrintable(got[i]));
    }

    void fileThatIsNotMarcIsRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text") << QByteArray("Это просто текст, а не записи MARC.\r\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("XML but not MARC") << QByteArray("<?xml version=\"1.0\"?><html><body/></html>");
    }
    void fileThatIsNotMarcIsRefused()
    {
        QFETCH(QByteArray, bytes);
        QString error;
        try {
            readBytes(bytes);
        } catch (const data::DataError &e) {
            error = e.message();
        }
        QVERIFY2(error.contains(QStringLiteral("MARC")), qPrintable(error));
    }

    // A search sends the ISBN as typed and in the forms catalogues index it by; a wrong check
    // digit is looked for as typed, and never makes two records one.
    void isbnAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("forms");
        QTest::addColumn<QString>("key");
        const QString key = "9785020138483";
        QTest::newRow("hyphens") << "5-02-013848-7" << QStringList{"5-02-013848-7", "978-5-02-013848-3", key, "5020138487"} << key;
        QTest::newRow("spaces and 13 digits") << " 978 5 02 013848 3 "
                                              << QStringList{"978 5 02 013848 3", "978-5-02-013848-3", key, "5-02-013848-7", "5020138487"} << key;
        QTest::newRow("as a record writes it") << "ISBN 5-02-013848-7 (в пер.)"
                                               << QStringList{"ISBN 5-02-013848-7 (в пер.)", "978-5-02-013848-3", key, "5-02-013848-7", "5020138487"}
                                               << key;
        QTest::newRow("X, small") << "0-8044-2957-x"
                                  << QStringList{"0-8044-2957-x", "978-0-8044-2957-3", "9780804429573", "0-8044-2957-X", "080442957X"}
                                  << "9780804429573";
        QTest::newRow("Cyrillic Х") << "080442957Х" << QStringList{"080442957Х", "978-0-8044-2957-3", "9780804429573", "0-8044-2957-X", "080442957X"}
                                    << "9780804429573";
        QTest::newRow("979 has no 10 digits") << "9791090636071" << QStringList{"9791090636071", "979-10-90636-07-1"} << "9791090636071";
        QTest::newRow("wrong check digit") << "5-02-013848-0" << QStringList{"5-02-013848-0", "5020138480"} << "";
        QTest::newRow("not an ISBN") << "12-34" << QStringList{"12-34"} << "";
    }
    void isbnAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, forms);
        QCOMPARE(isbnForms(typed), forms);
        QTEST(isbnKey(typed), "key");
    }

    // RUSMARC in code page 1251 as a Russian library writes it (made by hand with yaz-marcdump):
    // the first record says its set in 100, the second says nothing.
    void handMadeRusmarcIn1251()
    {
        QFile file(QStringLiteral(LIBRARY_SOURCE_DIR "/tests/data/rusmarc-1251.mrc"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto records = readBytes(file.readAll());
        QCOMPARE(records.size(), std::size_t(2));
        for (const ReadRecord &r : records) {
            QVERIFY2(r.ok(), qPrintable(r.problem));
            QCOMPARE(r.charset, Charset::Cp1251);
        }
        QCOMPARE(records[0].format, Format::Rusmarc); // the second says nothing to tell it from UNIMARC
        const BookFields &f = records[0].fields;
        QCOMPARE(f.author, QStringLiteral("Толстой Лев Николаевич"));
        QCOMPARE(f.title, QStringLiteral("Собрание сочинений : в 12 т."));
        QCOMPARE(f.location, QStringLiteral("М.; Л."));
        QCOMPARE(f.isbn, QStringLiteral("5-02-013848-7 (в пер.)"));
        QCOMPARE(f.price, 45.0);
        QCOMPARE(f.notes, QStringLiteral("Язык: rus\r\nИздание: 2-е изд.\r\nСерия: Литературные памятники ; т. 3"));
        QCOMPARE(records[1].fields.title, QStringLiteral("Ум и он"));
        QCOMPARE(records[1].fields.location, QStringLiteral("СПб."));
    }

    // Real records nobody here wrote: every one comes in with what it has of the card's fields.
    void librarySampleRecordsImport()
    {
        QProcess zcat;
        zcat.start(QStringLiteral("zcat"), {QStringLiteral("/usr/share/doc/idzebra-2.0/examples/marc21/sample-marc.gz")});
        QVERIFY(zcat.waitForFinished());
        const QByteArray bytes = zcat.readAllStandardOutput();
        QVERIFY(bytes.size() > 10000);
        const auto records = readBytes(bytes);
        QCOMPARE(records.size(), std::size_t(24));
        for (const ReadRecord &r : records) {
            QVERIFY2(r.ok(), qPrintable(QString::number(r.number) + u' ' + r.problem));
            const Record &m = r.record;
            const BookFields &f = r.fields;
            QVERIFY(!f.title.isEmpty());
            const bool named = !(m.values("100", u'a') + m.values("110", u'a') + m.values("700", u'a') + m.values("245", u'c')).isEmpty();
            QCOMPARE(!f.author.isEmpty(), named);
            QCOMPARE(!f.location.isEmpty(), !m.values("260", u'a').isEmpty());
            QCOMPARE(!f.publisher.isEmpty(), !m.values("260", u'b').isEmpty());
            const bool dated = m.values("260", u'c').join(QString()).contains(QRegularExpression("\\d{4}"));
            QCOMPARE(f.year.has_value(), dated);
        }
        QCOMPARE(records[2].fields.publisher, QStringLiteral("Society of Nuclear Medicine"));
        QCOMPARE(records[2].fields.year, 1974);
        QCOMPARE(records[0].fields.author, QStringLiteral("Jack Collins"));
    }

    // Our files as two other programs read them, without a warning.
    void otherReadersTakeOurExport()
    {
        QTemporaryDir dir;
        const std::vector<Holding> holdings{{1, "1", "К", warAndPeace()}, {2, "2", "", edgeCard()}};
        for (const auto &[format, xml, name] : {std::tuple{Format::Marc21, false, "a.mrc"}, {Format::Rusmarc, false, "a.iso"},
                                                {Format::Marc21, true, "a.xml"}}) {
            const QString path = dir.filePath(QString::fromLatin1(name));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(exportBytes(holdings, format, xml));
            f.close();
            QProcess dump;
            dump.start(QStringLiteral("yaz-marcdump"), xml ? QStringList{"-n", "-i", "marcxml", path} : QStringList{"-n", path});
            QVERIFY(dump.waitForFinished());
            QCOMPARE(dump.exitCode(), 0);
            QCOMPARE(dump.readAllStandardError(), QByteArray());
            if (xml)
                continue;
            QProcess perl;
            perl.start(QStringLiteral("perl"),
                       {"-MMARC::File::USMARC", "-e",
                        "my $f = MARC::File::USMARC->in($ARGV[0]) or die; my $n = 0;"
                        "while (my $r = $f->next()) { $n++; print STDERR join(qq(\\n), $r->warnings()); }"
                        "print $n;",
                        path});
            QVERIFY(perl.waitForFinished());
            QCOMPARE(perl.readAllStandardError(), QByteArray());
            QCOMPARE(perl.readAllStandardOutput(), QByteArray("2"));
        }
    }
};

QTEST_GUILESS_MAIN(TestMarcRecords)
#include "test_marc_records.moc"
