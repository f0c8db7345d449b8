// The connection to the catalogue server is encrypted whenever the server offers it; the settings
// can make encryption, and a server certificate signed by a named authority, a condition.
#include "TestServer.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"

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
        if (opens)
            QVERIFY(!sessionCipher(c).isEmpty());
    }
};

QTEST_GUILESS_MAIN(ServerTlsTest)
#include "test_server_tls.moc"
