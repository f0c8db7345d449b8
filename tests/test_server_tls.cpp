// The connection to the catalogue server is encrypted whenever the server offers it; the settings
// can make encryption, and a server certificate signed by a named authority, a condition. Where
// the settings ask for encryption, nothing of the login leaves the computer for a server the
// program cannot verify: a stand-in server records what it receives.
#include "FakeMariaServer.h"
#include "RecordingPlatform.h"
#include "SetupFormUnit.h"
#include "TestServer.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

using data::Connection;
using data::DataError;

namespace {

QString tlsDir() { return qEnvironmentVariable("LIBRARY_TEST_MARIADB_DIR") + QStringLiteral("/tls/"); }

// The second private server, started without TLS.
TestServer plainServer() { return TestServer::find("LIBRARY_TEST_MARIADB_PLAIN_DIR"); }

QString openError(Connection &c)
{
    try {
        c.open();
    } catch (const DataError &e) {
        return e.message();
    }
    return {};
}

DataError openFailure(Connection &c)
{
    try {
        c.open();
    } catch (const DataError &e) {
        return e;
    }
    return DataError(QStringLiteral("<opened>"));
}

// The test server's certificate as the program prints its fingerprint.
QString serverFingerprint()
{
    FILE *f = fopen(QFile::encodeName(tlsDir() + QStringLiteral("server-cert.pem")).constData(), "r");
    if (!f)
        return {};
    X509 *cert = PEM_read_X509(f, nullptr, nullptr, nullptr);
    fclose(f);
    TestCertificate t;
    t.cert.reset(cert, X509_free);
    return QString::fromLatin1(t.sha256Text());
}

const QString SpyUser = QStringLiteral("spy_librarian");

QString sessionCipher(Connection &c)
{
    data::Dataset d(&c);
    d.setSql(QStringLiteral("SHOW SESSION STATUS LIKE 'Ssl_cipher'"));
    d.open();
    return d.field(1).asString();
}

} // namespace

class ServerTlsTest : public QObject {
    Q_OBJECT
private slots:
    // Nothing in the settings: the server offers TLS, so the session takes it.
    void encryptedWhenTheServerOffersIt()
    {
        const TestServer s = TestServer::find();
        REQUIRE_TEST_SERVER(s);
        Connection c;
        s.configure(c);
        c.open();
        QVERIFY(!c.tlsCipher().isEmpty());
        QCOMPARE(sessionCipher(c), c.tlsCipher());
        QCOMPARE(c.tlsState(), data::TlsState::Unverified);
    }

    // RequireTLS=1 refuses a server without TLS with a Russian message; without it the plain
    // session is allowed, as before.
    void requireTlsRefusesAServerWithoutIt()
    {
        const TestServer s = plainServer();
        REQUIRE_TEST_SERVER(s);
        Connection c;
        s.configure(c);
        c.setRequireTls(true);
        QVERIFY2(openError(c).startsWith(QStringLiteral("Сервер базы данных не предлагает шифрованного соединения")),
                 qPrintable(openError(c)));
        QVERIFY(!c.isOpen());
        c.setRequireTls(false);
        c.open();
        QCOMPARE(sessionCipher(c), QString());
    }

    // CACertificate: the server's certificate must be signed by that authority.
    void theServerCertificateIsVerified_data()
    {
        QTest::addColumn<QString>("authority");
        QTest::addColumn<bool>("opens");
        QTest::newRow("the authority that signed it") << QStringLiteral("ca.pem") << true;
        QTest::newRow("a certificate that signed nothing") << QStringLiteral("server-cert.pem") << false;
        QTest::newRow("no such file") << QStringLiteral("missing.pem") << false;
    }
    void theServerCertificateIsVerified()
    {
        QFETCH(QString, authority);
        QFETCH(bool, opens);
        const TestServer s = TestServer::find();
        REQUIRE_TEST_SERVER(s);
        Connection c;
        s.configure(c);
        c.setCaCertificate(tlsDir() + authority);
        const QString error = openError(c);
        QCOMPARE(c.isOpen(), opens);
        QVERIFY2(opens == error.isEmpty(), qPrintable(error));
        if (opens) {
            QVERIFY(!sessionCipher(c).isEmpty());
            QCOMPARE(c.tlsState(), data::TlsState::Verified);
        }
    }

    // RequireTLS=1 without an authority: the system's do not know the test server's, so only the
    // fingerprint the librarian confirmed lets the program in; a kept fingerprint holds without
    // RequireTLS too.
    void onlyAVerifiedServerGetsTheLogin_data()
    {
        QTest::addColumn<bool>("require");
        QTest::addColumn<QString>("fingerprint"); // "<server>": the test server's own
        QTest::addColumn<QString>("authority");   // "<other>": one that signed something else
        QTest::addColumn<int>("refusal");         // -1: opens
        QTest::addColumn<QString>("message");
        const int untrusted = int(data::ErrorKind::UntrustedCertificate), changed = int(data::ErrorKind::CertificateChanged);
        QTest::newRow("nothing confirmed") << true << "" << "" << untrusted << "центром сертификации, которого этот компьютер не знает";
        QTest::newRow("the confirmed fingerprint") << true << "<server>" << "" << -1 << "";
        QTest::newRow("another fingerprint") << true << QString(QStringLiteral("AB:").repeated(31) + "AB") << "" << changed
                                             << "Сертификат сервера базы данных изменился";
        QTest::newRow("a malformed fingerprint") << true << "AB:CD:XYZ" << "" << int(data::ErrorKind::ServerGone)
                                                 << "не является отпечатком SHA-256";
        QTest::newRow("another authority") << true << "" << "<other>" << untrusted << "не тем центром сертификации";
        QTest::newRow("another fingerprint, not required")
            << false << QString(QStringLiteral("00").repeated(32)) << "" << changed << "изменился";
        QTest::newRow("not required, nothing confirmed") << false << "" << "" << -1 << "";
    }
    void onlyAVerifiedServerGetsTheLogin()
    {
        QFETCH(bool, require);
        QFETCH(QString, fingerprint);
        QFETCH(QString, authority);
        QFETCH(int, refusal);
        QFETCH(QString, message);
        const TestServer s = TestServer::find();
        REQUIRE_TEST_SERVER(s);
        QTemporaryDir dir;
        Connection c;
        s.configure(c);
        c.setRequireTls(require);
        c.setServerFingerprint(fingerprint == u"<server>" ? serverFingerprint() : fingerprint);
        if (authority == u"<other>") {
            const QString file = dir.filePath(QStringLiteral("other.pem"));
            QVERIFY(TestCertificate::make("IP:127.0.0.1").writePem(file));
            c.setCaCertificate(file);
        }
        const DataError e = openFailure(c);
        if (refusal < 0) {
            QVERIFY2(c.isOpen(), qPrintable(e.message()));
            QCOMPARE(c.tlsState(), fingerprint.isEmpty() ? data::TlsState::Unverified : data::TlsState::Verified);
            return;
        }
        QVERIFY(!c.isOpen());
        QCOMPARE(int(e.kind()), refusal);
        QVERIFY2(e.message().contains(message) && e.message().contains(QStringLiteral("не отправлены")), qPrintable(e.message()));
        if (e.kind() == data::ErrorKind::UntrustedCertificate)
            QCOMPARE(e.detail(), serverFingerprint());
    }

    // A server that offers no encryption while a confirmed certificate is kept: a downgrade.
    void aKeptFingerprintRefusesAPlainServer()
    {
        const TestServer s = plainServer();
        REQUIRE_TEST_SERVER(s);
        Connection c;
        s.configure(c);
        c.setServerFingerprint(QStringLiteral("00").repeated(32));
        QCOMPARE(int(openFailure(c).kind()), int(data::ErrorKind::CertificateChanged));
        c.setServerFingerprint(QString());
        c.open();
        QCOMPARE(c.tlsState(), data::TlsState::Plain);
    }

    // On the wire: what each server receives of a login the program must not give it. The last
    // row is the control: an unverified server allowed by the settings does get the user name.
    void nothingOfTheLoginReachesAServerItMustNot_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("message");
        QTest::newRow("no TLS offered") << "plain" << "require" << "не предлагает шифрованного соединения";
        QTest::newRow("a self-signed certificate") << "self-signed" << "require" << "которого этот компьютер не знает";
        QTest::newRow("a certificate for another host") << "other host" << "authority" << "выдан не серверу «127.0.0.1»";
        QTest::newRow("an expired certificate") << "expired" << "authority" << "срок действия сертификата истёк";
        QTest::newRow("an authority file that is no certificate") << "self-signed" << "bad authority" << "не является сертификатом";
        QTest::newRow("the handshake broken off") << "drop" << "require" << "прервал установку шифрованного соединения";
        QTest::newRow("confirmed, then no TLS") << "switch to plain" << "fingerprint" << "";
        QTest::newRow("confirmed, then another certificate") << "switch certificate" << "fingerprint" << "";
        QTest::newRow("control: unverified, not required") << "self-signed" << "" << "<login>";
    }
    void nothingOfTheLoginReachesAServerItMustNot()
    {
        QFETCH(QString, server);
        QFETCH(QString, settings);
        QFETCH(QString, message);
        static const TestCertificate ours = TestCertificate::make("IP:127.0.0.1"),
                                     other = TestCertificate::make("IP:127.0.0.1"),
                                     elsewhere = TestCertificate::make("DNS:elsewhere.example"),
                                     expired = TestCertificate::make("IP:127.0.0.1", true);
        const TestCertificate *shown = server == u"other host" ? &elsewhere : server == u"expired" ? &expired : &ours;
        QList<FakeMariaServer::Turn> turns{{server != u"plain", shown, server == u"drop"}};
        if (server == u"switch to plain")
            turns << FakeMariaServer::Turn{false, nullptr, false};
        if (server == u"switch certificate")
            turns << FakeMariaServer::Turn{true, &other, false};
        FakeMariaServer fake(turns);
        QTemporaryDir dir;
        Connection c;
        c.setProviderName(QStringLiteral("MySQL"));
        c.setServerName(fake.address());
        c.setUserName(SpyUser);
        c.setPassword(QStringLiteral("secret"));
        c.setRequireTls(settings == u"require");
        if (settings == u"authority" || settings == u"bad authority") {
            const QString file = dir.filePath(QStringLiteral("ca.pem"));
            QFile text(file);
            QVERIFY(settings == u"authority" ? shown->writePem(file)
                                              : text.open(QIODevice::WriteOnly) && text.write("not a certificate") > 0);
            text.close();
            c.setCaCertificate(file);
        }
        if (settings == u"fingerprint")
            c.setServerFingerprint(QString::fromLatin1(ours.sha256Text()));
        const DataError e = openFailure(c);
        QVERIFY(!c.isOpen());
        if (message == u"<login>") {
            QVERIFY2(fake.received().contains(SpyUser.toUtf8()), "the stand-in server records no login");
            return;
        }
        QVERIFY2(e.message().contains(message) && e.message().contains(QStringLiteral("не отправлены")), qPrintable(e.message()));
        QVERIFY2(!fake.received().contains(SpyUser.toUtf8()), fake.received().toHex().constData());
        if (server.startsWith(u"switch"))
            QCOMPARE(fake.connections(), 2); // the greeting judged, then the session refused before its login
    }

    // The settings dialog shows a certificate it cannot verify with its fingerprint; confirmed,
    // the fingerprint is kept and the connection opens; declined, nothing is kept.
    void theDialogAsksToTrustACertificate_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("confirmed") << true;
        QTest::newRow("declined") << false;
    }
    void theDialogAsksToTrustACertificate()
    {
        QFETCH(bool, confirm);
        const TestServer s = TestServer::find();
        REQUIRE_TEST_SERVER(s);
        RecordingPlatform platform;
        ui::setPlatform(&platform);
        platform.messageAnswers = {confirm ? ui::Yes : ui::No};
        Connection c;
        c.setRequireTls(true);
        TSetupForm form;
        form.setConnection(&c);
        form.show();
        form.edHost->setText(s.server);
        form.edUser->setText(s.user);
        form.edPass->setText(s.password);
        form.cbDatabase->addItem(QStringLiteral("mysql"));
        form.cbDatabase->setCurrentIndex(0);
        QMetaObject::invokeMethod(form.cbDatabase, "activated", Q_ARG(int, 0));
        form.btnOk->click();
        ui::setPlatform(nullptr);
        QVERIFY(!platform.messages.isEmpty());
        QVERIFY2(platform.messages[0].text.contains(serverFingerprint()), qPrintable(platform.messages[0].text));
        QCOMPARE(platform.messages[0].caption, QStringLiteral("Сертификат сервера"));
        QCOMPARE(c.isOpen(), confirm);
        QCOMPARE(c.serverFingerprint(), confirm ? serverFingerprint() : QString());
        if (confirm)
            QCOMPARE(c.tlsState(), data::TlsState::Verified);
    }
};

QTEST_MAIN(ServerTlsTest)
#include "test_server_tls.moc"
