#pragma once

// The private MariaDB server that ctest starts for the test_server* programs, and a fresh
// database on it for each test.
#include "RequireServer.h"
#include "data/Connection.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QtTest>

struct TestServer {
    QString server, user, password;
    bool available = false;

    // The server whose folder the variable names (a second one runs without TLS).
    static TestServer find(const char *folderVariable = "LIBRARY_TEST_MARIADB_DIR")
    {
        TestServer s;
        const QString dir = qEnvironmentVariable(folderVariable);
        QFile port(dir + QStringLiteral("/port")), pass(dir + QStringLiteral("/password"));
        if (dir.isEmpty() || !port.open(QIODevice::ReadOnly) || !pass.open(QIODevice::ReadOnly))
            return s;
        s.server = QStringLiteral("127.0.0.1:") + QString::fromLatin1(port.readAll().trimmed());
        s.user = QStringLiteral("root");
        s.password = QString::fromLatin1(pass.readAll().trimmed());
        s.available = true;
        return s;
    }

    // Points a connection at the server, without a database.
    void configure(data::Connection &c, const QString &database = {}) const
    {
        c.setProviderName(QStringLiteral("MySQL"));
        c.setServerName(server);
        c.setUserName(user);
        c.setPassword(password);
        c.setDatabase(database);
        c.options() = {QStringLiteral("SQLite.BusyTimeout=1500"), QStringLiteral("SQLite.ReadUncommitted=True")};
    }
};

#define REQUIRE_TEST_SERVER(s) REQUIRE_SERVER((s).available, "LIBRARY_TEST_MARIADB_DIR")

// A fresh database on the test server with an open connection to it, dropped at the end; the
// counterpart of TempDb. The script is in SQLite's words and is put into the server's.
struct ServerDb {
    TestServer server = TestServer::find();
    QString name;
    data::Connection conn;

    explicit ServerDb(const QString &script = {})
    {
        static int count = 0;
        name = QStringLiteral("lib_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++count);
        if (!server.available)
            return;
        server.configure(conn);
        conn.open();
        conn.runStatement(QStringLiteral("DROP DATABASE IF EXISTS %1; CREATE DATABASE %1 CHARACTER SET utf8mb4 "
                                         "COLLATE utf8mb4_nopad_bin")
                              .arg(name));
        conn.close();
        conn.setDatabase(name);
        conn.open();
        conn.runStatement(QStringLiteral("CREATE FUNCTION my_lower(s LONGTEXT CHARSET utf8mb4) RETURNS LONGTEXT "
                                         "CHARSET utf8mb4 DETERMINISTIC NO SQL RETURN IFNULL(LOWER(s), '')"));
        if (!script.isEmpty())
            conn.runStatement(serverDialect(script));
    }
    ~ServerDb()
    {
        if (!server.available)
            return;
        try {
            conn.runStatement(QStringLiteral("DROP DATABASE IF EXISTS ") + name);
        } catch (const std::exception &) {
        }
    }

    // A second computer on the same catalogue.
    std::unique_ptr<data::Connection> other() const
    {
        auto c = std::make_unique<data::Connection>();
        server.configure(*c, name);
        c->open();
        return c;
    }

    static QString serverDialect(QString script)
    {
        script.replace(QStringLiteral("INTEGER PRIMARY KEY"), QStringLiteral("BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY"));
        script.replace(QStringLiteral(" REAL"), QStringLiteral(" DOUBLE"));
        script.replace(QStringLiteral(" TEXT PRIMARY KEY"), QStringLiteral(" VARCHAR(64) PRIMARY KEY"));
        return script;
    }
};
