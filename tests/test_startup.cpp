// The data module at start-up: opening or creating the database, what happens when it cannot be
// opened, the program's folders and the settings file.
#include "DataModuleFixture.h"
#include "IniFile.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <unistd.h>

using namespace data;
using namespace store;
using namespace datamodule_tests;

class TestStartup : public QObject {
    Q_OBJECT

    QByteArray savedTemp_;
    bool hadTemp_ = false;

private slots:
    void initTestCase()
    {
        hadTemp_ = qEnvironmentVariableIsSet("TEMP");
        savedTemp_ = qgetenv("TEMP");
    }

    void init() { resetProcess(); }

    void cleanup()
    {
        if (hadTemp_)
            qputenv("TEMP", savedTemp_);
        else
            qunsetenv("TEMP");
    }

    // ---- start-up -------------------------------------------------------------------------

    void startWithoutCatalogueCreatesIt_data()
    {
        QTest::addColumn<QByteArray>("existingFile"); // "-" for none
        QTest::addColumn<QString>("existingSql");
        QTest::addColumn<QStringList>("extraTables");

        QTest::newRow("no database file") << QByteArray("-") << QString() << QStringList();
        QTest::newRow("empty file") << QByteArray() << QString() << QStringList();
        QTest::newRow("database with an unrelated table")
            << QByteArray() << QStringLiteral("CREATE TABLE notes (t TEXT); INSERT INTO notes VALUES ('оставить');")
            << QStringList{QStringLiteral("notes")};
    }

    void startWithoutCatalogueCreatesIt()
    {
        QFETCH(QByteArray, existingFile);
        QFETCH(QString, existingSql);
        QFETCH(QStringList, extraTables);
        Program p;
        if (existingFile != "-")
            QVERIFY(writeBytes(p.dbFile(), existingFile));
        if (!existingSql.isEmpty()) {
            RawDb other(p.dbFile());
            QCOMPARE(other.exec(existingSql), QString());
        }

        TDBMod &mod = p.start();

        QCOMPARE(p.setupCalls, 0);
        QVERIFY(!process().ConnectFailed);
        QVERIFY(mod.storeOpened());
        RawDb check(p.dbFile());
        QStringList tables = catalogueTables + extraTables;
        tables.sort();
        QCOMPARE(check.rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name")), tables);
        if (!extraTables.isEmpty())
            QCOMPARE(check.rows(QStringLiteral("SELECT t FROM notes")), QStringList{QStringLiteral("оставить")});

        // Item kinds for the tabs, numbered from 1, and the edit-mode password row, empty.
        const QStringList kinds = check.rows(QStringLiteral("SELECT id, itemkind_name FROM v_itemkind ORDER BY id"));
        QVERIFY(kinds.size() >= 2);
        QCOMPARE(kinds[0], QStringLiteral("1, Книги"));
        QCOMPARE(kinds[1], QStringLiteral("2, Журналы"));
        for (int i = 0; i < kinds.size(); ++i)
            QVERIFY2(kinds[i].startsWith(QString::number(i + 1) + u','), qPrintable(kinds[i]));
        QCOMPARE(check.rows(QStringLiteral("SELECT name, value FROM settings")), QStringList{QStringLiteral("password, ")});
        for (const char *table : {"books", "orders", "categories", "keywords"})
            QCOMPARE(check.rows(QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1StringView(table)),
                     QStringList{QStringLiteral("0")});

        // The columns other windows address by position.
        QStringList books = check.rows(QStringLiteral("SELECT name FROM pragma_table_info('books') ORDER BY cid"));
        QCOMPARE(books.size(), 22);
        const QStringList fixed = {QStringLiteral("id"),       QStringLiteral("inv_num"),  QStringLiteral("author"),
                                   QStringLiteral("title"),    QStringLiteral("date_reg"), QStringLiteral("source"),
                                   QStringLiteral("location")};
        QCOMPARE(books.mid(0, 7), fixed);
        QCOMPARE(books.mid(8, 4), (QStringList{QStringLiteral("year_p"), QStringLiteral("page_count"),
                                               QStringLiteral("price"), QStringLiteral("add_num")}));
        QCOMPARE(books[13], QStringLiteral("notes"));
        QCOMPARE(books[15], QStringLiteral("onloan"));
        QCOMPARE(check.rows(QStringLiteral("SELECT name FROM pragma_table_info('categories') ORDER BY cid")).mid(0, 3),
                 (QStringList{QStringLiteral("id"), QStringLiteral("title"), QStringLiteral("parent")}));
        QCOMPARE(check.rows(QStringLiteral("SELECT name FROM pragma_table_info('keywords') ORDER BY cid")).value(1),
                 QStringLiteral("keyword"));

        // The main window's datasets open on it.
        mod.MyBooks.open();
        mod.myItemKinds.open();
        QCOMPARE(mod.MyBooks.recordCount(), 0);
        QCOMPARE(mod.myItemKinds.recordCount(), kinds.size());
    }

    void startLeavesExistingDatabaseAsIs_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("only books, with a row")
            << QStringLiteral("CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT);"
                              "INSERT INTO books VALUES (1, 'Война и мир');");
        QTest::newRow("only settings") << QStringLiteral("CREATE TABLE settings (name TEXT, value TEXT);");
        QTest::newRow("table name in capitals") << QStringLiteral("CREATE TABLE V_ITEMKIND (id INTEGER PRIMARY KEY);");
    }

    void startLeavesExistingDatabaseAsIs()
    {
        QFETCH(QString, sql);
        Program p;
        {
            RawDb other(p.dbFile());
            QCOMPARE(other.exec(sql), QString());
        }
        const QByteArray before = readBytes(p.dbFile());
        QVERIFY(!before.isEmpty());

        TDBMod &mod = p.start();
        QCOMPARE(p.setupCalls, 0);
        QVERIFY(!process().ConnectFailed);
        QVERIFY(mod.storeOpened());
        p.stop();

        QCOMPARE(readBytes(p.dbFile()), before);
    }

    void startWithFileThatIsNoDatabase_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("hookSet");
        QTest::newRow("text file") << QString::fromUtf8("Это не база данных.\r\n").repeated(100).toUtf8() << true;
        QTest::newRow("short text") << QByteArray("hello\n") << true;
        QTest::newRow("zip archive") << QByteArray("PK\x03\x04\x14\x00\x00\x00", 8).repeated(200) << true;
        QTest::newRow("damaged database header")
            << QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\xff') << true;
        QTest::newRow("no settings dialog available") << QByteArray("hello\n") << false;
    }

    void startWithFileThatIsNoDatabase()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, hookSet);
        Program p;
        QVERIFY(writeBytes(p.dbFile(), content));

        auto mod = std::make_unique<TDBMod>(p.path(QStringLiteral("library")));
        if (hookSet)
            mod->showSetupForm = [&p](TDBMod &, const DataError &e) {
                ++p.setupCalls;
                p.setupMessage = e.message();
                p.setupCode = e.sqliteCode();
                return false;
            };
        mod->DataModuleCreate(); // no error escapes: the main window ends the program instead

        QCOMPARE(p.setupCalls, hookSet ? 1 : 0);
        if (hookSet) {
            QVERIFY2(!p.setupMessage.isEmpty(), "the dialog is told why");
            QVERIFY(p.setupCode != SQLITE_OK);
        }
        QVERIFY(process().ConnectFailed);
        QVERIFY(!mod->storeOpened());
        QVERIFY(!mod->MyServer.isOpen());
        QCOMPARE(process().ThisYear, quint16(QDate::currentDate().year()));
        mod.reset();

        QCOMPARE(readBytes(p.dbFile()), content);
        QVERIFY2(!QFileInfo::exists(p.path(QStringLiteral("Backup"))), "no copy after a failed open");
        QVERIFY2(!QFileInfo::exists(p.path(QStringLiteral("library.ini"))), "nothing written to the settings");
    }

    void settingsDialogThatOpensAnotherDatabase()
    {
        Program p;
        QVERIFY(writeBytes(p.dbFile(), QByteArrayLiteral("not a database\n")));
        const QString other = p.path(QStringLiteral("other.sdb"));
        {
            RawDb db(other);
            QCOMPARE(db.exec(QStringLiteral("CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT);"
                                            "INSERT INTO books VALUES (1, 'ЁЛКА');")),
                     QString());
        }
        p.setupForm = [&other](TDBMod &m) {
            m.MyServer.setDatabase(other);
            m.MyServer.open();
            return true;
        };

        TDBMod &mod = p.start();

        QCOMPARE(p.setupCalls, 1);
        QVERIFY(!process().ConnectFailed);
        QVERIFY(mod.storeOpened());
        // The connection's keys, in their order, in section MySQL.
        const QString ini = QString::fromUtf8(readBytes(p.path(QStringLiteral("library.ini"))));
        const QStringList lines = ini.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        const qsizetype at = lines.indexOf(QStringLiteral("[MySQL]"));
        QVERIFY2(at >= 0, qPrintable(ini));
        QCOMPARE(lines.size(), at + 5);
        QVERIFY(lines[at + 1].startsWith(QStringLiteral("hostname=")));
        QVERIFY(lines[at + 2].startsWith(QStringLiteral("username=")));
        QVERIFY(lines[at + 3].startsWith(QStringLiteral("password=")));
        QCOMPARE(lines[at + 4], QStringLiteral("database=") + other);
        // my_lower is there for the search conditions.
        Dataset q(&mod.MyServer);
        q.setSql(QStringLiteral("SELECT my_lower(title) FROM books"));
        q.open();
        QCOMPARE(q.field(0).asString(), QStringLiteral("ёлка"));
    }

    void readOnlyProgramFolderWithCatalogue()
    {
        if (geteuid() == 0)
            QSKIP("Running as root: permission bits do not stop writes, so a read-only program folder "
                  "cannot be made here.");
        Program p;
        QVERIFY(makeEarlierCatalogue(p, catalogueRows));
        QTemporaryDir backups;
        QVERIFY(writeBytes(p.path(QStringLiteral("library.ini")),
                           "[General]\r\nBackupPath=" + QFile::encodeName(backups.path()) + "\r\n"));
        QVERIFY(QFile::setPermissions(p.folder(), QFile::ReadOwner | QFile::ExeOwner));
        auto restore = qScopeGuard([&p] {
            QFile::setPermissions(p.folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });

        TDBMod &mod = p.start();
        QCOMPARE(p.setupCalls, 0);
        QVERIFY(mod.storeOpened());
        mod.MyBooks.open();
        QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("1 2 3 4 5 6"));
        // A change needs a journal beside the database: it fails with the engine's error.
        QVERIFY_THROWS_EXCEPTION(DataError, mod.MyServer.runStatement(QStringLiteral("DELETE FROM books")));
        p.stop();
        QVERIFY(QFileInfo::exists(backups.path() + QStringLiteral("/library.sdb")));
    }

    void programFolderWhereNothingCanBeCreated()
    {
        // /proc accepts no new files, not even from root: a missing database cannot be created there.
        if (!QFileInfo(QStringLiteral("/proc/self")).exists())
            QSKIP("No /proc on this system.");
        Program p;
        TDBMod &mod = p.start(QStringLiteral("/proc/library"));

        QCOMPARE(p.setupCalls, 1);
        QCOMPARE(p.setupCode, SQLITE_CANTOPEN);
        QVERIFY(process().ConnectFailed);
        QVERIFY(!mod.storeOpened());
        p.stop(); // nothing is raised
    }

    // ---- folders and settings ---------------------------------------------------------------

    void foldersWithoutSettingsFile()
    {
        Program p;
        TDBMod &mod = p.start();
        const QString dir = p.folder();
        QCOMPARE(process().AppDir, dir + u'/');
        QCOMPARE(mod.FilesDir, dir + QStringLiteral("//files/"));
        QCOMPARE(mod.MyServer.database(), dir + QStringLiteral("//library.sdb"));
        QCOMPARE(process().BackupDir, dir + QStringLiteral("//Backup"));
        QVERIFY(!process().AutoLogon);
        QVERIFY(process().SettingsFile);
        QCOMPARE(process().SettingsFile->fileName(), dir + QStringLiteral("/library.ini"));
        QVERIFY2(!QFileInfo::exists(p.path(QStringLiteral("library.ini"))), "opening the settings creates no file");
        QCOMPARE(process().ThisYear, quint16(QDate::currentDate().year()));
        QVERIFY(mod.Conditions.has_value());
        QVERIFY(mod.Conditions->isEmpty());
        QCOMPARE(mod.CurrentKind, quint16(0));
        QCOMPARE(mod.MyServer.busyTimeout(), 1500);
        QVERIFY(mod.MyServer.readUncommitted());
        QVERIFY(!mod.MyServer.sharedCache());
    }

    void tempDir_data()
    {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QByteArray>("temp");
        QTest::addColumn<QString>("expected"); // empty: the system's temporary folder
        QTest::newRow("TEMP set") << true << QByteArray("/var/tmp/каталог") << QStringLiteral("/var/tmp/каталог");
        QTest::newRow("TEMP set with a trailing separator") << true << QByteArray("/var/tmp/") << QStringLiteral("/var/tmp/");
        QTest::newRow("TEMP empty") << true << QByteArray() << QString();
        QTest::newRow("TEMP unset") << false << QByteArray() << QString();
    }

    void tempDir()
    {
        QFETCH(bool, set);
        QFETCH(QByteArray, temp);
        QFETCH(QString, expected);
        if (set)
            qputenv("TEMP", temp);
        else
            qunsetenv("TEMP");
        Program p;
        p.start();
        QCOMPARE(process().TempDir, expected.isEmpty() ? QDir::tempPath() : expected);
    }

    void autoLogonFromSettings_data()
    {
        QTest::addColumn<QByteArray>("ini"); // "-" for no file
        QTest::addColumn<bool>("expected");
        QTest::newRow("no file") << QByteArray("-") << false;
        QTest::newRow("1") << QByteArray("[General]\r\nAutoAdminLogon=1\r\n") << true;
        QTest::newRow("0") << QByteArray("[General]\r\nAutoAdminLogon=0\r\n") << false;
        QTest::newRow("2 counts as true") << QByteArray("[General]\r\nAutoAdminLogon=2\r\n") << true;
        QTest::newRow("-1 counts as true") << QByteArray("[General]\r\nAutoAdminLogon=-1\r\n") << true;
        QTest::newRow("not a number") << QByteArray("[General]\r\nAutoAdminLogon=abc\r\n") << false;
        QTest::newRow("true as a word") << QByteArray("[General]\r\nAutoAdminLogon=true\r\n") << false;
        QTest::newRow("empty value") << QByteArray("[General]\r\nAutoAdminLogon=\r\n") << false;
        QTest::newRow("in another section") << QByteArray("[MySQL]\r\nAutoAdminLogon=1\r\n") << false;
        QTest::newRow("section and key in other case") << QByteArray("[general]\r\nautoadminlogon=1\r\n") << true;
        QTest::newRow("blanks around") << QByteArray("[General]\r\nAutoAdminLogon = 1 \r\n") << true;
        QTest::newRow("hand-edited, LF only") << QByteArray("[General]\nBackupPath=x\nAutoAdminLogon=1\n") << true;
        QTest::newRow("UTF-8 with a byte order mark") << QByteArray("\xEF\xBB\xBF[General]\r\nAutoAdminLogon=1\r\n") << true;
    }

    void autoLogonFromSettings()
    {
        QFETCH(QByteArray, ini);
        QFETCH(bool, expected);
        Program p;
        if (ini != "-")
            QVERIFY(writeBytes(p.path(QStringLiteral("library.ini")), ini));
        p.start();
        QCOMPARE(process().AutoLogon, expected);
        if (ini != "-")
            QCOMPARE(readBytes(p.path(QStringLiteral("library.ini"))), ini); // read, never written
    }

    void backupPathFromSettings_data()
    {
        QTest::addColumn<QString>("folderName");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("Latin name, code page 1251") << QStringLiteral("copies") << false;
        QTest::newRow("Cyrillic name, code page 1251") << QStringLiteral("Копии каталога") << false;
        QTest::newRow("Cyrillic name, hand-edited UTF-8 with LF") << QStringLiteral("Копии каталога") << true;
    }

    void backupPathFromSettings()
    {
        QFETCH(QString, folderName);
        QFETCH(bool, utf8);
        Program p;
        QTemporaryDir elsewhere;
        const QString backup = elsewhere.path() + u'/' + folderName;
        const QString text = QStringLiteral("[General]\nBackupPath=") + backup + QStringLiteral("\nFontSize=12\n");
        QByteArray bytes;
        if (utf8) {
            bytes = text.toUtf8();
        } else {
            QString crlf = text;
            crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
            bytes = cp1251(crlf);
        }
        QVERIFY(writeBytes(p.path(QStringLiteral("library.ini")), bytes));

        p.start();
        QCOMPARE(process().BackupDir, backup);
        p.mod->MyServer.runStatement(QStringLiteral("INSERT INTO books (id, title) VALUES (1, 'Копия')"));
        p.stop();

        QVERIFY(QFileInfo::exists(backup + QStringLiteral("/library.sdb")));
        QVERIFY2(!QFileInfo::exists(p.path(QStringLiteral("Backup"))), "the default folder is not used");
        RawDb copy(backup + QStringLiteral("/library.sdb"));
        QCOMPARE(copy.rows(QStringLiteral("SELECT title FROM books")), QStringList{QStringLiteral("Копия")});
    }

    void settingsRoundTrip()
    {
        Program p;
        p.start();
        IniFile *ini = process().SettingsFile;
        QVERIFY(ini);
        const QString file = p.path(QStringLiteral("library.ini"));

        // Each write is in the file at once, in code page 1251 with CR LF.
        QVERIFY(ini->writeString(QStringLiteral("General"), QStringLiteral("FontName"), QStringLiteral("Таймс")));
        QCOMPARE(readBytes(file), QByteArray("[General]\r\nFontName=\xD2\xE0\xE9\xEC\xF1\r\n"));
        QVERIFY(ini->writeInteger(QStringLiteral("General"), QStringLiteral("FontSize"), 12));
        QCOMPARE(readBytes(file), QByteArray("[General]\r\nFontName=\xD2\xE0\xE9\xEC\xF1\r\nFontSize=12\r\n"));
        QVERIFY(ini->writeBool(QStringLiteral("General"), QStringLiteral("IsMaximized"), true));
        QVERIFY(ini->writeBool(QStringLiteral("General"), QStringLiteral("Rubricator"), false));
        QCOMPARE(readBytes(file), QByteArray("[General]\r\nFontName=\xD2\xE0\xE9\xEC\xF1\r\nFontSize=12\r\n"
                                             "IsMaximized=1\r\nRubricator=0\r\n"));
        // A key written again keeps its line.
        QVERIFY(ini->writeInteger(QStringLiteral("General"), QStringLiteral("FontSize"), -3));
        QCOMPARE(readBytes(file), QByteArray("[General]\r\nFontName=\xD2\xE0\xE9\xEC\xF1\r\nFontSize=-3\r\n"
                                             "IsMaximized=1\r\nRubricator=0\r\n"));
        // Another section goes after the first.
        QVERIFY(ini->writeString(QStringLiteral("MySQL"), QStringLiteral("database"), QStringLiteral("/базы/Каталог")));
        const QByteArray bytes = readBytes(file);
        QVERIFY(bytes.startsWith("[General]\r\nFontName=\xD2\xE0\xE9\xEC\xF1\r\n"));
        QVERIFY(bytes.endsWith("[MySQL]\r\ndatabase=/\xE1\xE0\xE7\xFB/\xCA\xE0\xF2\xE0\xEB\xEE\xE3\r\n"));
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));

        // A later run reads back what was written.
        IniFile again(file);
        QCOMPARE(again.readString(QStringLiteral("General"), QStringLiteral("FontName"), QStringLiteral("Tahoma")),
                 QStringLiteral("Таймс"));
        QCOMPARE(again.readInteger(QStringLiteral("General"), QStringLiteral("FontSize"), 10), -3);
        QCOMPARE(again.readBool(QStringLiteral("General"), QStringLiteral("IsMaximized"), false), true);
        QCOMPARE(again.readBool(QStringLiteral("General"), QStringLiteral("Rubricator"), true), false);
        QCOMPARE(again.readBool(QStringLiteral("General"), QStringLiteral("Annotation"), true), true);
        QCOMPARE(again.readString(QStringLiteral("MySQL"), QStringLiteral("database"), QString()),
                 QStringLiteral("/базы/Каталог"));
    }

    void handEditedSettingsSurviveTheProgramsWrites()
    {
        Program p;
        const QString file = p.path(QStringLiteral("library.ini"));
        // Edited by hand on Linux: UTF-8, LF, a folder name with a letter code page 1251 lacks.
        const QString backup = QStringLiteral("/srv/Jürgen/Копии");
        QVERIFY(writeBytes(file, (QStringLiteral("[General]\nBackupPath=") + backup + QStringLiteral("\n")).toUtf8()));
        p.start();
        QCOMPARE(process().BackupDir, backup);

        // The main window's close writes its keys; the next run must still find the backup folder.
        QVERIFY(process().SettingsFile->writeInteger(QStringLiteral("General"), QStringLiteral("FontSize"), 12));
        IniFile again(file);
        QCOMPARE(again.readInteger(QStringLiteral("General"), QStringLiteral("FontSize"), 10), 12);
        QCOMPARE(again.readString(QStringLiteral("General"), QStringLiteral("BackupPath"), QString()), backup);
    }

    void settingsValuesThatAreNotNumbers_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("fontSize");      // default 10
        QTest::addColumn<bool>("rubricator");   // default true
        QTest::newRow("numbers") << QByteArray("FontSize=12\r\nRubricator=0") << 12 << false;
        QTest::newRow("words") << QByteArray("FontSize=abc\r\nRubricator=abc") << 10 << true;
        QTest::newRow("empty values") << QByteArray("FontSize=\r\nRubricator=") << 10 << true;
        QTest::newRow("number with a unit") << QByteArray("FontSize=12pt\r\nRubricator=0x") << 10 << true;
        QTest::newRow("fraction") << QByteArray("FontSize=10.5\r\nRubricator=0.0") << 10 << true;
        QTest::newRow("keys missing") << QByteArray("Other=1") << 10 << true;
    }

    void settingsValuesThatAreNotNumbers()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, fontSize);
        QFETCH(bool, rubricator);
        Program p;
        QVERIFY(writeBytes(p.path(QStringLiteral("library.ini")), "[General]\r\n" + line + "\r\n"));
        p.start();
        IniFile *ini = process().SettingsFile;
        QCOMPARE(ini->readInteger(QStringLiteral("General"), QStringLiteral("FontSize"), 10), fontSize);
        QCOMPARE(ini->readBool(QStringLiteral("General"), QStringLiteral("Rubricator"), true), rubricator);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "test_startup.moc"
