// E-mail as the librarian meets it: the mail settings dialog with its check against the server,
// the overdue dialog sending each late reader her letter (read back from the server), stopped
// while the server says nothing, and no sending in view mode.
#include "CirculationCases.h"
#include "MailServer.h"
#include "WindowFixture.h"

#include "IniFile.h"
#include "MailSettingsForm.h"
#include "OverdueForm.h"
#include "ProcessValues.h"
#include "data/text/TextCodec.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTimer>
#include <QtTest>

namespace {

using circulation::Day;

QByteArray cp1251(const QString &text) { return data::encodeCp1251(text); }

QByteArray mailSection(const store::MailSettings &s)
{
    return "[Mail]\r\nServer=" + s.server.toLatin1() + "\r\nPort=" + QByteArray::number(s.port) +
           "\r\nUser=library\r\nPassword=library-test\r\nFrom=" + cp1251(s.from) +
           "\r\nRequireTLS=1\r\nCACertificate=" + s.caCertificate.toLocal8Bit() +
           "\r\nTimeout=" + QByteArray::number(s.timeoutSeconds) + "\r\n";
}

// The program folder with the circulation cases' loans and letterhead, started in edit mode.
struct MailFixture : WindowFixture {
    MailServer server = MailServer::withTls();
    explicit MailFixture(const QByteArray &mail, const QByteArray &general = "[General]\r\nAutoAdminLogon=1\r\n")
    {
        qputenv("TEMP", dir.path().toLocal8Bit());
        writeSettings(general + "[Library]\r\nName=" + cp1251("Библиотека «Ромашка» & Co") + "\r\nSignature=" +
                      cp1251("Заведующая И.И. Петрова") + "\r\n" + mail);
        start();
        db().MyServer.runStatement(circulation::Loans);
    }
    ~MailFixture() { qunsetenv("TEMP"); }

    // Runs the overdue dialog on the cases' day; `act` gets it with the addresses set.
    void onOverdue(const std::function<void(TOverdueForm &)> &act)
    {
        platform.onModal = [act](QDialog &d) {
            if (auto *form = qobject_cast<TOverdueForm *>(&d)) {
                form->dtDay->setDate(Day);
                form->readerAddress = [](const QString &reader) {
                    return reader == QStringLiteral("Иванова") ? QStringLiteral("ivanova-overdue@example.ru") : QString();
                };
                act(*form);
            }
            return int(QDialog::Rejected);
        };
        form().miOverdueClick();
    }
    QStringList logLines() const
    {
        QFile f(path(QStringLiteral("mail.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)
                                           : QStringList();
    }
};

} // namespace

class MailWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Библиотека")); }

    void settingsDialogChecksTheServerAndStores()
    {
        MailFixture f("");
        REQUIRE_MAIL_SERVER(f.server);
        const store::MailSettings wanted = f.server.settings();
        int shownPort = 0;
        f.platform.onModal = [&](QDialog &d) {
            auto &form = static_cast<TMailSettingsForm &>(d);
            shownPort = form.edPort->value();
            QTest::keyClicks(form.edServer, wanted.server);
            form.edPort->setValue(wanted.port);
            QTest::keyClicks(form.edUser, wanted.user);
            QTest::keyClicks(form.edPassword, QStringLiteral("wrong"));
            form.edFrom->setText(wanted.from);
            form.edCaCertificate->setText(wanted.caCertificate);
            form.btnCheck->click();
            form.edPassword->setText(wanted.password);
            form.btnCheck->click();
            form.btnOk->click();
            return form.result();
        };
        f.form().miMailSettings->trigger();
        QCOMPARE(shownPort, 587);
        const QStringList said = f.platform.messageTexts();
        QCOMPARE(said.size(), 2);
        QVERIFY2(said[0].startsWith(QStringLiteral("Сервер почты не принял имя пользователя или пароль. Ответ сервера: «535")),
                 qPrintable(said[0]));
        QCOMPARE(said[1], QStringLiteral("Сервер почты 127.0.0.1 отвечает, имя и пароль приняты. Настройки верны."));
        QCOMPARE(f.platform.messages[0].icon, ui::MsgIcon::Warning);
        store::MailSettings stored = store::readMailSettings(store::process().SettingsFile);
        stored.timeoutSeconds = wanted.timeoutSeconds;
        QCOMPARE(stored, wanted);
        QCOMPARE(QFile::permissions(f.path(QStringLiteral("library.ini"))) & (QFile::ReadGroup | QFile::ReadOther),
                 QFile::Permissions());
    }

    void remindersSentToTheReadersWithAnAddress()
    {
        MailFixture f(mailSection(MailServer::withTls().settings()));
        REQUIRE_MAIL_SERVER(f.server);
        f.onOverdue([](TOverdueForm &form) { form.btnSendMail->click(); });
        QCOMPARE(f.platform.messageTexts(),
                 (QStringList{"Отправить напоминания по электронной почте: писем — 1?\nБез адреса: 1 — им нужны бумажные "
                              "напоминания.",
                              "Отправлено писем: 1 из 2. Без адреса: 1 — им нужно бумажное напоминание."}));
        const QList<QJsonObject> received = f.server.lettersTo(QStringLiteral("ivanova-overdue@example.ru"));
        QCOMPARE(received.size(), 1);
        const QJsonObject m = received[0];
        QCOMPARE(m[u"subject"].toString(), QStringLiteral("Напоминание о возврате изданий — Библиотека «Ромашка» & Co"));
        QCOMPARE(m[u"to"].toString(), QStringLiteral("Иванова <ivanova-overdue@example.ru>"));
        const QString plain = m[u"parts"][0][u"text"].toString(), html = m[u"parts"][1][u"text"].toString();
        QVERIFY2(plain.contains(QStringLiteral("1. Толстой. Война и мир — инв. № 1 К, выдано 15.01.2024, срок возврата "
                                               "14.02.2024, дней просрочки: 16\r\n2. <Без названия> & \"кавычки\" — инв. № 2")),
                 qPrintable(plain));
        QVERIFY(plain.contains(QStringLiteral("\r\nЗаведующая И.И. Петрова\r\n01.03.2024")));
        QVERIFY(html.contains(QStringLiteral("<td>&lt;Без названия&gt; &amp; &quot;кавычки&quot;</td>")));
        QVERIFY(html.contains(QStringLiteral("<p>Заведующая И.И. Петрова</p>")) && !html.contains(u'_'));
        // What became of each letter: a page for the librarian, and the log beside the settings.
        const QString page = f.path(QStringLiteral("mail-reminders.html"));
        QCOMPARE(f.platform.shellOpened.last(), page);
        QFile pageFile(page);
        QVERIFY(pageFile.open(QIODevice::ReadOnly));
        QVERIFY(pageFile.readAll().contains(cp1251("<tr><td>О'Брайен %_&lt;b&gt;</td><td></td><td>нет адреса: адрес не "
                                                   "указан — <b>нужно бумажное письмо</b></td></tr>")));
        const QStringList log = f.logLines();
        QCOMPARE(log.size(), 2);
        QVERIFY(log[0].endsWith(QStringLiteral("\tИванова\tivanova-overdue@example.ru\tотправлено")));
    }

    // "Отмена" ends a letter the server never answers; a second click meanwhile starts nothing.
    void stoppedWhileTheServerSaysNothing()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        store::MailSettings s = MailServer::withTls().settings();
        s.server = QStringLiteral("127.0.0.1");
        s.port = silent.serverPort();
        s.timeoutSeconds = 60;
        MailFixture f(mailSection(s));
        QElapsedTimer clock;
        f.onOverdue([&](TOverdueForm &form) {
            form.readerAddress = [](const QString &) { return QStringLiteral("silent@example.ru"); };
            QTimer stopper;
            QObject::connect(&stopper, &QTimer::timeout, [&] {
                auto *progress = form.findChild<QProgressDialog *>(QStringLiteral("BackgroundWork"));
                if (!progress || !progress->isVisible() || clock.elapsed() < 500)
                    return;
                stopper.stop();
                const qsizetype said = f.platform.messages.size();
                form.btnSendMailClick();
                QCOMPARE(f.platform.messages.size(), said);
                QVERIFY(!form.btnSendMail->isEnabled());
                progress->findChild<QPushButton *>()->click();
            });
            stopper.start(50);
            clock.start();
            form.btnSendMail->click();
        });
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(f.platform.messageTexts().last(), QStringLiteral("Отправлено писем: 0 из 2. Не отправлено: 2."));
        const QStringList log = f.logLines();
        QCOMPARE(log.size(), 2);
        QVERIFY(log[0].endsWith(QStringLiteral("\tне отправлено: отправка прервана")));
        QVERIFY(log[1].endsWith(QStringLiteral("\tне отправлено: отправка прервана")));
    }

    void viewModeSendsNothing()
    {
        MailFixture f(mailSection(MailServer::withTls().settings()), "");
        QVERIFY(store::process().ViewOnly);
        bool shown = true;
        f.onOverdue([&](TOverdueForm &form) { shown = form.btnSendMail->isVisibleTo(&form); });
        QVERIFY(!shown);
        QVERIFY(!f.form().miSetup->menuAction()->isEnabled());
    }
};

QTEST_MAIN(MailWindowsTest)
#include "test_mail_windows.moc"
