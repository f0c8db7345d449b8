#pragma once

// library-opac started on a free loopback port over a catalogue a test fills, and its pages
// fetched over HTTP as a browser would: on the catalogue file, or (LIBRARY_TEST_ON_SERVER) on a
// fresh database of the test MariaDB server.
#include "SchemaCreation.h"
#include "TempDb.h"
#include "TestServer.h"
#include "data/script/ScriptDump.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

struct OpacPage {
    int status = 0;
    QString html;
    QByteArray body;
    QMap<QByteArray, QByteArray> headers;  // by lower-case name
};

// What `tidy -e` finds wrong with a page; empty when nothing.
inline QString tidyErrors(const QString &html)
{
    QProcess tidy;
    tidy.start(QStringLiteral("tidy"), {QStringLiteral("-e"), QStringLiteral("-q"), QStringLiteral("-utf8")});
    if (!tidy.waitForStarted())
        return QStringLiteral("tidy does not start");
    tidy.write(html.toUtf8());
    tidy.closeWriteChannel();
    if (!tidy.waitForFinished(30000))
        return QStringLiteral("tidy does not finish");
    const QString said = QString::fromUtf8(tidy.readAllStandardError());
    return tidy.exitCode() < 2 && !said.contains(QStringLiteral("Error:")) ? QString() : said;
}

class OpacServer {
public:
    TempDb db;  // on the server the folder of the settings alone
#ifdef LIBRARY_TEST_ON_SERVER
    ServerDb serverDb;
#endif

    // The catalogue's connection, to fill it before start().
    data::Connection &catalogue()
    {
#ifdef LIBRARY_TEST_ON_SERVER
        return serverDb.conn;
#else
        return db.conn;
#endif
    }
    QString folder() const { return db.dir.path(); }
    QString iniPath() const { return db.dir.filePath(QStringLiteral("library.ini")); }
    int port() const { return port_; }
    QString url(const QString &pathAndQuery) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(pathAndQuery); }

    // The empty catalogue with its tables.
    bool makeCatalogue()
    {
#ifdef LIBRARY_TEST_ON_SERVER
        data::ScriptDump(&serverDb.conn).RunScriptFile(QStringLiteral(LIBRARY_SOURCE_DIR "/resources/install_db.sql"));
        return true;
#else
        return store::ensureCatalogueSchema(db.conn);
#endif
    }

    // Writes library.ini with `opacLines` in [Opac] besides the port, starts the server and waits
    // until it listens.
    bool start(const QString &opacLines, const QString &otherSections = {})
    {
        port_ = freePort();
        QByteArray settings;
#ifdef LIBRARY_TEST_ON_SERVER
        const TestServer &s = serverDb.server;
        settings += ("[MySQL]\r\nConnect=1\r\nhostname=" + s.server + "\r\nusername=" + s.user + "\r\npassword=" + s.password +
                     "\r\ndatabase=" + serverDb.name + "\r\n")
                        .toUtf8();
#endif
        settings += QStringLiteral("[Opac]\r\nListen=127.0.0.1\r\nPort=%1\r\n%2\r\n%3").arg(port_).arg(opacLines, otherSections).toUtf8();
        QFile file(iniPath());
        if (!file.open(QIODevice::WriteOnly) || file.write(settings) != settings.size())
            return false;
        file.close();
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.setStandardOutputFile(db.dir.filePath(QStringLiteral("server.log")));
        process_.start(QStringLiteral(LIBRARY_BINARY_DIR "/library-opac"), {iniPath()});
        if (!process_.waitForStarted())
            return false;
        for (int i = 0; i < 100 && process_.state() == QProcess::Running; ++i) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(port_));
            if (socket.waitForConnected(100))
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    // Stops it as systemd does; true when it ended cleanly.
    bool stop()
    {
        process_.terminate();
        return process_.waitForFinished(5000) && process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    }

    // A request as bytes from a loopback address of our choice; the whole reply.
    QByteArray raw(const QString &from, const QByteArray &request)
    {
        QTcpSocket socket;
        if (!socket.bind(QHostAddress(from)))
            return {};
        socket.connectToHost(QHostAddress::LocalHost, quint16(port_));
        if (!socket.waitForConnected(3000))
            return {};
        socket.write(request);
        QByteArray reply;
        while (socket.waitForReadyRead(5000) || socket.bytesAvailable())
            reply += socket.readAll();
        return reply;
    }

    // A request with the cookie set by hand: nothing is kept between requests, no redirect followed.
    OpacPage fetch(const QString &pathAndQuery, const QByteArray &form = {}, const QByteArray &cookie = {},
                   const QByteArray &method = {}, const QList<std::pair<QByteArray, QByteArray>> &headers = {})
    {
        QNetworkRequest request{QUrl(url(pathAndQuery))};
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        if (!cookie.isEmpty())
            request.setRawHeader("Cookie", cookie);
        for (const auto &[name, value] : headers)
            request.setRawHeader(name, value);
        QNetworkReply *reply = nullptr;
        if (!method.isEmpty()) {
            reply = network_.sendCustomRequest(request, method, form);
        } else if (!form.isNull()) {
            request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
            reply = network_.post(request, form);
        } else {
            reply = network_.get(request);
        }
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        OpacPage page;
        page.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        page.body = reply->readAll();
        page.html = QString::fromUtf8(page.body);
        for (const auto &[name, value] : reply->rawHeaderPairs())
            page.headers.insert(name.toLower(), value);
        reply->deleteLater();
        return page;
    }

private:
    // A port nobody listens on at this moment.
    static int freePort()
    {
        QTcpServer s;
        s.listen(QHostAddress::LocalHost);
        return s.serverPort();
    }

    QProcess process_;
    int port_ = 0;
    QNetworkAccessManager network_;
};
