#pragma once

// The private MariaDB server that ctest starts for the test_server* programs, and a fresh
// database on it for each test.
#include "Connection.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QtTest>

struct TestServer {
    QString server, user, password;
    bool available = false;

    static TestServer find()
    {
        TestServer s;
        const QString dir = qEnvironmentVariable("LIBRARY_TEST_MARIADB_DIR");
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
    void configure(store::Connection &c, const QString &database = {}) const
    {
        c.setProviderName(QStringLiteral("MySQL"));
        c.setServerName(server);
        c.setUserName(user);
        c.setPassword(password);
        c.setDatabase(database);
        c.options() = {QStringLiteral("SQLite.BusyTimeout=1500"), QStringLiteral("SQLite.ReadUncommitted=True")};
    }
};

// Skips a test when no server was started for it, except in CI, where that is a failure.
#define REQUIRE_TEST_SERVER(s)                                                                   \
    do {                                                                                         \
        if (!(s).available) {                                                                    \
            if (qEnvironmentVariableIsSet("CI"))                                                 \
                QFAIL("LIBRARY_TEST_MARIADB_DIR names no running test server");                  \
            QSKIP("no test server (ctest starts one)");                                          \
        }                                                                                        \
    } while (0)
