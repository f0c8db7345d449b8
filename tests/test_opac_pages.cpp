// The web catalogue as a reader sees it: library-opac started on a free loopback port over a
// small catalogue, its pages fetched over HTTP. What is found and in which order, paging, a
// holding's availability (the due date, never the reader), escaping, absurd requests, and every
// kind of page clean by tidy. Built twice: on a catalogue file, and (LIBRARY_TEST_ON_SERVER) on
// the test MariaDB server.
#include "OpacServer.h"
#include "data/dataset/Dataset.h"

#include <QDate>
#include <QElapsedTimer>
#include <QImage>
#include <QRegularExpression>
#include <QUrlQuery>
#include <algorithm>
#include <memory>
#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const QString Reader = QStringLiteral("Сидорова Мария Петровна");

// Twenty-five parts of one exercise book make two pages of results; five gardens test the order.
QString catalogueRows()
{
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    const QString lentOn = QDate::currentDate().addDays(-3).toString(Qt::ISODate);
    QString sql = QStringLiteral(
        "INSERT INTO categories (id, title, parent) VALUES (1, 'Художественная литература', 0), (2, 'Русская проза', 1);\n"
        "INSERT INTO books (id, inv_num, liter, itemkind_id, author, title, isbn, year_p, publisher, annotation, rubric,"
        " date_reg, onloan, loaner, date_out) VALUES\n"
        " (1, 1, 'К', 1, 'Толстой Л. Н.', 'Война и мир', '978-5-17-090335-2', 2015, 'АСТ', 'Роман-эпопея о войне 1812 года',"
        " '1.2.;', '%1', 1, '%3', '%2'),\n"
        " (2, 2, 'К', 1, 'Пушкин А. С.', 'Евгений Онегин <script>alert(1)</script>', '5-02-013848-7', 1999, 'Наука', NULL,"
        " NULL, '2001-01-01', 0, NULL, NULL),\n"
        " (3, 3, 'К', 1, 'Чехов А. П.', 'Вишнёвый сад', NULL, 1990, 'Правда', NULL, NULL, '2001-01-01', 0, NULL, NULL),\n"
        " (4, 4, 'К', 1, 'Иванов И. И.', 'ёлочный сад', NULL, 1991, NULL, NULL, NULL, '2001-01-01', 0, NULL, NULL),\n"
        " (5, 5, 'К', 1, 'Петров П. П.', 'Яблоневый сад', NULL, 1992, NULL, NULL, NULL, '2001-01-01', 0, NULL, NULL),\n"
        " (6, 6, 'К', 1, 'Сидоров С. С.', 'Бабушкин сад', NULL, 1993, NULL, NULL, NULL, '2001-01-01', 0, NULL, NULL),\n"
        " (7, 7, 'К', 1, 'Гусев Г. Г.', 'Гранатовый сад', NULL, 1994, NULL, NULL, NULL, '%1', 0, NULL, NULL);\n"
        "INSERT INTO keywords (keyword, book_id) VALUES ('роман', 1), ('классика', 1), ('поэзия', 2);\n"
        "INSERT INTO orders (book_id, loaner, date_out, status) VALUES (1, '%3', '%2', 0);\n")
                      .arg(today, lentOn, Reader);
    for (int part = 10; part < 35; ++part)
        sql += QStringLiteral("INSERT INTO books (id, inv_num, liter, itemkind_id, author, title, date_reg) VALUES "
                              "(%1, %1, 'У', 1, 'Сканави М. И.', 'Задачник, часть %2', '2001-01-01');\n")
                   .arg(90 + part)
                   .arg(part);
    return sql;
}

// The titles of a results page, in the order shown.
QStringList titlesOf(const QString &html)
{
    static const QRegularExpression item(QStringLiteral("<li><a href=\"/holding\\?id=\\d+\">(?:<b>[^<]*</b> )?(.*?) / "));
    QStringList titles;
    for (auto it = item.globalMatch(html); it.hasNext();)
        titles << it.next().captured(1);
    return titles;
}

QString encoded(const QString &text) { return QString::fromLatin1(QUrl::toPercentEncoding(text)); }

} // namespace

class TestOpacPages : public QObject {
    Q_OBJECT

    OpacServer server_;
    QStringList readerNamedOn_;

    OpacPage get(const QString &pathAndQuery)
    {
        OpacPage page = server_.fetch(pathAndQuery);
        // Whatever the page, the reader who has a book is never named on it.
        if (page.html.contains(QStringLiteral("Сидорова")) || page.html.contains(QStringLiteral("Мария Петровна")))
            readerNamedOn_ << pathAndQuery;
        return page;
    }

private slots:
    void initTestCase()
    {
#ifdef LIBRARY_TEST_ON_SERVER
        REQUIRE_TEST_SERVER(server_.serverDb.server);
#endif
        QVERIFY(server_.makeCatalogue());
        server_.catalogue().runStatement(catalogueRows());
        QVERIFY2(server_.start(QStringLiteral("Timeout=2\r\n"), QStringLiteral("[Library]\r\nName=Библиотека <b>села</b>\r\n")), "library-opac does not listen");
    }

    void cleanupTestCase()
    {
        QVERIFY2(readerNamedOn_.isEmpty(), qPrintable(readerNamedOn_.join(u' ')));
        QVERIFY(server_.stop());
    }

    void found_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("a title's word") << "q=мир&field=title" << QStringList{"Война и мир"};
        QTest::newRow("the beginning of a word") << "q=онег&field=title" << QStringList{"Евгений Онегин <script>alert(1)</script>"};
        QTest::newRow("an author") << "q=толстой&field=author" << QStringList{"Война и мир"};
        QTest::newRow("not the author's field") << "q=война&field=author" << QStringList{};
        QTest::newRow("a keyword") << "q=поэзия&field=keyword" << QStringList{"Евгений Онегин <script>alert(1)</script>"};
        QTest::newRow("ISBN with other hyphens") << "q=97851-7090-3352&field=isbn" << QStringList{"Война и мир"};
        QTest::newRow("any field: the annotation") << "q=эпопея" << QStringList{"Война и мир"};
        QTest::newRow("every word must be there") << "q=война+сад" << QStringList{};
        QTest::newRow("Ё is found by Е") << "q=вишневый" << QStringList{"Вишнёвый сад"};
        QTest::newRow("Russian order, Ё after Е, case aside")
            << "q=сад&field=title" << QStringList{"Бабушкин сад", "Вишнёвый сад", "Гранатовый сад", "ёлочный сад", "Яблоневый сад"};
        QTest::newRow("by author") << "q=сад&sort=author" << QStringList{"Гранатовый сад", "ёлочный сад", "Яблоневый сад", "Бабушкин сад", "Вишнёвый сад"};
        QTest::newRow("newest editions first") << "q=сад&sort=year" << QStringList{"Гранатовый сад", "Бабушкин сад", "Яблоневый сад", "ёлочный сад", "Вишнёвый сад"};
    }

    void found()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, titles);
        OpacPage page = get(QStringLiteral("/search?") + query);
        QCOMPARE(page.status, 200);
        QCOMPARE(titlesOf(page.html.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">"))), titles);
    }

    void paging_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("count");
        QTest::newRow("the first") << "" << "Страница 1 из 2" << "Задачник, часть 10" << 20;
        QTest::newRow("the second") << "&page=2" << "Страница 2 из 2" << "Задачник, часть 30" << 5;
        QTest::newRow("10^18 is the last") << "&page=1000000000000000000" << "Страница 2 из 2" << "Задачник, часть 30" << 5;
        QTest::newRow("beyond 64 bits") << "&page=99999999999999999999999999" << "Страница 2 из 2" << "Задачник, часть 30" << 5;
        QTest::newRow("negative is the first") << "&page=-5" << "Страница 1 из 2" << "Задачник, часть 10" << 20;
        QTest::newRow("not a number") << "&page=%3Cb%3E" << "Страница 1 из 2" << "Задачник, часть 10" << 20;
    }

    void paging()
    {
        QFETCH(QString, page);
        QFETCH(QString, shown);
        QFETCH(QString, first);
        QFETCH(int, count);
        const OpacPage p = get(QStringLiteral("/search?q=задачник") + page);
        QCOMPARE(p.status, 200);
        QVERIFY(p.html.contains(QStringLiteral("Найдено: 25. ") + shown));
        const QStringList titles = titlesOf(p.html);
        QCOMPARE(titles.size(), count);
        QCOMPARE(titles.first(), first);
        QCOMPARE(titles.last(), QStringLiteral("Задачник, часть %1").arg(first.right(2).toInt() + count - 1));
        QCOMPARE(p.html.contains(QStringLiteral("rel=\"next\"")), shown.startsWith(QStringLiteral("Страница 1")));
    }

    void holdingAvailability()
    {
        const OpacPage lent = get(QStringLiteral("/holding?id=1"));
        QCOMPARE(lent.status, 200);
        const QRegularExpressionMatch due = QRegularExpression(QStringLiteral("Выдано, срок возврата — (\\d\\d\\.\\d\\d\\.\\d{4})")).match(lent.html);
        QVERIFY2(due.hasMatch(), qPrintable(lent.html));
        QVERIFY(QDate::fromString(due.captured(1), QStringLiteral("dd.MM.yyyy")) > QDate::currentDate().addDays(-3));
        for (const QString &shown : {QStringLiteral("Роман-эпопея о войне 1812 года"), QStringLiteral("Русская проза"),
                                     QStringLiteral("классика"), QStringLiteral("978-5-17-090335-2")})
            QVERIFY2(lent.html.contains(shown), qPrintable(shown));
        QVERIFY(get(QStringLiteral("/holding?id=3")).html.contains(QStringLiteral("На полке")));
        QCOMPARE(get(QStringLiteral("/holding?id=999")).status, 404);
        QCOMPARE(get(QStringLiteral("/holding?id=%27%20OR%201=1")).status, 404);
    }

    void browsing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("the top rubrics") << "/rubrics" << QStringList{"Художественная литература"} << QStringList{"Война и мир"};
        QTest::newRow("a rubric's holdings, with those below") << "/rubrics?id=1" << QStringList{"Русская проза", "Война и мир"}
                                                                << QStringList{"Вишнёвый сад"};
        QTest::newRow("the author index's letters") << "/authors" << QStringList{">Т<", ">Ч<", ">П<"} << QStringList{"Толстой"};
        QTest::newRow("the authors of a letter") << "/authors?letter=" + encoded("Т") << QStringList{"Толстой, Л. Н."}
                                                 << QStringList{"Чехов"};
        QTest::newRow("an author's holdings") << "/author?name=" + encoded("Толстой, Л. Н.") << QStringList{"Война и мир"}
                                              << QStringList{"Вишнёвый сад"};
        QTest::newRow("new acquisitions, newest first") << "/new" << QStringList{"Найдено: 2.", "Война и мир", "Гранатовый сад"}
                                                        << QStringList{"Задачник"};
    }

    void browsing()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, absent);
        const OpacPage page = get(path);
        QCOMPARE(page.status, 200);
        for (const QString &s : shown)
            QVERIFY2(page.html.contains(s), qPrintable(s));
        for (const QString &s : absent)
            QVERIFY2(!page.html.contains(s), qPrintable(s));
    }

    void textIsEscaped()
    {
        const OpacPage holding = get(QStringLiteral("/holding?id=2"));
        QVERIFY(holding.html.contains(QStringLiteral("Евгений Онегин &lt;script&gt;alert(1)&lt;/script&gt;")));
        QVERIFY(!holding.html.contains(QStringLiteral("<script")));
        const OpacPage page = get(QStringLiteral("/search?q=") + encoded("онегин \"><script>x</script>"));
        QVERIFY(page.html.contains(QStringLiteral("value=\"онегин &quot;&gt;&lt;script&gt;x&lt;/script&gt;\"")));
        QVERIFY(!page.html.contains(QStringLiteral("<script")));
        QVERIFY(page.html.contains(QStringLiteral("Библиотека &lt;b&gt;села&lt;/b&gt;")));
    }

    void longSearches()
    {
        const OpacPage cut = get(QStringLiteral("/search?q=") + QStringLiteral("garden+").repeated(1500));
        QCOMPARE(cut.status, 200);
        QVERIFY(cut.html.contains(QStringLiteral("Запрос сокращён до 256 знаков")));
        // 100,000 letters are more than the server keeps for a request: refused, and it goes on.
        const OpacPage huge = get(QStringLiteral("/search?q=") + QString(100000, u'a'));
        QVERIFY2(huge.status == 200 || huge.status == 414, qPrintable(QString::number(huge.status)));
        QCOMPARE(get(QStringLiteral("/search?q=мир")).status, 200);
    }

    void otherRequests()
    {
        QCOMPARE(get(QStringLiteral("/admin")).status, 404);
        QCOMPARE(server_.fetch(QStringLiteral("/search"), QByteArray("q=1")).status, 405);
        QCOMPARE(server_.fetch(QStringLiteral("/"), QByteArray(), QByteArray(), "DELETE").status, 405);
    }

    // A thousand connections from one address, and clients that stall: the server drops the
    // silent ones and keeps answering readers at other addresses all the while.
    void crowdsAndSilentClients()
    {
        rlimit files{};
        getrlimit(RLIMIT_NOFILE, &files);
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);

        std::vector<std::unique_ptr<QTcpSocket>> crowd;
        for (int i = 0; i < 1000; ++i) {
            crowd.push_back(std::make_unique<QTcpSocket>());
            crowd.back()->connectToHost(QHostAddress::LocalHost, quint16(server_.port()));
        }
        for (auto &socket : crowd)
            if (socket->waitForConnected(1000))
                socket->write("GET /search?q=");  // and never the rest
        QTest::qWait(200);
        QElapsedTimer answered;
        answered.start();
        QVERIFY(server_.raw(QStringLiteral("127.0.0.2"), "GET /search?q=%D1%81%D0%B0%D0%B4 HTTP/1.0\r\n\r\n").contains("Найдено: 5."));
        QVERIFY2(answered.elapsed() < 1500, qPrintable(QString::number(answered.elapsed())));
        // After Timeout= seconds of silence every one of them is dropped.
        QTRY_VERIFY_WITH_TIMEOUT(std::ranges::all_of(crowd, [](auto &socket) {
                                     socket->waitForReadyRead(0);
                                     return socket->state() == QAbstractSocket::UnconnectedState;
                                 }),
                                 10000);
        crowd.clear();
        QCOMPARE(get(QStringLiteral("/")).status, 200);

        // One that is never silent but never done, a byte every half second, is dropped as well.
        QTcpSocket trickle;
        trickle.connectToHost(QHostAddress::LocalHost, quint16(server_.port()));
        QVERIFY(trickle.waitForConnected(3000));
        const QByteArray request = "GET /search?q=" + QByteArray(200, 'a');
        QElapsedTimer sending;
        sending.start();
        for (qsizetype i = 0; i < request.size() && trickle.state() == QAbstractSocket::ConnectedState; ++i) {
            trickle.write(request.mid(i, 1));
            trickle.waitForBytesWritten(100);
            trickle.waitForDisconnected(500);
        }
        QVERIFY2(trickle.state() == QAbstractSocket::UnconnectedState && sending.elapsed() < 8000,
                 qPrintable(QString::number(sending.elapsed())));
    }

    // The librarian's work goes on while readers search: each of her changes waits at most for
    // the pages being read, and none fails.
    void librarianWritesUnderLoad()
    {
        std::atomic<bool> going{true};
        std::atomic<int> pages{0};
        const quint16 port = quint16(server_.port());
        std::vector<std::jthread> readers;
        for (int t = 0; t < 4; ++t)
            readers.emplace_back([&] {
                while (going) {
                    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
                    sockaddr_in to{};
                    to.sin_family = AF_INET;
                    to.sin_port = htons(port);
                    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                    if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0) {
                        constexpr char request[] = "GET /search?q=%D1%81%D0%B0%D0%B4 HTTP/1.0\r\n\r\n";
                        ::send(fd, request, sizeof request - 1, MSG_NOSIGNAL);
                        char buffer[4096];
                        while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
                        }
                        ++pages;
                    }
                    ::close(fd);
                }
            });
        QTRY_VERIFY(pages > 20);
        for (int i = 1; i <= 50; ++i)
            server_.catalogue().runStatement(QStringLiteral("UPDATE books SET price = ? WHERE id = 3"), {i});
        going = false;
        readers.clear();
        data::Dataset price(&server_.catalogue());
        price.setSql(QStringLiteral("SELECT price FROM books WHERE id = 3"));
        price.open();
        QCOMPARE(price.field(0).asInteger(), 50);
    }

    // A phone's browser: the results as its DOM has them, and a screenshot with the page drawn.
    void readInChromium()
    {
        const QString shot = server_.folder() + QStringLiteral("/phone.png");
        const auto chromium = [&](const QStringList &what) {
            QProcess browser;
            browser.start(QStringLiteral("chromium"),
                          QStringList{QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                                      QStringLiteral("--hide-scrollbars"), QStringLiteral("--window-size=412,900"),
                                      QStringLiteral("--user-data-dir=") + server_.folder() + QStringLiteral("/chromium")} +
                              what + QStringList{server_.url(QStringLiteral("/search?q=%D1%81%D0%B0%D0%B4&sort=year"))});
            if (!browser.waitForFinished(120000))
                browser.kill();
            return QString::fromUtf8(browser.readAllStandardOutput());
        };
        const QString dom = chromium({QStringLiteral("--dump-dom")});
        QVERIFY2(dom.contains(QStringLiteral("<html lang=\"ru\">")), qPrintable(dom.left(2000)));
        QCOMPARE(titlesOf(dom), (QStringList{"Гранатовый сад", "Бабушкин сад", "Яблоневый сад", "ёлочный сад", "Вишнёвый сад"}));
        QVERIFY(dom.contains(QStringLiteral("<label for=\"q\">")));

        chromium({QStringLiteral("--screenshot=") + shot});
        const QImage image(shot);
        QCOMPARE(image.width(), 412);
        // The header's band across the width, and dark text on the white below it.
        QCOMPARE(image.pixelColor(5, 5), QColor(0x24, 0x47, 0x6b));
        QCOMPARE(image.pixelColor(406, 5), QColor(0x24, 0x47, 0x6b));
        int dark = 0;
        for (int y = 150; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                dark += qGray(image.pixel(x, y)) < 100;
        QVERIFY2(dark > 500, qPrintable(QString::number(dark)));
    }

    void pagesPassTidy_data()
    {
        QTest::addColumn<QString>("path");
        for (const char *path : {"/", "/search?q=%D1%81%D0%B0%D0%B4", "/search?q=%D0%B7%D0%B0%D0%B4%D0%B0%D1%87%D0%BD%D0%B8%D0%BA",
                                 "/search?q=nothing", "/holding?id=1", "/holding?id=2", "/holding?id=999", "/rubrics",
                                 "/rubrics?id=2", "/authors", "/authors?letter=%D0%A2", "/new", "/my", "/nowhere"})
            QTest::newRow(path) << QString::fromLatin1(path);
    }

    void pagesPassTidy()
    {
        QFETCH(QString, path);
        const OpacPage page = get(path);
        QVERIFY(page.html.startsWith(QStringLiteral("<!DOCTYPE html>\n<html lang=\"ru\">")));
        QVERIFY(page.html.contains(QStringLiteral("<meta name=\"viewport\"")));
        const QString said = tidyErrors(page.html);
        QVERIFY2(said.isEmpty(), qPrintable(said));
    }
};

QTEST_GUILESS_MAIN(TestOpacPages)
#include "test_opac_pages.moc"
