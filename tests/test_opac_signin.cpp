// "Мои книги" in the web catalogue: a reader signs in with her card and PIN and sees her own
// loans and nothing of anyone else's; wrong PINs are refused and, repeated, lock the card; the
// session cookie is random and out of scripts' reach; electronic versions are downloaded only
// when the library allows. Built twice: on a catalogue file and on the test MariaDB server.
#include "LoanTerms.h"
#include "OpacServer.h"
#include "OpacSite.h"
#include "ReaderPins.h"
#include "Readers.h"

#include <QDate>
#include <QDir>
#include <QRegularExpression>

using namespace std::chrono_literals;

namespace {

const QDate LentOn = QDate::currentDate().addDays(-40);
const QByteArray Pdf = "%PDF-1.4 the electronic version\n";

QString catalogueRows()
{
    return QStringLiteral(
               "INSERT INTO books (id, inv_num, liter, itemkind_id, author, title, date_reg, onloan, loaner, date_out, file) VALUES\n"
               " (1, 1, 'К', 1, 'Толстой Л. Н.', 'Война и мир', '2001-01-01', 1, 'Сидорова Мария', '%1', NULL),\n"
               " (2, 2, 'К', 1, 'Пушкин А. С.', 'Евгений Онегин', '2001-01-01', 1, 'Петрова Анна', '%1', NULL),\n"
               " (3, 3, 'К', 1, 'Чехов А. П.', 'Вишнёвый сад', '2001-01-01', 0, NULL, NULL, '.pdf');\n"
               "INSERT INTO orders (book_id, loaner, date_out, status) VALUES (1, 'Сидорова Мария', '%1', 0),"
               " (2, 'Петрова Анна', '%1', 0);\n")
        .arg(LentOn.toString(Qt::ISODate));
}

QByteArray form(const QString &card, const QString &pin)
{
    return "card=" + QUrl::toPercentEncoding(card) + "&pin=" + QUrl::toPercentEncoding(pin);
}

// The cookie a sign-in set, as the browser sends it back.
QByteArray cookieOf(const OpacPage &page)
{
    return page.headers.value("set-cookie").split(';').first();
}

} // namespace

class TestOpacSignIn : public QObject {
    Q_OBJECT

    OpacServer server_;

    OpacPage signIn(const QString &card, const QString &pin, const QList<std::pair<QByteArray, QByteArray>> &headers = {})
    {
        return server_.fetch(QStringLiteral("/signin"), form(card, pin), {}, {}, headers);
    }

private slots:
    void initTestCase()
    {
#ifdef LIBRARY_TEST_ON_SERVER
        REQUIRE_TEST_SERVER(server_.serverDb.server);
#endif
        QVERIFY(server_.makeCatalogue());
        data::Connection &c = server_.catalogue();
        c.runStatement(catalogueRows());
        const auto reader = [&](const char *card, const char *name, const QString &pin) {
            store::Reader r;
            r.card = QString::fromUtf8(card);
            r.name = QString::fromUtf8(name);
            const qint64 id = store::saveReader(c, r);
            if (!pin.isEmpty())
                store::setReaderPin(c, id, pin);
        };
        reader("A-17", "Сидорова Мария", QStringLiteral("2468"));
        reader("B-2", "Петрова Анна", QStringLiteral("1357"));
        reader("C-3", "Кузнецова Ольга", QString());
        reader("D-4", "Орлова Вера", QStringLiteral("9999"));
        QVERIFY(QDir(server_.folder()).mkpath(QStringLiteral("files/1")));
        QFile file(server_.folder() + QStringLiteral("/files/1/3.pdf"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(Pdf) == Pdf.size());
        file.close();
        QVERIFY2(server_.start(QStringLiteral("Files=yes\r\nProxy=127.0.0.1\r\n")), "library-opac does not listen");
    }

    void cleanupTestCase() { QVERIFY(server_.stop()); }

    void myBooksShowHerOwnLoans()
    {
        QVERIFY(server_.fetch(QStringLiteral("/my")).html.contains(QStringLiteral("name=\"pin\" type=\"password\"")));

        const OpacPage signedIn = signIn(QStringLiteral(" A-17 "), QStringLiteral("2468"));
        QCOMPARE(signedIn.status, 303);
        QCOMPARE(signedIn.headers.value("location"), QByteArray("/my"));
        const QByteArray setCookie = signedIn.headers.value("set-cookie");
        QVERIFY2(QRegularExpression(QStringLiteral("^opac_session=[0-9a-f]{64}; Path=/; HttpOnly; SameSite=Strict$"))
                     .match(QString::fromLatin1(setCookie))
                     .hasMatch(),
                 setCookie.constData());
        QVERIFY(cookieOf(signIn(QStringLiteral("A-17"), QStringLiteral("2468"))) != cookieOf(signedIn));

        const OpacPage mine = server_.fetch(QStringLiteral("/my"), {}, cookieOf(signedIn));
        QCOMPARE(mine.status, 200);
        QCOMPARE(mine.headers.value("cache-control"), QByteArray("no-store"));
        QVERIFY(mine.html.contains(QStringLiteral("Война и мир")));
        QVERIFY(mine.html.contains(store::shownDate(store::dueDate(LentOn, 0, store::readLoanPeriods(nullptr)))));
        QVERIFY(mine.html.contains(QStringLiteral("A-17")));
        QVERIFY(mine.html.contains(QStringLiteral("Выйти")));
        const QString tidy = tidyErrors(mine.html);
        QVERIFY2(tidy.isEmpty(), qPrintable(tidy));
        // Not her name, not another reader's book.
        QVERIFY(!mine.html.contains(QStringLiteral("Сидорова")));
        QVERIFY(!mine.html.contains(QStringLiteral("Онегин")));
        // Every other page knows she is signed in, and still names nobody.
        const OpacPage holding = server_.fetch(QStringLiteral("/holding?id=1"), {}, cookieOf(signedIn));
        QVERIFY(holding.html.contains(QStringLiteral("Выйти")));
        QVERIFY(!holding.html.contains(QStringLiteral("Сидорова")));

        const OpacPage out = server_.fetch(QStringLiteral("/signout"), QByteArray(""), cookieOf(signedIn));
        QCOMPARE(out.status, 303);
        QVERIFY(out.headers.value("set-cookie").contains("Max-Age=0"));
        QVERIFY(!server_.fetch(QStringLiteral("/my"), {}, cookieOf(signedIn)).html.contains(QStringLiteral("Война и мир")));
        // A cookie made up by hand is nobody.
        const QByteArray forged = "opac_session=" + QByteArray(64, '0');
        QVERIFY(!server_.fetch(QStringLiteral("/my"), {}, forged).html.contains(QStringLiteral("Выйти")));
    }

    void signInRefused_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<QString>("pin");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        const QString wrong = QStringLiteral("Неверный номер билета или PIN.");
        QTest::newRow("wrong PIN") << "B-2" << "2468" << 403 << wrong;
        QTest::newRow("unknown card") << "Z-99" << "2468" << 403 << wrong;
        QTest::newRow("card without a PIN") << "C-3" << "" << 200 << "Введите номер читательского билета и PIN.";
        QTest::newRow("no PIN set, one tried") << "C-3" << "0000" << 403 << wrong;
        QTest::newRow("SQL in the card") << "B-2' OR '1'='1" << "1357" << 403 << wrong;
        QTest::newRow("markup in the card") << "<b>B-2</b>" << "1357" << 403 << "value=\"&lt;b&gt;B-2&lt;/b&gt;\"";
    }

    void signInRefused()
    {
        QFETCH(QString, card);
        QFETCH(QString, pin);
        QFETCH(int, status);
        QFETCH(QString, said);
        const OpacPage page = signIn(card, pin);
        QCOMPARE(page.status, status);
        QVERIFY2(page.html.contains(said), qPrintable(page.html));
        QVERIFY(tidyErrors(page.html).isEmpty());
        QVERIFY(!page.headers.contains("set-cookie"));
    }

    void oversizedFormRefused()
    {
        QCOMPARE(signIn(QString(5000, u'7'), QStringLiteral("1357")).status, 413);
    }

    void repeatedFailuresLockTheCard()
    {
        for (int i = 0; i < opac::SignInGuard::MaxPerCard; ++i)
            QCOMPARE(signIn(QStringLiteral("D-4"), QStringLiteral("1111")).status, 403);
        const OpacPage locked = signIn(QStringLiteral("D-4"), QStringLiteral("9999"));
        QCOMPARE(locked.status, 429);
        QVERIFY(locked.html.contains(QStringLiteral("Слишком много неудачных попыток входа. Попробуйте снова через 15 мин.")));
        // Another card from the same address still signs in.
        QCOMPARE(signIn(QStringLiteral("B-2"), QStringLiteral("1357")).status, 303);
    }

    // Behind the proxy each reader is her X-Real-IP; anyone else's headers say nothing.
    void addressesBehindTheProxy()
    {
        for (int i = 0; i < opac::SignInGuard::MaxPerAddress; ++i)
            QCOMPARE(signIn(QStringLiteral("Z-%1").arg(i), QStringLiteral("0000"), {{"X-Real-IP", "10.9.9.9"}}).status, 403);
        QCOMPARE(signIn(QStringLiteral("A-17"), QStringLiteral("2468"), {{"X-Real-IP", "10.9.9.9"}}).status, 429);
        const OpacPage next = signIn(QStringLiteral("A-17"), QStringLiteral("2468"), {{"X-Real-IP", "10.9.9.8"}, {"X-Forwarded-Proto", "https"}});
        QCOMPARE(next.status, 303);
        QVERIFY(next.headers.value("set-cookie").endsWith("; Secure"));

        const QByteArray body = form(QStringLiteral("A-17"), QStringLiteral("2468"));
        const QByteArray direct = server_.raw(QStringLiteral("127.0.0.2"),
                                              "POST /signin HTTP/1.0\r\nX-Real-IP: 10.9.9.9\r\nX-Forwarded-Proto: https\r\n"
                                              "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                                                  QByteArray::number(body.size()) + "\r\n\r\n" + body);
        QVERIFY2(direct.startsWith("HTTP/1.0 303") || direct.startsWith("HTTP/1.1 303"), direct.left(200).constData());
        QVERIFY(direct.contains("SameSite=Strict\r\n"));
    }

    void limitsOverTime()
    {
        const opac::Clock::time_point t0{};
        opac::SignInGuard guard;
        for (int i = 0; i < opac::SignInGuard::MaxPerAddress; ++i)
            guard.failed(QStringLiteral("card %1").arg(i), QStringLiteral("10.0.0.1"), t0 + i * 1s);
        QCOMPARE(guard.wait(QStringLiteral("fresh card"), QStringLiteral("10.0.0.1"), t0 + 60s), std::chrono::seconds(14 * 60));
        QCOMPARE(guard.wait(QStringLiteral("fresh card"), QStringLiteral("10.0.0.2"), t0 + 60s), 0s);
        QCOMPARE(guard.wait(QStringLiteral("fresh card"), QStringLiteral("10.0.0.1"), t0 + 15min), 0s);

        for (int i = 0; i < opac::SignInGuard::MaxPerCard; ++i)
            guard.failed(QStringLiteral("A-1"), QStringLiteral("10.0.0.%1").arg(10 + i), t0);
        QVERIFY(guard.wait(QStringLiteral("A-1"), QStringLiteral("10.0.0.99"), t0 + 1s) > 0s);
        guard.succeeded(QStringLiteral("A-1"));
        QCOMPARE(guard.wait(QStringLiteral("A-1"), QStringLiteral("10.0.0.99"), t0 + 1s), 0s);

        opac::ReaderSessions sessions(30min);
        const QByteArray token = sessions.open(7, QStringLiteral("A-1"), t0);
        QVERIFY(sessions.find(token, t0 + 29min));
        QCOMPARE(sessions.find(token, t0 + 58min)->readerId, 7);  // each use extends it
        QVERIFY(!sessions.find(token, t0 + 89min));
        QVERIFY(!sessions.find(token, t0 + 59min));  // and a lapsed one is gone for good
    }

    void downloads()
    {
        QVERIFY(server_.fetch(QStringLiteral("/holding?id=3")).html.contains(QStringLiteral("href=\"/file?id=3\"")));
        const OpacPage file = server_.fetch(QStringLiteral("/file?id=3"));
        QCOMPARE(file.status, 200);
        QCOMPARE(file.body, Pdf);
        QCOMPARE(file.headers.value("content-type"), QByteArray("application/pdf"));
        QCOMPARE(file.headers.value("content-disposition"), QByteArray("attachment; filename=\"3.pdf\""));
        QCOMPARE(server_.fetch(QStringLiteral("/file?id=1")).status, 404);
        QCOMPARE(server_.fetch(QStringLiteral("/file?id=..%2F..%2Fetc%2Fpasswd")).status, 404);

        // Where the library does not allow them, neither the link nor the file.
        opac::OpacSettings settings = opac::readOpacSettings(server_.iniPath());
        QVERIFY(settings.files);
        settings.files = false;
        opac::OpacSite site(settings);
        QCOMPARE(site.answer(QStringLiteral("/file"), [] { opac::Params p; p.add(QStringLiteral("id"), QStringLiteral("3")); return p; }()).status, 404);
        opac::Params holding;
        holding.add(QStringLiteral("id"), QStringLiteral("3"));
        QVERIFY(!site.answer(QStringLiteral("/holding"), holding).body.contains("/file?id=3"));
    }
};

QTEST_GUILESS_MAIN(TestOpacSignIn)
#include "test_opac_signin.moc"
