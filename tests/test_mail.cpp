// Letters through the one mail interface to a real SMTP server on loopback: read back as the
// server received them, every failure in Russian with the server's own words, the address check,
// and batches (no address, refused, stopped half-way, never the same letter twice, the log).
#include "MailServer.h"

#include "IniFile.h"
#include "MailAddress.h"
#include "MailBatch.h"
#include "Mailer.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Outcome = store::LetterResult::Outcome;

store::MailLetter letterTo(const QString &address, const QString &name = QStringLiteral("Иванова Мария"))
{
    return {name, address, QStringLiteral("Напоминание о возврате изданий — Библиотека «Ромашка»"),
            QStringLiteral("Здравствуйте!\nВерните, пожалуйста, «Войну и мир».\n"),
            QStringLiteral("<p>Здравствуйте!</p><p>Верните, пожалуйста, «Войну и мир».</p>")};
}

// The message of the failure the action raised; empty when it raised none.
QString failureOf(const std::function<void()> &action, store::MailError::Scope *scope = nullptr)
{
    try {
        action();
    } catch (const store::MailError &e) {
        if (scope)
            *scope = e.scope();
        return e.message();
    }
    return {};
}

QStringList logLines(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    lines.removeAll(QString());
    return lines;
}

} // namespace

class MailTest : public QObject {
    Q_OBJECT
    MailServer server = MailServer::withTls();
    MailServer plainServer = MailServer::plain();

private slots:
    void letterReadBackAsTheServerReceivedIt()
    {
        REQUIRE_MAIL_SERVER(server);
        store::MailLetter letter = letterTo(QStringLiteral("  Read.Back@Example.RU "));
        // A line break typed into a name or subject must not add a header of its own.
        letter.recipientName += QStringLiteral("\r\nBcc: thief@example.ru");
        store::makeMailer(server.settings())->send(letter);

        const QList<QJsonObject> received = server.lettersTo(QStringLiteral("Read.Back@example.ru"));
        QCOMPARE(received.size(), 1);
        const QJsonObject m = received[0];
        QCOMPARE(m[u"envelope_from"].toString(), QStringLiteral("library@example.ru"));
        QCOMPARE(m[u"envelope_to"].toArray().size(), 1);
        QCOMPARE(m[u"subject"].toString(), letter.subject);
        QCOMPARE(m[u"to"].toString(), QStringLiteral("Иванова Мария Bcc: thief@example.ru <Read.Back@example.ru>"));
        QCOMPARE(m[u"from"].toString(), QStringLiteral("Библиотека «Ромашка» <library@example.ru>"));
        QStringList headers;
        for (const QJsonValue &h : m[u"headers"].toArray())
            headers << h.toString().toLower();
        QVERIFY(!headers.contains(QStringLiteral("bcc")));
        QCOMPARE(m[u"content_type"].toString(), QStringLiteral("multipart/alternative"));
        const QJsonArray parts = m[u"parts"].toArray();
        QCOMPARE(parts.size(), 2);
        QCOMPARE(parts[0][u"type"].toString(), QStringLiteral("text/plain"));
        QCOMPARE(parts[0][u"charset"].toString(), QStringLiteral("utf-8"));
        QCOMPARE(parts[0][u"text"].toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n")), letter.plainText);
        QCOMPARE(parts[1][u"type"].toString(), QStringLiteral("text/html"));
        QCOMPARE(parts[1][u"text"].toString().trimmed(), letter.html);
        for (const char *header : {"date", "message-id", "mime-version"})
            QVERIFY2(headers.contains(QString::fromLatin1(header)), header);
        // Seven-bit lines of a length every server takes.
        QVERIFY(m[u"ascii"].toBool());
        QVERIFY(m[u"longest_line"].toInt() <= 998);
        QVERIFY(m[u"longest_header_line"].toInt() <= 78);
        QCOMPARE(m[u"defects"].toInt(), 0);
    }

    void failuresSayWhyInRussian_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("scope");
        const int connection = int(store::MailError::Scope::Connection), letter = int(store::MailError::Scope::Letter);
        QTest::newRow("refused login") << "password=wrong" << "не принял имя пользователя или пароль. Ответ сервера: «535"
                                       << connection;
        QTest::newRow("refused recipient") << "to=refused@example.ru"
                                           << "не принял адрес получателя. Ответ сервера: «550 5.1.1 <refused@example.ru>"
                                           << letter;
        QTest::newRow("authority not trusted") << "ca=" << "Сертификат сервера почты 127.0.0.1 не подтверждён" << connection;
        QTest::newRow("certificate of another host") << "server=localhost" << "Сертификат сервера почты localhost не подтверждён"
                                                     << connection;
        QTest::newRow("authority file missing") << "ca=/nonexistent/ca.pem"
                                                << "Не удалось прочитать файл сертификата центра «/nonexistent/ca.pem»"
                                                << connection;
        QTest::newRow("nothing listens") << "port=closed" << "Не удалось соединиться с сервером почты 127.0.0.1, порт"
                                         << connection;
        QTest::newRow("sender missing") << "from=Библиотека" << "не указан или указан неверно адрес отправителя"
                                        << connection;
    }
    void failuresSayWhyInRussian()
    {
        REQUIRE_MAIL_SERVER(server);
        QFETCH(QString, change);
        QFETCH(QString, expected);
        QFETCH(int, scope);
        store::MailSettings s = server.settings();
        const QString value = change.section(u'=', 1);
        QString to = QStringLiteral("failures@example.ru");
        if (change.startsWith(u"password"))
            s.password = value;
        else if (change.startsWith(u"to"))
            to = value;
        else if (change.startsWith(u"ca"))
            s.caCertificate = value;
        else if (change.startsWith(u"server"))
            s.server = value;
        else if (change.startsWith(u"from"))
            s.from = value;
        else if (change.startsWith(u"port")) {
            QTcpServer closed; // a port just free: nothing listens there once it is closed
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            s.port = closed.serverPort();
        }
        store::MailError::Scope raised{};
        const QString message = failureOf([&] { store::makeMailer(s)->send(letterTo(to)); }, &raised);
        QVERIFY2(message.contains(expected), qPrintable(message));
        QCOMPARE(int(raised), scope);
        QVERIFY(server.lettersTo(to).isEmpty());
    }

    void serverThatNeverAnswersEndsInTime()
    {
        QTcpServer silent; // takes the connection and says nothing, ever
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        store::MailSettings s;
        s.server = QStringLiteral("127.0.0.1");
        s.port = silent.serverPort();
        s.from = QStringLiteral("library@example.ru");
        s.timeoutSeconds = 2;
        QElapsedTimer clock;
        clock.start();
        const QString message = failureOf([&] { store::makeMailer(s)->check(); });
        QVERIFY2(message.startsWith(QStringLiteral("Сервер почты 127.0.0.1, порт %1 не ответил за 2 с.").arg(s.port)),
                 qPrintable(message));
        QVERIFY(clock.elapsed() < 5000);
    }

    // The login goes over an encrypted connection only, unless the settings allow otherwise.
    void loginNeverSentWithoutEncryptionWhenRequired()
    {
        REQUIRE_MAIL_SERVER(plainServer);
        store::MailSettings s = plainServer.settings();
        const auto logins = [&] { return plainServer.sessions().count("library\n"); };
        const qsizetype before = logins();
        const QString refused = failureOf([&] { store::makeMailer(s)->check(); });
        QVERIFY2(refused.startsWith(QStringLiteral("Сервер почты не предлагает защищённое соединение (STARTTLS)")),
                 qPrintable(refused));
        QCOMPARE(logins(), before);
        s.requireTls = false;
        QCOMPARE(failureOf([&] { store::makeMailer(s)->check(); }), QString());
        QCOMPARE(logins(), before + 1);
    }

    void checkLogsInAndSendsNothing()
    {
        REQUIRE_MAIL_SERVER(server);
        const qsizetype letters = server.letters().size();
        const QByteArray before = server.sessions();
        QCOMPARE(failureOf([&] { store::makeMailer(server.settings())->check(); }), QString());
        QCOMPARE(server.sessions(), before + "PLAIN library\nQUIT\n");
        QCOMPARE(server.letters().size(), letters);
    }

    void addressCheck_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("sent");
        QTest::newRow("plain") << "ivanova@example.ru" << "ivanova@example.ru";
        QTest::newRow("blanks and capitals") << "  Ivanova.M+lib@Mail.Example.RU " << "Ivanova.M+lib@mail.example.ru";
        QTest::newRow("Cyrillic domain") << "reader@почта.рф" << "reader@xn--80a1acny.xn--p1ai";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("no @") << "ivanova.example.ru" << "";
        QTest::newRow("two @") << "iva@nova@example.ru" << "";
        QTest::newRow("no domain") << "ivanova@" << "";
        QTest::newRow("domain of one name") << "ivanova@localhost" << "";
        QTest::newRow("numeric top domain") << "ivanova@10.0.0.1" << "";
        QTest::newRow("hyphen at a name's end") << "ivanova@example-.ru" << "";
        QTest::newRow("two dots") << "iva..nova@example.ru" << "";
        QTest::newRow("Cyrillic local part") << "иванова@example.ru" << "";
        QTest::newRow("blank inside") << "iva nova@example.ru" << "";
        QTest::newRow("in angle brackets") << "<ivanova@example.ru>" << "";
        QTest::newRow("a header smuggled in") << "ivanova@example.ru\r\nBcc: x@example.ru" << "";
        QTest::newRow("phone number") << "+7 (495) 123-45-67" << "";
    }
    void addressCheck()
    {
        QFETCH(QString, typed);
        QFETCH(QString, sent);
        QCOMPARE(store::sendableAddress(typed), sent);
    }

    void batchSaysWhatBecameOfEachLetterAndLogsIt()
    {
        REQUIRE_MAIL_SERVER(server);
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("mail.log"));
        store::MailLetter second = letterTo(QStringLiteral("batch-b@example.ru"), QStringLiteral("Петров"));
        const QList<store::MailLetter> letters{letterTo(QStringLiteral("batch-a@example.ru")),
                                               letterTo(QString(), QStringLiteral("Сидоров")),
                                               letterTo(QStringLiteral("без собаки"), QStringLiteral("Кузнецова")),
                                               letterTo(QStringLiteral("refused@example.ru"), QStringLiteral("Орлов")),
                                               letterTo(QStringLiteral(" BATCH-A@example.ru")), // the first again
                                               second};
        QList<int> progress;
        const QList<store::LetterResult> results = store::sendLetters(
            *store::makeMailer(server.settings()), letters, log, [&](int done, int total) {
                progress << done * 10 + total;
                return true;
            });
        QList<Outcome> outcomes;
        for (const store::LetterResult &r : results)
            outcomes << r.outcome;
        QCOMPARE(outcomes, (QList<Outcome>{Outcome::Sent, Outcome::NoAddress, Outcome::NoAddress, Outcome::Refused,
                                           Outcome::Repeated, Outcome::Sent}));
        QVERIFY(results[3].reason.contains(QStringLiteral("550 5.1.1")));
        QCOMPARE(progress, (QList<int>{16, 26, 36, 46, 56, 66}));
        QCOMPARE(server.lettersTo(QStringLiteral("batch-a@example.ru")).size(), 1);
        QCOMPARE(server.lettersTo(QStringLiteral("batch-b@example.ru")).size(), 1);

        const QStringList lines = logLines(log);
        QCOMPARE(lines.size(), 6);
        const QStringList first = lines[0].split(u'\t');
        QCOMPARE(first.size(), 4);
        QVERIFY(qAbs(QDateTime::fromString(first[0], QStringLiteral("yyyy-MM-dd HH:mm:ss")).secsTo(QDateTime::currentDateTime())) < 60);
        QCOMPARE(first.mid(1), (QStringList{"Иванова Мария", "batch-a@example.ru", "отправлено"}));
        QCOMPARE(lines[1].section(u'\t', 1), QStringLiteral("Сидоров\t\tнет адреса: адрес не указан"));
        QCOMPARE(lines[2].section(u'\t', 3), QStringLiteral("нет адреса: «без собаки» — не адрес электронной почты"));
        QVERIFY(lines[3].section(u'\t', 3).startsWith(QStringLiteral("не отправлено: Сервер почты не принял адрес получателя.")));
        QVERIFY(lines[4].section(u'\t', 3).startsWith(QStringLiteral("не отправлено повторно")));
    }

    void batchStoppedHalfWay()
    {
        REQUIRE_MAIL_SERVER(server);
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("mail.log"));
        QList<store::MailLetter> letters;
        for (int i = 1; i <= 5; ++i)
            letters << letterTo(QStringLiteral("stopped-%1@example.ru").arg(i));
        const QList<store::LetterResult> results = store::sendLetters(
            *store::makeMailer(server.settings()), letters, log, [](int done, int) { return done < 2; });
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(results[i].outcome, i < 2 ? Outcome::Sent : Outcome::NotSent);
            QCOMPARE(server.lettersTo(letters[i].address).size(), i < 2 ? 1 : 0);
        }
        QCOMPARE(results[4].reason, QStringLiteral("отправка прервана"));
        QCOMPARE(logLines(log).size(), 5);
    }

    // A refused login would meet every letter: the batch ends at the first.
    void batchEndsAtAFailureOfTheConnection()
    {
        REQUIRE_MAIL_SERVER(server);
        QTemporaryDir dir;
        store::MailSettings s = server.settings();
        s.password = QStringLiteral("wrong");
        const QByteArray before = server.sessions();
        const QList<store::LetterResult> results = store::sendLetters(
            *store::makeMailer(s), {letterTo(QStringLiteral("x1@example.ru")), letterTo(QStringLiteral("x2@example.ru"))},
            dir.filePath(QStringLiteral("mail.log")));
        QCOMPARE(results[0].outcome, Outcome::Refused);
        QCOMPARE(results[1].outcome, Outcome::NotSent);
        QCOMPARE(results[1].reason, results[0].reason);
        QCOMPARE(server.sessions().count("PLAIN"), before.count("PLAIN") + 1);
    }

    void nothingSentWithoutALog()
    {
        REQUIRE_MAIL_SERVER(server);
        const auto send = [&] {
            store::sendLetters(*store::makeMailer(server.settings()), {letterTo(QStringLiteral("unlogged@example.ru"))},
                               QStringLiteral("/nonexistent/mail.log"));
        };
        QVERIFY_THROWS_EXCEPTION(data::DataError, send());
        QVERIFY(server.lettersTo(QStringLiteral("unlogged@example.ru")).isEmpty());
    }

    // The password is kept as the server's: the file becomes its owner's alone.
    void settingsKeptInTheFileOwnersAlone()
    {
        QTemporaryDir dir;
        store::IniFile ini(dir.filePath(QStringLiteral("library.ini")));
        QVERIFY(ini.writeString(QStringLiteral("Mail"), QStringLiteral("Port"), QStringLiteral("70000")));
        QVERIFY(ini.writeString(QStringLiteral("Mail"), QStringLiteral("Timeout"), QStringLiteral("0")));
        QCOMPARE(store::readMailSettings(&ini), store::MailSettings());
        store::MailSettings s = server.settings();
        s.caCertificate = QStringLiteral("C:\\Библиотека\\ca.pem");
        s.requireTls = false;
        QVERIFY(store::writeMailSettings(ini, s));
        store::MailSettings read = store::readMailSettings(&ini);
        QCOMPARE(read.password, s.password);
        read.timeoutSeconds = s.timeoutSeconds;
        QCOMPARE(read, s);
        QCOMPARE(QFile::permissions(ini.fileName()) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    }
};

QTEST_GUILESS_MAIN(MailTest)
#include "test_mail.moc"
