// What the librarian reads when the engine refuses: a Russian explanation of the common causes put
// before the engine's own text, which stays for whoever helps her.
#include "ErrorBox.h"
#include "TempDb.h"

#include <QFile>
#include <QtTest>

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

// Raises the engine's error of the named kind on a real catalogue file.
data::DataError provoke(const QString &cause, TempDb &db)
{
    if (cause == u"busy") {
        data::Connection other;
        other.setDatabase(db.path());
        other.options() = {QStringLiteral("SQLite.BusyTimeout=10")};
        other.open();
        db.conn.runStatement(QStringLiteral("BEGIN IMMEDIATE"));
        const data::DataError e = caught([&] { other.runStatement(QStringLiteral("INSERT INTO t VALUES (2)")); });
        db.conn.runStatement(QStringLiteral("ROLLBACK"));
        return e;
    }
    if (cause == u"read-only") {
        db.conn.runStatement(QStringLiteral("PRAGMA query_only = 1"));
        return caught([&] { db.conn.runStatement(QStringLiteral("INSERT INTO t VALUES (2)")); });
    }
    if (cause == u"full") {
        db.conn.runStatement(QStringLiteral("PRAGMA max_page_count = 3"));
        return caught([&] { db.conn.runStatement(QStringLiteral("INSERT INTO t VALUES (zeroblob(100000))")); });
    }
    if (cause == u"not a catalogue") {
        const QString path = db.dir.filePath(QStringLiteral("letter.sdb"));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(4096, 'x'));
        f.close();
        data::Connection c;
        c.setDatabase(path);
        return caught([&] {
            c.open();
            c.tableNames();
        });
    }
    if (cause == u"duplicate")
        return caught([&] { db.conn.runStatement(QStringLiteral("INSERT INTO t VALUES (1)")); });
    return caught([&] { db.conn.runStatement(QStringLiteral("SELEKT 1")); });
}

} // namespace

class ErrorTextsTest : public QObject {
    Q_OBJECT
private slots:
    void explanationBeforeTheEnginesText_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("explanation");
        QTest::newRow("locked by another program") << "busy" << "Каталог занят: его сейчас изменяет другая программа";
        QTest::newRow("read-only") << "read-only" << "Файл каталога или его папка доступны только для чтения";
        QTest::newRow("disk full") << "full" << "На диске не осталось места";
        QTest::newRow("not a catalogue") << "not a catalogue" << "Файл не является каталогом программы или повреждён.";
        QTest::newRow("a value that must be unique") << "duplicate" << "Такое значение в каталоге уже есть";
        QTest::newRow("anything else") << "syntax" << "";
    }
    void explanationBeforeTheEnginesText()
    {
        QFETCH(QString, cause);
        QFETCH(QString, explanation);
        TempDb db(QStringLiteral("CREATE TABLE t (x PRIMARY KEY); INSERT INTO t VALUES (1);"));
        const data::DataError e = provoke(cause, db);
        QVERIFY2(e.sqliteCode() != 0, qPrintable(e.message()));
        const QString shown = ui::explainedErrorText(e);
        if (explanation.isEmpty())
            QCOMPARE(shown, e.message());
        else
            QVERIFY2(shown.startsWith(explanation) && shown.endsWith(QStringLiteral("\n\n") + e.message()), qPrintable(shown));
    }
};

QTEST_GUILESS_MAIN(ErrorTextsTest)
#include "test_errortexts.moc"
