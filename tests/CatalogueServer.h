#pragma once

// The private Zebra server ctest starts for the test_catalogue* programs, records loaded into it
// by the tests, and stand-ins for catalogues that refuse, keep silent or answer nonsense.
#include "Catalogues.h"
#include "MarcCodec.h"
#include "MarcMapping.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

// Two catalogues: databases named "printed…" are on the one that keeps an ISBN as printed and
// reads terms in code page 1251, the others on the one that indexes digits and reads UTF-8.
struct CatalogueServer {
    int port = 0, printedPort = 0;
    QString dir = qEnvironmentVariable("LIBRARY_TEST_ZEBRA_DIR");

    CatalogueServer()
    {
        QFile f(dir + QStringLiteral("/port")), printed(dir + QStringLiteral("/port-printed"));
        if (!dir.isEmpty() && f.open(QIODevice::ReadOnly))
            port = f.readAll().trimmed().toInt();
        if (!dir.isEmpty() && printed.open(QIODevice::ReadOnly))
            printedPort = printed.readAll().trimmed().toInt();
    }
    bool available() const { return port > 0; }

    marc::CatalogueConfig catalogue(marc::Protocol protocol, const QString &database, marc::Format format = marc::Format::Marc21,
                                    marc::Charset charset = marc::Charset::Auto) const
    {
        const QString scheme = protocol == marc::Protocol::Sru ? QStringLiteral("sru:http://127.0.0.1:%1/%2")
                                                                : QStringLiteral("z3950:127.0.0.1:%1/%2");
        const int at = database.startsWith(QLatin1String("printed")) ? printedPort : port;
        return *marc::parseCatalogue(QStringLiteral("Тестовый %1").arg(database), scheme.arg(at).arg(database) + u'|' +
                                                                                  marc::formatName(format) + u'|' +
                                                                                  marc::charsetName(charset));
    }

    // Adds records (ISO 2709 bytes, in UTF-8 or else code page 1251) to a database of the server.
    bool load(const QString &database, const QByteArray &records, bool cp1251 = false) const
    {
        QTemporaryDir tmp;
        const QString file = tmp.filePath(cp1251 ? QStringLiteral("load.rus") : QStringLiteral("load.mrc"));
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(records);
        f.close();
        QProcess p;
        p.start(QStringLiteral("bash"), {QStringLiteral(LIBRARY_SOURCE_DIR "/scripts/test-zebra"), QStringLiteral("load"), dir, database, file});
        return p.waitForFinished(60000) && p.exitCode() == 0;
    }
};

#define REQUIRE_CATALOGUE_SERVER(s)                                                              \
    do {                                                                                         \
        if (!(s).available()) {                                                                  \
            if (qEnvironmentVariableIsSet("CI"))                                                 \
                QFAIL("LIBRARY_TEST_ZEBRA_DIR names no running catalogue server");               \
            QSKIP("no catalogue server (ctest starts one)");                                     \
        }                                                                                        \
    } while (0)

// A catalogue that takes the connection and then says nothing, or answers every request with
// the given bytes and closes.
class FakeCatalogue : public QTcpServer {
public:
    explicit FakeCatalogue(QByteArray answer = {}) : answer_(std::move(answer))
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection()) {
                if (answer_.isEmpty())
                    continue; // kept open and silent
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    if (!s->readAll().contains("\r\n\r\n"))
                        return;
                    s->write(answer_);
                    s->disconnectFromHost();
                });
            }
        });
    }
    marc::CatalogueConfig catalogue(marc::Protocol protocol) const
    {
        marc::CatalogueConfig c;
        c.name = QStringLiteral("Поддельный");
        c.protocol = protocol;
        c.host = QStringLiteral("127.0.0.1");
        c.port = serverPort();
        c.database = QStringLiteral("db");
        return c;
    }

private:
    QByteArray answer_;
};

// A port on loopback that nothing listens on.
inline int closedPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    const int port = s.serverPort();
    s.close();
    return port;
}
