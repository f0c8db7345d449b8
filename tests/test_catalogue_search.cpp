// Searches of another library's catalogue against a real Z39.50/SRU server on loopback (Zebra,
// started by ctest): the sources found, not found, refused, diagnosed, silent and stopped; the
// dialog "Поиск в каталогах"; and the card filled from the record taken.
#include "CardFixture.h"
#include "CatalogueSearchForm.h"
#include "CatalogueServer.h"
#include "MarcFixture.h"
#include "IniFile.h"
#include "Z3950Source.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTextBrowser>
#include <QTreeWidget>

using namespace marc;
using namespace marc_tests;

namespace {

BookFields tolstoy()
{
    BookFields f;
    f.author = QStringLiteral("Толстой Л. Н.");
    f.title = QStringLiteral("Война и мир : роман");
    f.location = QStringLiteral("Москва");
    f.publisher = QStringLiteral("Художественная литература");
    f.year = 1983;
    f.pages = 1350;
    f.isbn = QStringLiteral("978-5-02-013848-3");
    f.keywords = QStringList{QStringLiteral("роман-эпопея")};
    return f;
}

BookFields tested()
{
    BookFields f;
    f.title = QStringLiteral("Проверочная книга");
    f.author = QStringLiteral("Иванов И. И.");
    f.isbn = QStringLiteral("0-8044-2957-X");
    f.year = 2001;
    return f;
}

SearchResult searchNow(const CatalogueConfig &catalogue, const SearchRequest &request, int timeout = 10)
{
    return makeSource(catalogue, timeout)->search(request);
}

} // namespace

class TestCatalogueSearch : public QObject {
    Q_OBJECT
    CatalogueServer server;

private slots:
    void initTestCase()
    {
        REQUIRE_CATALOGUE_SERVER(server);
        YazMarc yaz;
        const QDateTime day(QDate(2024, 1, 2), QTime(9, 0));
        BookFields question, operator2;
        question.title = QStringLiteral("Что делать?");
        question.author = QStringLiteral("Чернышевский Н. Г.");
        operator2.title = QStringLiteral("@2 задачи на графах");
        const QByteArray tolstoyRecord = yaz.writeIso2709(fromHolding({1, "1", "", tolstoy()}, Format::Marc21, day));
        QVERIFY(server.load(QStringLiteral("marc21"), tolstoyRecord + yaz.writeIso2709(fromHolding({2, "2", "", tested()}, Format::Marc21, day)) +
                                                          yaz.writeIso2709(fromHolding({3, "3", "", question}, Format::Marc21, day)) +
                                                          yaz.writeIso2709(fromHolding({4, "4", "", operator2}, Format::Marc21, day))));
        QVERIFY(server.load(QStringLiteral("printed"), tolstoyRecord));
        // A RUSMARC record in code page 1251 whose field 100 says nothing of it.
        auto e = [](const char *t) { return cp1251(QString::fromUtf8(t)); };
        QVERIFY(server.load(QStringLiteral("rusmarc"),
                            isoRecord({{"010", subfields({{'a', "978-5-699-12014-7"}})},
                                       {"200", subfields({{'a', e("Анна Каренина")}, {'f', e("Л. Н. Толстой")}}, "1 ")},
                                       {"210", subfields({{'a', e("Москва")}, {'c', e("Эксмо")}, {'d', "2010"}})},
                                       {"700", subfields({{'a', e("Толстой")}, {'b', e("Л. Н.")}}, " 1")}},
                                      ' ', "450 "),
                            true));
    }

    void sourcesFindRecords_data()
    {
        QTest::addColumn<Protocol>("protocol");
        QTest::addColumn<QString>("isbn");
        QTest::addColumn<QString>("author");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("hits");
        QTest::addColumn<QString>("firstTitle");
        for (Protocol p : {Protocol::Z3950, Protocol::Sru}) {
            const char *name = p == Protocol::Z3950 ? "Z39.50" : "SRU";
            const QString war = tolstoy().title, check = tested().title;
            QTest::addRow("%s: 10 digits with hyphens for a 13-digit record", name) << p << "5-02-013848-7" << "" << "" << 1 << war;
            QTest::addRow("%s: 13 digits with spaces", name) << p << "978 5 02 013848 3" << "" << "" << 1 << war;
            QTest::addRow("%s: ISBN with a small x", name) << p << "0-8044-2957-x" << "" << "" << 1 << check;
            QTest::addRow("%s: author", name) << p << "" << "Толстой" << "" << 1 << war;
            QTest::addRow("%s: title words and author", name) << p << "" << "Иванов" << "проверочная книга" << 1 << check;
            QTest::addRow("%s: a Library of Congress record", name) << p << "" << "Collins" << "program computer" << 2
                                                                    << QStringLiteral("How to program a computer");
            QTest::addRow("%s: not found", name) << p << "978-0-00-000000-2" << "" << "" << 0 << QString();
        }
    }
    void sourcesFindRecords()
    {
        QFETCH(Protocol, protocol);
        QFETCH(QString, isbn);
        QFETCH(QString, author);
        QFETCH(QString, title);
        const SearchResult r = searchNow(server.catalogue(protocol, QStringLiteral("marc21")), {isbn, author, title, 20});
        QVERIFY2(r.status == SearchStatus::Done, qPrintable(r.error));
        QTEST(r.hits, "hits");
        QCOMPARE(int(r.records.size()), r.hits);
        QFETCH(QString, firstTitle);
        if (r.hits) {
            QVERIFY2(r.records[0].ok(), qPrintable(r.records[0].problem));
            QCOMPARE(r.records[0].fields.title, firstTitle);
        }
    }

    // The ISBN however typed finds the record in a catalogue that indexes digits alone and in
    // one that indexes the ISBN as printed.
    void isbnFoundAsPrintedOrByDigits_data()
    {
        QTest::addColumn<Protocol>("protocol");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("isbn");
        for (Protocol p : {Protocol::Z3950, Protocol::Sru})
            for (const char *database : {"marc21", "printed"})
                for (const char *isbn : {"5-02-013848-7", "5020138487", "978-5-02-013848-3", "9785020138483", " ISBN 978 5 02 013848 3 "})
                    QTest::addRow("%s %s %s", p == Protocol::Z3950 ? "Z39.50" : "SRU", database, isbn) << p << QString::fromLatin1(database)
                                                                                                       << QString::fromLatin1(isbn);
    }
    void isbnFoundAsPrintedOrByDigits()
    {
        QFETCH(Protocol, protocol);
        QFETCH(QString, database);
        QFETCH(QString, isbn);
        const SearchResult r = searchNow(server.catalogue(protocol, database), {isbn, {}, {}, 20});
        QVERIFY2(r.status == SearchStatus::Done, qPrintable(r.error));
        QCOMPARE(r.hits, 1);
        QCOMPARE(r.records[0].fields.title, tolstoy().title);
    }

    // Terms as the catalogue reads them: "?" and "@" are letters of a title, Cyrillic goes in the
    // catalogue's character set, and a diagnostic in Russian is shown in Russian.
    void queriesAsTheCatalogueReadsThem_data()
    {
        QTest::addColumn<Protocol>("protocol");
        QTest::addColumn<QString>("database");
        QTest::addColumn<Charset>("charset");
        QTest::addColumn<QString>("author");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("found"); // the first title, or the start of the error
        QTest::newRow("SRU title with ?") << Protocol::Sru << "marc21" << Charset::Auto << "" << "Что делать?" << "Что делать?";
        QTest::newRow("Z39.50 title with ?") << Protocol::Z3950 << "marc21" << Charset::Auto << "" << "Что делать?" << "Что делать?";
        QTest::newRow("Z39.50 title from @2") << Protocol::Z3950 << "marc21" << Charset::Auto << "" << "@2 задачи" << "@2 задачи на графах";
        QTest::newRow("SRU title from @2") << Protocol::Sru << "marc21" << Charset::Auto << "" << "@2 задачи" << "@2 задачи на графах";
        QTest::newRow("terms in 1251") << Protocol::Z3950 << "printed" << Charset::Cp1251 << "Толстой" << "" << tolstoy().title;
        QTest::newRow("diagnostic in UTF-8") << Protocol::Z3950 << "нетбазы" << Charset::Auto << "Толстой" << ""
                                             << "!Каталог «Тестовый нетбазы» отказал в поиске (диагностика 109): Database unavailable: нетбазы.";
        QTest::newRow("diagnostic in 1251") << Protocol::Z3950 << "printedнет" << Charset::Cp1251 << "Толстой" << ""
                                            << "!Каталог «Тестовый printedнет» отказал в поиске (диагностика 109): Database unavailable: printedнет.";
    }
    void queriesAsTheCatalogueReadsThem()
    {
        QFETCH(Protocol, protocol);
        QFETCH(QString, database);
        QFETCH(Charset, charset);
        QFETCH(QString, author);
        QFETCH(QString, title);
        QFETCH(QString, found);
        const SearchResult r = searchNow(server.catalogue(protocol, database, Format::Marc21, charset), {{}, author, title, 20});
        if (found.startsWith(u'!')) {
            QCOMPARE(r.error, found.mid(1));
            return;
        }
        QVERIFY2(r.status == SearchStatus::Done, qPrintable(r.error));
        QCOMPARE(r.hits, 1);
        QCOMPARE(r.records[0].fields.title, found);
    }

    // A catalogue with thousands of hits: the first records come, the count is told.
    void manyHitsBringTheFirstRecords()
    {
        YazMarc yaz;
        QByteArray records;
        for (int i = 0; i < 10000; ++i) {
            BookFields f;
            f.title = QStringLiteral("Том %1").arg(i);
            f.author = QStringLiteral("Многотомов А. А.");
            records += yaz.writeIso2709(fromHolding({i, QString::number(i), "", f}, Format::Marc21, QDateTime(QDate(2024, 1, 2), QTime(9, 0))));
        }
        QVERIFY(server.load(QStringLiteral("many"), records));
        RecordingPlatform platform;
        ui::setPlatform(&platform);
        TCatalogueSearchForm form;
        form.setCatalogues({server.catalogue(Protocol::Z3950, QStringLiteral("many"))}, 10);
        form.setRequest({}, QStringLiteral("Многотомов"), {});
        QSignalSpy done(&form, &TCatalogueSearchForm::searchFinished);
        form.btnFindClick();
        QVERIFY(done.wait(20000));
        QCOMPARE(form.lblStatus->text(), QStringLiteral("Найдено записей: 10000, показаны первые 20."));
        QCOMPARE(form.grRecords->topLevelItemCount(), 20);
        ui::setPlatform(nullptr);
    }

    // The catalogue's settings name the character set its records do not say.
    void rusmarcCatalogueInCodePage1251()
    {
        const SearchResult r = searchNow(server.catalogue(Protocol::Z3950, QStringLiteral("rusmarc"), Format::Rusmarc, Charset::Cp1251),
                                         {QStringLiteral("9785699120147"), {}, {}, 20});
        QVERIFY2(r.status == SearchStatus::Done, qPrintable(r.error));
        QCOMPARE(r.hits, 1);
        QVERIFY2(r.records[0].ok(), qPrintable(r.records[0].problem));
        QCOMPARE(r.records[0].format, Format::Rusmarc);
        QCOMPARE(r.records[0].fields.title, QStringLiteral("Анна Каренина"));
        QCOMPARE(r.records[0].fields.author, QStringLiteral("Толстой Л. Н."));
        QCOMPARE(r.records[0].fields.publisher, QStringLiteral("Эксмо"));
    }

    void failuresSayWhy_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("error");
        QTest::newRow("refused") << 0 << QStringLiteral("недоступен: не удалось соединиться с 127.0.0.1:");
        QTest::newRow("diagnostic") << 1 << QStringLiteral("отказал в поиске (диагностика");
        QTest::newRow("silent") << 2 << QStringLiteral("не ответил за 1 с.");
        QTest::newRow("not SRU") << 3 << QStringLiteral("ответил");
    }
    void failuresSayWhy()
    {
        QFETCH(int, kind);
        QFETCH(QString, error);
        FakeCatalogue silent, nonsense("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n\r\nhello");
        CatalogueConfig c = server.catalogue(Protocol::Z3950, QStringLiteral("nosuchdb"));
        if (kind == 0)
            c.port = closedPort();
        else if (kind == 2)
            c = silent.catalogue(Protocol::Z3950);
        else if (kind == 3)
            c = nonsense.catalogue(Protocol::Sru);
        CatalogueSearch search;
        QSignalSpy done(&search, &CatalogueSearch::finished);
        QElapsedTimer clock;
        clock.start();
        search.start(makeSource(c, 1), {QStringLiteral("5020138487"), {}, {}, 20});
        QVERIFY(done.wait(8000));
        QVERIFY(clock.elapsed() < 4000);
        const auto r = done.first().first().value<SearchResult>();
        QCOMPARE(r.status, SearchStatus::Failed);
        QVERIFY2(r.error.contains(error), qPrintable(r.error));
    }

    // A line of [Catalogues] that cannot be read is named, not dropped without a word.
    void catalogueLinesReadOrNamed()
    {
        QTemporaryDir dir;
        QFile ini(dir.filePath(QStringLiteral("library.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Catalogues]\r\nБез порта=z3950:z.example.ru/BOOKS|RUSMARC|Windows-1251\r\nОпечатка=z3950:z.example.ru:21o/BOOKS|MARC21\r\n");
        ini.close();
        const store::IniFile settings(ini.fileName());
        QStringList problems;
        const std::vector<CatalogueConfig> catalogues = configuredCatalogues(&settings, &problems);
        QCOMPARE(catalogues.size(), std::size_t(1));
        QCOMPARE(catalogues[0].address(), QStringLiteral("z3950:z.example.ru:210/BOOKS"));
        QCOMPARE(problems, QStringList{QStringLiteral("«Опечатка=z3950:z.example.ru:21o/BOOKS|MARC21»: адрес Z39.50 пишется как "
                                                      "z3950:узел:порт/база (порт можно не писать: 210)")});
    }

    void recordNotMarcIsNamed()
    {
        const QByteArray body = "<searchRetrieveResponse xmlns=\"http://www.loc.gov/zing/srw/\"><version>1.1</version>"
                                "<numberOfRecords>1</numberOfRecords><records><record><recordSchema>dc</recordSchema>"
                                "<recordPacking>xml</recordPacking><recordData><dc><title>Не MARC</title></dc></recordData>"
                                "<recordPosition>1</recordPosition></record></records></searchRetrieveResponse>";
        FakeCatalogue dc("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " + QByteArray::number(body.size()) +
                         "\r\n\r\n" + body);
        CatalogueSearch search;
        QSignalSpy done(&search, &CatalogueSearch::finished);
        search.start(makeSource(dc.catalogue(Protocol::Sru), 5), {{}, {}, QStringLiteral("марк"), 20});
        QVERIFY(done.wait(8000));
        const auto r = done.first().first().value<SearchResult>();
        QCOMPARE(r.status, SearchStatus::Done);
        QCOMPARE(r.records.size(), std::size_t(1));
        QCOMPARE(r.records[0].problem, QStringLiteral("запись пришла не в схеме MARCXML"));
    }

    // Stopped, a search ends at once although its catalogue never answers; no answer follows.
    void stopEndsSearchAtOnce()
    {
        FakeCatalogue silent;
        QElapsedTimer clock;
        clock.start();
        {
            CatalogueSearch search;
            QSignalSpy done(&search, &CatalogueSearch::finished);
            search.start(makeSource(silent.catalogue(Protocol::Z3950), 30), {QStringLiteral("5020138487"), {}, {}, 20});
            QTest::qWait(300);
            QVERIFY(search.running());
            search.stop();
            QVERIFY(!search.running());
            QTest::qWait(300);
            QCOMPARE(done.count(), 0);
        } // waits for the thread
        QVERIFY(clock.elapsed() < 3000);
    }

    void dialogFindsShowsAndTakes()
    {
        RecordingPlatform platform;
        ui::setPlatform(&platform);
        TCatalogueSearchForm form;
        form.setCatalogues({server.catalogue(Protocol::Z3950, QStringLiteral("marc21")), server.catalogue(Protocol::Sru, QStringLiteral("marc21"))}, 5);
        form.show();
        form.setRequest(QStringLiteral("5-02-013848-7"), QString(), QString());
        QSignalSpy done(&form, &TCatalogueSearchForm::searchFinished);
        form.cbCatalogue->setCurrentIndex(1);
        form.btnFindClick();
        QVERIFY(form.searching());
        QVERIFY(!form.btnFind->isEnabled());
        QVERIFY(form.btnStop->isEnabled());
        QVERIFY(done.wait(8000));
        QCOMPARE(form.grRecords->topLevelItemCount(), 1);
        const QTreeWidgetItem *row = form.grRecords->topLevelItem(0);
        QCOMPARE(row->text(0), tolstoy().author);
        QCOMPARE(row->text(1), tolstoy().title);
        QCOMPARE(row->text(4), QStringLiteral("1983"));
        QCOMPARE(row->text(5), QStringLiteral("Тестовый marc21"));
        const QString page = form.edRecord->toPlainText().simplified();
        QVERIFY2(page.contains(QStringLiteral("Название: Война и мир : роман")), qPrintable(page));
        QVERIFY(page.contains(QStringLiteral("Ключевые слова: роман-эпопея")));
        QCOMPARE(form.lblStatus->text(), QStringLiteral("Найдено записей: 1."));
        form.btnTake->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(form.chosenFields() == tolstoy());
        ui::setPlatform(nullptr);
    }

    void dialogSaysWhatWentWrong_data()
    {
        QTest::addColumn<QString>("isbn");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("not found") << "978-0-00-000000-2" << "marc21" << "Ничего не найдено." << "";
        QTest::newRow("diagnostic") << "5020138487" << "nosuchdb" << "" << "отказал в поиске";
        QTest::newRow("mistyped ISBN") << "12-34" << "marc21" << "" << "ISBN «12-34» набран неверно";
        QTest::newRow("nothing to find") << "" << "marc21" << "" << "Заполните ISBN, автора или заглавие.";
    }
    void dialogSaysWhatWentWrong()
    {
        QFETCH(QString, isbn);
        QFETCH(QString, database);
        QFETCH(QString, status);
        QFETCH(QString, message);
        RecordingPlatform platform;
        ui::setPlatform(&platform);
        TCatalogueSearchForm form;
        form.setCatalogues({server.catalogue(Protocol::Z3950, database)}, 5);
        form.setRequest(isbn, {}, {});
        QSignalSpy done(&form, &TCatalogueSearchForm::searchFinished);
        form.btnFindClick();
        if (form.searching())
            QVERIFY(done.wait(8000));
        if (!status.isEmpty())
            QCOMPARE(form.lblStatus->text(), status);
        QCOMPARE(platform.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY2(platform.messages[0].text.contains(message), qPrintable(platform.messages[0].text));
        QVERIFY(form.btnFind->isEnabled()); // the window stays usable
        QVERIFY(!form.btnTake->isEnabled());
        ui::setPlatform(nullptr);
    }

    void dialogTimeoutAndStop()
    {
        RecordingPlatform platform;
        ui::setPlatform(&platform);
        FakeCatalogue silent;
        TCatalogueSearchForm form;
        form.setCatalogues({silent.catalogue(Protocol::Z3950)}, 1);
        form.setRequest(QStringLiteral("5020138487"), {}, {});
        QSignalSpy done(&form, &TCatalogueSearchForm::searchFinished);
        form.btnFindClick();
        QVERIFY(done.wait(5000));
        QCOMPARE(platform.messageTexts(), QStringList{QStringLiteral("Каталог «Поддельный» не ответил за 1 с.")});
        form.setCatalogues({silent.catalogue(Protocol::Z3950)}, 30);
        form.btnFindClick();
        QTest::qWait(200);
        form.btnStop->click();
        QCOMPARE(form.lblStatus->text(), QStringLiteral("Поиск остановлен."));
        QVERIFY(form.btnFind->isEnabled());
        QVERIFY(!form.searching());
        ui::setPlatform(nullptr);
    }

    // The card is filled from the record taken; "ОК" stores it with its keywords, "Отмена" nothing.
    void cardTakesRecord_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("ОК") << true;
        QTest::newRow("Отмена") << false;
    }
    void cardTakesRecord()
    {
        QFETCH(bool, ok);
        CardFixture f;
        // Read when the search opens, as the librarian may have changed them meanwhile.
        f.writeSettings(("[General]\r\nAutoAdminLogon=1\r\n[Catalogues]\r\nЗебра=" +
                         server.catalogue(Protocol::Z3950, QStringLiteral("marc21")).address() + "|MARC21\r\n").toUtf8());
        f.w->tcKinds->setCurrentIndex(1);
        QString title, author, publisher, year, searchedFor;
        bool storedBeforeOk = true;
        f.platform.onModal = [&](QDialog &dialog) {
            if (auto *search = qobject_cast<TCatalogueSearchForm *>(&dialog)) {
                searchedFor = search->edISBN->text();
                QSignalSpy done(search, &TCatalogueSearchForm::searchFinished);
                search->btnFindClick();
                done.wait(8000);
                search->btnTakeClick();
            } else if (auto *card = qobject_cast<TBookForm *>(&dialog)) {
                typeInto(card->edISBN, QStringLiteral("5-02-013848-7"));
                card->btnCatalogues->click();
                title = card->edTitle->toPlainText();
                author = card->edAuthor->text();
                publisher = card->edPublisher->currentText();
                year = card->edYear->text();
                storedBeforeOk = scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books WHERE title LIKE 'Война%'")) > 0;
                ok ? card->OkBtnClick() : card->CancelBtnClick();
            }
            return dialog.result();
        };
        f.w->miNewItem->trigger();
        QCOMPARE(searchedFor, QStringLiteral("5-02-013848-7"));
        QCOMPARE(title, tolstoy().title);
        QCOMPARE(author, tolstoy().author);
        QCOMPARE(publisher, tolstoy().publisher);
        QCOMPARE(year, QStringLiteral("1983"));
        QVERIFY(!storedBeforeOk);
        const qint64 stored = scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books WHERE title = 'Война и мир : роман' "
                                                            "AND page_count = 1350 AND isbn = '978-5-02-013848-3'"));
        QCOMPARE(stored, ok ? 1 : 0);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM keywords WHERE keyword = 'роман-эпопея'")), ok ? 1 : 0);
    }
};

QTEST_MAIN(TestCatalogueSearch)
#include "test_catalogue_search.moc"
