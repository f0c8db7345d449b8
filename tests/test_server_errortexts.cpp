// What the librarian reads when the catalogue server refuses: a Russian explanation before the
// server's own text, for the refusals a library meets.
#include "ErrorBox.h"
#include "TestServer.h"
#include "data/DataError.h"

#include <thread>

namespace {

data::DataError caught(const std::function<void()> &action)
{
    try {
        action();
    } catch (const data::DataError &e) {
        return e;
    }
    return data::DataError(QStringLiteral("<no error>"));
}

// Two sessions each hold a row the other then asks for: the server gives up on one of them.
data::DataError deadlock(ServerDb &db)
{
    data::Connection other;
    db.server.configure(other, db.name);
    other.open();
    db.conn.runStatement(QStringLiteral("START TRANSACTION; UPDATE t SET x = x WHERE x = 1"));
    other.runStatement(QStringLiteral("START TRANSACTION; UPDATE t SET x = x WHERE x = 2"));
    data::DataError theirs(QStringLiteral("<no error>"));
    std::thread waiting([&] { theirs = caught([&] { other.runStatement(QStringLiteral("UPDATE t SET x = x WHERE x = 1")); }); });
    QThread::msleep(300);
    data::DataError ours = caught([&] { db.conn.runStatement(QStringLiteral("UPDATE t SET x = x WHERE x = 2")); });
    waiting.join();
    for (data::Connection *c : {&db.conn, &other})
        caught([c] { c->runStatement(QStringLiteral("ROLLBACK")); });
    return ours.kind() == data::ErrorKind::Deadlock ? ours : theirs;
}

data::DataError provoke(const QString &cause, ServerDb &db)
{
    data::Connection c;
    if (cause == u"duplicate")
        return caught([&] { db.conn.runStatement(QStringLiteral("INSERT INTO t VALUES (1)")); });
    if (cause == u"bad text") // four bytes into a column of three-byte UTF-8
        return caught([&] { db.conn.runStatement(QStringLiteral("INSERT INTO narrow VALUES (?)"), {QStringLiteral("😀")}); });
    if (cause == u"deadlock")
        return deadlock(db);
    if (cause == u"wrong password") {
        db.server.configure(c, db.name);
        c.setPassword(QStringLiteral("wrong"));
    } else if (cause == u"no database") {
        db.server.configure(c, db.name + QStringLiteral("_missing"));
    } else if (cause == u"too many connections") {
        db.conn.runStatement(QStringLiteral("CREATE OR REPLACE USER %1@'127.0.0.1' IDENTIFIED BY 'x' WITH MAX_USER_CONNECTIONS 1; "
                                            "GRANT SELECT ON %1.* TO %1@'127.0.0.1'").arg(db.name));
        db.server.configure(c, db.name);
        c.setUserName(db.name);
        c.setPassword(QStringLiteral("x"));
        data::Connection first;
        db.server.configure(first, db.name);
        first.setUserName(db.name);
        first.setPassword(QStringLiteral("x"));
        first.open();
        const data::DataError e = caught([&] { c.open(); });
        first.close();
        db.conn.runStatement(QStringLiteral("DROP USER %1@'127.0.0.1'").arg(db.name));
        return e;
    }
    return caught([&] { c.open(); });
}

} // namespace

class ServerErrorTextsTest : public QObject {
    Q_OBJECT
private slots:
    void explanationBeforeTheServersText_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("explanation");
        QTest::newRow("duplicate key") << "duplicate" << "Такое значение в каталоге уже есть";
        QTest::newRow("a character the column cannot hold") << "bad text" << "В тексте есть знаки, которые поле каталога";
        QTest::newRow("deadlock") << "deadlock" << "Другой компьютер в тот же миг изменял те же записи";
        QTest::newRow("access denied") << "wrong password" << "Сервер базы данных не разрешает этого";
        QTest::newRow("unknown database") << "no database" << "На сервере нет базы данных каталога";
        QTest::newRow("too many connections") << "too many connections" << "К серверу базы данных подключено слишком много";
    }
    void explanationBeforeTheServersText()
    {
        QFETCH(QString, cause);
        QFETCH(QString, explanation);
        ServerDb db(QStringLiteral("CREATE TABLE t (x INTEGER PRIMARY KEY); INSERT INTO t VALUES (1); INSERT INTO t VALUES (2);"));
        REQUIRE_TEST_SERVER(db.server);
        db.conn.runStatement(QStringLiteral("CREATE TABLE narrow (s TEXT CHARACTER SET utf8mb3)"));
        const data::DataError e = provoke(cause, db);
        const QString shown = ui::explainedErrorText(e);
        QVERIFY2(shown.startsWith(explanation) && shown.endsWith(QStringLiteral("\n\n") + e.message()), qPrintable(shown));
    }
};

QTEST_GUILESS_MAIN(ServerErrorTextsTest)
#include "test_server_errortexts.moc"
