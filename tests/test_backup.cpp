// The backup script as a file (header, tables, every kind of value), its restore putting back
// every value, a restore that fails or is refused changing nothing, and the two menu items.
#include "WindowFixture.h"

#include "CatalogueRestore.h"
#include "DatabaseCopy.h"
#include "SchemaCreation.h"
#include "TempDb.h"
#include "data/dataset/Dataset.h"
#include "data/script/ScriptDump.h"
#include "data/text/TextCodec.h"

#include <QAction>
#include <QProcess>
#include <clocale>
#include <limits>
#include <QDir>
#include <QLabel>
#include <QtTest>
#include <sqlite3.h>

namespace {

QByteArray cp1251(const QByteArray &utf8) { return data::encodeCp1251(QString::fromUtf8(utf8)); }

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Every table's rows as the engine holds them: storage class and value of each cell.
QStringList contents(data::Connection &conn)
{
    QStringList out;
    for (const QString &table : conn.tableNames()) {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(conn.handle(), ("SELECT * FROM " + table + " ORDER BY 1").toUtf8().constData(), -1, &stmt,
                           nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList cells{table};
            for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                cells << QString::number(sqlite3_column_type(stmt, c)) + u':' +
                             QString::fromUtf8(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, c)),
                                                          sqlite3_column_bytes(stmt, c)).toHex());
            out << cells.join(u'|');
        }
        sqlite3_finalize(stmt);
    }
    return out;
}

const char *const SmallDatabase = R"(
CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT, price REAL, date_out DATE, cover BLOB);
CREATE TABLE shelf (x TEXT);
CREATE TABLE "my table" (id INTEGER PRIMARY KEY AUTOINCREMENT, n INTEGER);
INSERT INTO books VALUES (1, 'l''Europe', 12.5, NULL, X'00FF10');
INSERT INTO books VALUES (2, 'две' || char(13, 10) || 'строки', 1e20, '2014-10-17', NULL);
INSERT INTO books VALUES (3, 'café € 中', -0.25, 1e-7, NULL);
INSERT INTO "my table" (n) VALUES (-5);
)";

} // namespace

class BackupTest : public QObject {
    Q_OBJECT
private slots:
    void backupFileOfASmallDatabase()
    {
        TempDb db(QString::fromUtf8(SmallDatabase));
        data::ScriptDump dump(&db.conn);
        const QString file = db.dir.filePath(QStringLiteral("copy.sql"));
        dump.BackupToScript(file);
        const QByteArray bytes = readFile(file);

        const QByteArrayList lines = bytes.split('\n');
        const QByteArray version = sqlite3_libversion();
        QCOMPARE(lines[0], "-- LibraryStore version: 1.0\r");
        QCOMPARE(lines[1], "-- SQLite server version: " + version + "\r");
        QCOMPARE(lines[2], "-- SQLite client version: " + version + "\r");
        QVERIFY(lines[3].startsWith("-- Script date ") && lines[3].endsWith('\r'));
        QCOMPARE(lines[4], "-- " + QByteArray(70, '-') + " \r");
        QCOMPARE(lines[5], "-- Server: \r");
        QCOMPARE(lines[6], "-- Database: " + QFile::encodeName(db.path()) + "\r");
        QCOMPARE(lines[7], "\r");
        const QByteArray body = bytes.mid(lines.mid(0, 8).join('\n').size() + 1);
        QCOMPARE(body, cp1251("\r\nDELETE FROM books;\r\n"
                              "INSERT INTO books VALUES (1, 'l''Europe', 12.5, NULL, X'00FF10');\r\n"
                              "INSERT INTO books VALUES (2, 'две\r\nстроки', 1E20, '2014-10-17', NULL);\r\n"
                              "INSERT INTO books VALUES (3, ('caf'||char(233)||' € '||char(20013)), -0.25, 1E-7, NULL);\r\n"
                              "\r\nDELETE FROM \"my table\";\r\n"
                              "INSERT INTO \"my table\" VALUES (1, -5);\r\n"
                              "\r\nDELETE FROM shelf;\r\n"
                              "\r\nDELETE FROM sqlite_sequence;\r\n"
                              "INSERT INTO sqlite_sequence VALUES ('my table', 1);\r\n"));
    }

    void roundTripPutsBackEveryValue()
    {
        TempDb source;
        store::ensureCatalogueSchema(source.conn);
        source.conn.runStatement(
            QStringLiteral("INSERT INTO books (id, inv_num, title, notes, price, date_reg, annotation, file) VALUES "
                           "(1, 7, ?, ?, 0.1, '2024-01-31', ?, NULL), (2, -3, ?, '', 1e300, NULL, ?, '.pdf')"),
            {QStringLiteral("Итоги; -- не комментарий"), QStringLiteral("строка\r\nдругая;\r\n"),
             QStringLiteral("émigré € 中文 😀 l'Europe"), QStringLiteral("/* нет */ '';'") + QChar(0) + QStringLiteral("после нуля"),
             QByteArray("\x00\x01;", 3)});
        source.conn.runStatement(QStringLiteral("INSERT INTO orders (book_id, loaner, date_out) VALUES (1, 'Ан;на', "
                                                "'2024-02-01')"));
        const QString file = source.dir.filePath(QStringLiteral("copy.sql"));
        data::ScriptDump(&source.conn).BackupToScript(file);

        TempDb target;
        store::ensureCatalogueSchema(target.conn);
        target.conn.runStatement(QStringLiteral("INSERT INTO books (id, title) VALUES (99, 'лишняя')"));
        const data::TableRows rows = data::ScriptDump(&target.conn).RestoreFromScript(file);
        QCOMPARE(contents(target.conn), contents(source.conn));
        QCOMPARE(rows, (data::TableRows{{"books", 2}, {"categories", 0}, {"keywords", 0}, {"loan_terms", 0}, {"orders", 1},
                                         {"readers", 0}, {"settings", 1}, {"v_itemkind", 4}}));
    }

    // Every backup the program writes of a catalogue restores into that catalogue: with the
    // engine's sequence table, with a table of the library's own, and with a view, which is no
    // data: its statements are left out and the caller is told so.
    void everyBackupOfOursRestores_data()
    {
        QTest::addColumn<QString>("addition");
        QTest::addColumn<QStringList>("skipped");
        QTest::newRow("a table declared AUTOINCREMENT")
            << "CREATE TABLE journal (id INTEGER PRIMARY KEY AUTOINCREMENT, note TEXT); INSERT INTO journal (note) VALUES ('x');"
            << QStringList();
        QTest::newRow("a table of the library's own") << "CREATE TABLE shelves (name TEXT); INSERT INTO shelves VALUES ('A1');"
                                                      << QStringList();
        QTest::newRow("a view") << "CREATE VIEW lent AS SELECT id, title FROM books WHERE onloan = 1;" << QStringList{"lent"};
    }
    void everyBackupOfOursRestores()
    {
        QFETCH(QString, addition);
        QFETCH(QStringList, skipped);
        TempDb db;
        store::ensureCatalogueSchema(db.conn);
        db.conn.runStatement(addition);
        db.conn.runStatement(QStringLiteral("INSERT INTO books (id, title, onloan) VALUES (1, 'первая', 1)"));
        const QStringList before = contents(db.conn);
        const QString file = db.dir.filePath(QStringLiteral("copy.sql"));
        data::ScriptDump dump(&db.conn);
        dump.BackupToScript(file);
        db.conn.runStatement(QStringLiteral("UPDATE books SET title = 'изменена'"));
        const store::RestoredCatalogue restored = store::restoreCatalogue(dump, db.conn, file);
        QCOMPARE(contents(db.conn), before);
        QCOMPARE(restored.skipped, skipped);
    }

    // A refused file changes nothing at all: neither the copy taken before a restore is written
    // nor the table of due dates made in an older catalogue.
    void aRefusedFileChangesNothing()
    {
        TempDb db(QStringLiteral("CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT); CREATE TABLE categories (x);"
                                 "CREATE TABLE keywords (x); CREATE TABLE orders (x); CREATE TABLE settings (x);"
                                 "CREATE TABLE v_itemkind (x);"));
        const QString file = db.dir.filePath(QStringLiteral("copy.sql"));
        data::ScriptDump dump(&db.conn);
        dump.BackupToScript(file);
        writeFile(file, readFile(file) + "DROP TABLE books;\r\n");
        bool copied = false;
        QVERIFY(errorOf([&] { store::restoreCatalogue(dump, db.conn, file, {}, [&] { copied = true; }); })
                    .contains(QStringLiteral("такой команды в резервной копии каталога не бывает")));
        QVERIFY(!copied);
        QVERIFY(!db.conn.tableNames().contains(QStringLiteral("loan_terms")));
    }

    void restoreIsAllOrNothing_data()
    {
        QTest::addColumn<QByteArray>("edit"); // how the good script is spoiled
        QTest::addColumn<QString>("message");
        QTest::newRow("a failing statement") << QByteArray("INSERT INTO orders VALUES (1);\r\n")
                                             << QStringLiteral("table orders has 7 columns but 1 values were supplied");
        QTest::newRow("cut off in a statement") << QByteArray("INSERT INTO orders VALUES (5, 'обор")
                                                << QStringLiteral("Последняя команда в файле оборвана");
        QTest::newRow("not written by the program") << QByteArray("<header>")
                                                    << QStringLiteral("Это не резервная копия, записанная программой.");
        QTest::newRow("cut off before a table") << QByteArray("<cut>")
                                                << QStringLiteral("В файле нет таблицы v_itemkind: копия неполная.");
        // Statements no backup holds are refused by line before anything runs.
        const QString foreign = QStringLiteral("Строка <line>: «%1» — такой команды в резервной копии каталога не бывает.");
        QTest::newRow("a session setting") << QByteArray("SET sql_mode='';\r\n") << foreign.arg("SET sql_mode='';");
        QTest::newRow("a transaction of its own") << QByteArray("START TRANSACTION;\r\n") << foreign.arg("START TRANSACTION;");
        QTest::newRow("a table dropped") << QByteArray("DROP TABLE books;\r\n") << foreign.arg("DROP TABLE books;");
        QTest::newRow("an update") << QByteArray("UPDATE books SET title = 'x';\r\n") << foreign.arg("UPDATE books SET title = 'x';");
        QTest::newRow("a row computed") << QByteArray("INSERT INTO books SELECT * FROM books;\r\n")
                                        << foreign.arg("INSERT INTO books SELECT * FROM books;");
        QTest::newRow("a keyword for a table") << QByteArray("DELETE FROM table;\r\n") << foreign.arg("DELETE FROM table;");
        const char *runTogether = "INSERT INTO books VALUES (2, (CONVERT(char(1072USING utf32) USING utf8mb4)));";
        QTest::newRow("a code run into USING") << QByteArray(runTogether) + "\r\n" << foreign.arg(runTogether);
        QTest::newRow("another table set") << QByteArray("INSERT INTO visitors VALUES (1);\r\n")
                                           << QStringLiteral("Строка <line>: таблица «visitors» не из этого каталога.");
    }
    void restoreIsAllOrNothing()
    {
        QFETCH(QByteArray, edit);
        QFETCH(QString, message);
        TempDb db;
        store::ensureCatalogueSchema(db.conn);
        db.conn.runStatement(QStringLiteral("INSERT INTO books (id, title) VALUES (1, 'первая')"));
        const QString file = db.dir.filePath(QStringLiteral("copy.sql"));
        data::ScriptDump dump(&db.conn);
        dump.BackupToScript(file);
        QByteArray script = readFile(file);
        if (edit == "<header>")
            script.replace(0, 15, "-- Other tool ");
        else if (edit == "<cut>")
            script.truncate(script.indexOf("\r\nDELETE FROM v_itemkind"));
        else
            script += edit;
        message.replace(QStringLiteral("<line>"), QString::number(script.count('\n')));
        writeFile(file, script);
        db.conn.runStatement(QStringLiteral("UPDATE books SET title = 'изменена'"));
        const QStringList before = contents(db.conn);

        QVERIFY2(errorOf([&] { dump.RestoreFromScript(file); }).contains(message),
                 qPrintable(errorOf([&] { dump.RestoreFromScript(file); })));
        QCOMPARE(contents(db.conn), before);
    }

    // On a Russian desktop (decimal comma) the backup still writes reals that read back exactly, in
    // the program and in the sqlite3 tool; an infinite real comes back infinite, a NaN stays NULL.
    void realsSurviveTheRussianLocale()
    {
        const QByteArray was = setlocale(LC_ALL, nullptr);
        if (!setlocale(LC_ALL, "ru_RU.UTF-8")) {
            if (qEnvironmentVariableIsSet("CI"))
                QFAIL("the ru_RU.UTF-8 locale is missing: scripts/setup generates it");
            QSKIP("no ru_RU.UTF-8 locale");
        }
        QCOMPARE(QByteArray(localeconv()->decimal_point), QByteArray(","));
        TempDb source;
        store::ensureCatalogueSchema(source.conn);
        const QList<double> prices = {0.1, 1267.37, -2.5, 1.0 / 3, 1e300, 5e-324, std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(), std::numeric_limits<double>::quiet_NaN()};
        for (int i = 0; i < prices.size(); ++i)
            source.conn.runStatement(QStringLiteral("INSERT INTO books (id, inv_num, price) VALUES (?, 654, ?)"),
                                     {i + 1, prices[i]});
        const QString file = source.dir.filePath(QStringLiteral("copy.sql"));
        data::ScriptDump(&source.conn).BackupToScript(file);
        const QByteArray script = readFile(file);
        setlocale(LC_ALL, was.constData());
        QVERIFY(script.contains("NULL, 1267.37, NULL") && script.contains("NULL, 0.3333333333333333, NULL"));
        QVERIFY(script.contains(", 9e999, ") && script.contains(", -9e999, "));

        TempDb restored;
        store::ensureCatalogueSchema(restored.conn);
        data::ScriptDump(&restored.conn).RestoreFromScript(file);
        TempDb byTheTool;
        store::ensureCatalogueSchema(byTheTool.conn);
        QProcess tool;
        tool.setStandardInputFile(file);
        tool.start(QStringLiteral("sqlite3"), {QStringLiteral("-bail"), byTheTool.path()});
        QVERIFY2(tool.waitForFinished(30000) && tool.exitCode() == 0, tool.readAllStandardError().constData());
        const QString exact = QStringLiteral("SELECT group_concat(CASE WHEN price IS NULL THEN 'NULL' ELSE "
                                             "printf('%!.17g', price) END, ' ') FROM (SELECT price FROM books ORDER BY id)");
        const QString expected = QStringLiteral("0.10000000000000001 1267.3699999999999 -2.5 0.33333333333333331 "
                                                "1.0e+300 4.9406564584124654e-324 Inf -Inf NULL");
        for (data::Connection *c : {&source.conn, &restored.conn, &byTheTool.conn}) {
            data::Dataset d(c);
            d.setSql(exact);
            d.open();
            QCOMPARE(d.field(0).asString(), expected);
        }
    }

    // The copy at the end of the run that cannot be written is told, not passed over.
    void exitCopyThatCannotBeWrittenIsReported()
    {
        WindowFixture f;
        const QString folder = f.path(QStringLiteral("missing/Backup"));
        f.writeSettings("[General]\r\nAutoAdminLogon=1\r\nBackupPath=" + QFile::encodeName(folder) + "\r\n");
        f.start().close();
        f.program.finish();
        QCOMPARE(f.platform.messageTexts(),
                 QStringList{"Копия каталога в папку «" + folder + "» не записана: на диске нет места или папка недоступна "
                             "для записи. Каталог и прежние копии не изменены."});
    }

    void failedBackupKeepsTheEarlierFile()
    {
        TempDb db(QStringLiteral("CREATE TABLE a (x); INSERT INTO a VALUES (1);"));
        const QString file = db.dir.filePath(QStringLiteral("copy.sql"));
        writeFile(file, "earlier backup");
        // A view whose rows cannot be read makes the backup fail after the table before it.
        db.conn.runStatement(QStringLiteral("CREATE VIEW b AS SELECT abs(-9223372036854775807 - 1) AS v"));
        QVERIFY(errorOf([&] { data::ScriptDump(&db.conn).BackupToScript(file); }).contains(QStringLiteral("overflow")));
        QCOMPARE(readFile(file), QByteArray("earlier backup"));
        QCOMPARE(QDir(db.dir.path()).entryList(QDir::Files),
                 (QStringList{QStringLiteral("copy.sql"), QStringLiteral("library.sdb")}));
    }

    void backupAndRestoreFromTheMenu()
    {
        WindowFixture f;
        f.writeSettings("[General]\r\nAutoAdminLogon=1\r\nBackupPath=" + QFile::encodeName(f.path("saved")) + "\r\n");
        TMainForm &w = f.start();
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO books (id, inv_num, title) VALUES (1, 1, 'Одна')"));
        const QString file = f.path(QStringLiteral("copy.sql"));
        f.platform.fileAnswer = file;
        w.miBackup->trigger();
        QCOMPARE(f.platform.messageTexts(), QStringList{"Резервная копия успешно сохранена в файл " + file});
        QCOMPARE(f.platform.messages.first().caption, QStringLiteral("Резервное копирование"));
        QCOMPARE(f.platform.messages.first().icon, ui::MsgIcon::Information);
        QCOMPARE(f.db().dlgSave.fileName, file);

        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO books (id, inv_num, title) VALUES (2, 2, 'Вторая')"));
        f.db().MyBooks.refresh();
        f.platform.messages.clear();
        f.platform.messageAnswers = {ui::No};
        w.miRestore->trigger(); // answered No: nothing happens
        QCOMPARE(f.platform.messages.size(), 1);
        QCOMPARE(f.platform.messages.first().icon, ui::MsgIcon::Warning);
        QCOMPARE(f.db().MyBooks.recordCount(), 2);

        f.platform.messages.clear();
        w.miRestore->trigger();
        QCOMPARE(f.db().MyBooks.recordCount(), 1);
        QVERIFY(w.sbStatusCount->text().endsWith(u'1'));
        // The database before the restore, in a file of its own that the message names.
        const QStringList kept = QDir(f.path(QStringLiteral("saved"))).entryList({"library-before-restore-*.sdb"});
        QCOMPARE(kept.size(), 1);
        QVERIFY(f.platform.messages.last().text.contains(kept.first()));
        QCOMPARE(f.platform.messages.size(), 2);
        QVERIFY2(f.platform.messages.last().text.endsWith(
                     QStringLiteral("Получено строк:\nbooks: 1\ncategories: 0\nkeywords: 0\nloan_terms: 0\norders: 0\nreaders: 0\nsettings: 1\n"
                                    "v_itemkind: 4")),
                 qPrintable(f.platform.messages.last().text));
    }
};

QTEST_MAIN(BackupTest)
#include "test_backup.moc"
