// The copy of the database the data module makes at the end of a run, and a database file that
// another program holds locked at the start or at the end of the run.
#include "DataModuleFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStringList>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

using namespace data;
using namespace store;
using namespace datamodule_tests;

class TestExitCopy : public QObject {
    Q_OBJECT

private slots:
    void init() { resetProcess(); }

    // ---- the copy at the end of a run ------------------------------------------------------

    void copyAtEndOfEditRun_data()
    {
        QTest::addColumn<bool>("previousCopy");
        QTest::addColumn<bool>("explicitDestroy");
        QTest::newRow("first copy, module destroyed") << false << false;
        QTest::newRow("previous copy replaced, module destroyed") << true << false;
        QTest::newRow("previous copy replaced, DataModuleDestroy") << true << true;
    }

    void copyAtEndOfEditRun()
    {
        QFETCH(bool, previousCopy);
        QFETCH(bool, explicitDestroy);
        Program p;
        const QString backup = p.path(QStringLiteral("Backup"));
        if (previousCopy) {
            QVERIFY(QDir().mkdir(backup));
            QVERIFY(writeBytes(backup + QStringLiteral("/library.sdb"), QByteArrayLiteral("old copy")));
        }
        TDBMod &mod = startCatalogue(p);
        // A change just before the end is in the copy.
        mod.MyServer.runStatement(QStringLiteral("UPDATE books SET title = 'Война и мир, т. 1' WHERE id = 1"));

        if (explicitDestroy) {
            mod.DataModuleDestroy();
            QVERIFY(mod.MyServer.isOpen());
        }
        p.stop();

        // The copy it replaced stays beside it under the time it was made.
        const QStringList files = QDir(backup).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(files.size(), previousCopy ? 2 : 1);
        QCOMPARE(files.last(), QStringLiteral("library.sdb"));
        if (previousCopy) {
            QVERIFY2(QRegularExpression(QStringLiteral("^library-\\d{4}-\\d\\d-\\d\\d-\\d{6}\\.sdb$")).match(files.first()).hasMatch(),
                     qPrintable(files.first()));
            QCOMPARE(readBytes(backup + u'/' + files.first()), QByteArrayLiteral("old copy"));
        }
        RawDb copy(backup + QStringLiteral("/library.sdb"));
        QCOMPARE(copy.rows(QStringLiteral("PRAGMA integrity_check")), QStringList{QStringLiteral("ok")});
        RawDb original(p.dbFile());
        const QString all = QStringLiteral("SELECT id, inv_num, author, title, date_reg, itemkind_id, rubric FROM books "
                                           "ORDER BY id");
        QCOMPARE(copy.rows(all), original.rows(all));
        QCOMPARE(copy.rows(QStringLiteral("SELECT title FROM books WHERE id = 1")),
                 QStringList{QStringLiteral("Война и мир, т. 1")});
        QCOMPARE(copy.rows(QStringLiteral("SELECT COUNT(*) FROM v_itemkind")),
                 original.rows(QStringLiteral("SELECT COUNT(*) FROM v_itemkind")));
    }

    // Earlier copies are kept under their dates, BackupKeep of them, the oldest removed first (of
    // two in one second, "-2" is the newer); the copy kept before a restore is no exit copy and stays.
    void earlierCopiesAreKept()
    {
        Program p;
        const QString backup = p.path(QStringLiteral("Backup"));
        QVERIFY(QDir().mkdir(backup));
        QVERIFY(writeBytes(p.path(QStringLiteral("library.ini")), "[General]\r\nBackupKeep=2\r\n"));
        for (const char *name : {"library-2020-01-01-000000.sdb", "library-2022-01-01-000000-2.sdb",
                                 "library-2022-01-01-000000.sdb", "library-before-restore-2019-01-01-000000.sdb",
                                 "library.sdb"})
            QVERIFY(writeBytes(backup + u'/' + QLatin1String(name), name));
        startCatalogue(p);
        p.stop();

        const QStringList files = QDir(backup).entryList(QDir::Files);
        QCOMPARE(files.size(), 4);
        QCOMPARE(files[0], QStringLiteral("library-2022-01-01-000000-2.sdb"));
        QCOMPARE(readBytes(backup + u'/' + files[1]), QByteArrayLiteral("library.sdb")); // the newest but one
        QCOMPARE(files[2], QStringLiteral("library-before-restore-2019-01-01-000000.sdb"));
        QCOMPARE(files[3], QStringLiteral("library.sdb"));
        RawDb copy(backup + QStringLiteral("/library.sdb"));
        QCOMPARE(copy.rows(QStringLiteral("PRAGMA integrity_check")), QStringList{QStringLiteral("ok")});
    }

    // A database that is no catalogue (one of its tables missing) replaces no copy.
    void noCopyOfADatabaseWithoutTheCatalogue()
    {
        Program p;
        const QString backup = p.path(QStringLiteral("Backup"));
        QVERIFY(QDir().mkdir(backup));
        QVERIFY(writeBytes(backup + QStringLiteral("/library.sdb"), QByteArrayLiteral("old copy")));
        {
            RawDb db(p.dbFile());
            QCOMPARE(db.exec(QStringLiteral("CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT)")), QString());
        }
        TDBMod &mod = p.start();
        QVERIFY(mod.storeOpened());
        p.stop();
        QCOMPARE(QDir(backup).entryList(QDir::Files), QStringList{QStringLiteral("library.sdb")});
        QCOMPARE(readBytes(backup + QStringLiteral("/library.sdb")), QByteArrayLiteral("old copy"));
    }

    void noCopyAtEnd_data()
    {
        QTest::addColumn<bool>("viewOnly");
        QTest::addColumn<bool>("failedOpen");
        QTest::addColumn<bool>("previousCopy");
        QTest::newRow("view mode") << true << false << false;
        QTest::newRow("view mode, previous copy kept") << true << false << true;
        QTest::newRow("failed open") << false << true << false;
        QTest::newRow("failed open, previous copy kept") << false << true << true;
    }

    void noCopyAtEnd()
    {
        QFETCH(bool, viewOnly);
        QFETCH(bool, failedOpen);
        QFETCH(bool, previousCopy);
        Program p;
        const QString backup = p.path(QStringLiteral("Backup"));
        if (previousCopy) {
            QVERIFY(QDir().mkdir(backup));
            QVERIFY(writeBytes(backup + QStringLiteral("/library.sdb"), QByteArrayLiteral("old copy")));
        }
        if (failedOpen)
            QVERIFY(writeBytes(p.dbFile(), QByteArrayLiteral("not a database\n")));

        TDBMod &mod = p.start();
        QCOMPARE(mod.storeOpened(), !failedOpen);
        process().ViewOnly = viewOnly; // as the main window's first show sets it
        p.stop();

        if (previousCopy) {
            QCOMPARE(readBytes(backup + QStringLiteral("/library.sdb")), QByteArrayLiteral("old copy"));
            QCOMPARE(QDir(backup).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                     QStringList{QStringLiteral("library.sdb")});
        } else {
            QVERIFY(!QFileInfo::exists(backup));
        }
    }

    void failedCopyKeepsThePreviousCopy()
    {
        Program p;
        const QString backup = p.path(QStringLiteral("Backup"));
        QVERIFY(QDir().mkdir(backup));
        QVERIFY(writeBytes(backup + QStringLiteral("/library.sdb"), QByteArrayLiteral("old copy")));
        // A folder where the copy would be written first: no file can be made under that name.
        QVERIFY(QDir().mkdir(backup + QStringLiteral("/library.sdb.part")));
        QVERIFY(writeBytes(backup + QStringLiteral("/library.sdb.part/keep"), QByteArrayLiteral("x")));
        startCatalogue(p);

        p.stop(); // nothing is raised

        QCOMPARE(readBytes(backup + QStringLiteral("/library.sdb")), QByteArrayLiteral("old copy"));
        QCOMPARE(readBytes(backup + QStringLiteral("/library.sdb.part/keep")), QByteArrayLiteral("x"));
        RawDb original(p.dbFile());
        QCOMPARE(original.rows(QStringLiteral("SELECT COUNT(*) FROM books")), QStringList{QStringLiteral("6")});
    }

    void endOfRunWhileAnotherProgramHoldsTheFile()
    {
        Program p;
        const QString backup = p.path(QStringLiteral("Backup"));
        QVERIFY(QDir().mkdir(backup));
        QVERIFY(writeBytes(backup + QStringLiteral("/library.sdb"), QByteArrayLiteral("old copy")));
        startCatalogue(p);

        // Another program takes the file and keeps it well past the busy timeout.
        std::atomic<bool> locked{false};
        std::thread holder([&p, &locked] {
            RawDb other(p.dbFile());
            locked = other.exec(QStringLiteral("BEGIN EXCLUSIVE")).isEmpty();
            std::this_thread::sleep_for(std::chrono::seconds(6));
            other.exec(QStringLiteral("COMMIT"));
        });
        auto join = qScopeGuard([&holder] { holder.join(); });
        QElapsedTimer clock;
        clock.start();
        while (!locked && clock.elapsed() < 5000)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        QVERIFY(locked);

        clock.restart();
        p.stop();
        const qint64 took = clock.elapsed();

        // The program ends after about the busy timeout, not when the other program lets go;
        // the copy it could not make leaves the previous one in place.
        QVERIFY2(took < 4000, qPrintable(QStringLiteral("the end of the run took %1 ms").arg(took)));
        QCOMPARE(readBytes(backup + QStringLiteral("/library.sdb")), QByteArrayLiteral("old copy"));
    }

    void backupFolderWhoseParentIsMissing()
    {
        Program p;
        const QString backup = p.path(QStringLiteral("missing/Backup"));
        QVERIFY(writeBytes(p.path(QStringLiteral("library.ini")),
                           "[General]\r\nBackupPath=" + QFile::encodeName(backup) + "\r\n"));
        startCatalogue(p);
        QCOMPARE(process().BackupDir, backup);

        p.stop(); // nothing is raised

        QVERIFY(!QFileInfo::exists(p.path(QStringLiteral("missing"))));
        QCOMPARE(QDir(p.folder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
    }

    // ---- a database another program holds at start -----------------------------------------

    void lockedDatabaseAtStart_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<bool>("opens");
        QTest::newRow("another program writing") << QStringLiteral("BEGIN IMMEDIATE") << true;
        QTest::newRow("another program holding the file") << QStringLiteral("BEGIN EXCLUSIVE") << false;
    }

    void lockedDatabaseAtStart()
    {
        QFETCH(QString, lock);
        QFETCH(bool, opens);
        Program p;
        QVERIFY(makeEarlierCatalogue(p, catalogueRows));
        RawDb other(p.dbFile());
        QCOMPARE(other.exec(lock + QStringLiteral(";"
                                                  "INSERT INTO books (id, inv_num, title, itemkind_id) VALUES (7, 6, 'Новая', 1);")),
                 QString());

        QElapsedTimer clock;
        clock.start();
        TDBMod &mod = p.start();
        const qint64 waited = clock.elapsed();

        if (opens) {
            // Reading goes on beside a writer; its row is not there until it commits.
            QCOMPARE(p.setupCalls, 0);
            QVERIFY(mod.storeOpened());
            QVERIFY2(waited < 1000, qPrintable(QString::number(waited)));
            mod.MyBooks.open();
            QCOMPARE(shownIds(mod.MyBooks), QStringLiteral("1 2 3 4 5 6"));
        } else {
            // The engine waited out its busy timeout, then the open failed like any other.
            QCOMPARE(p.setupCalls, 1);
            QCOMPARE(p.setupCode, SQLITE_BUSY);
            QVERIFY2(waited >= 1400, qPrintable(QString::number(waited)));
            QVERIFY(process().ConnectFailed);
            QVERIFY(!mod.storeOpened());
        }

        QCOMPARE(other.exec(QStringLiteral("COMMIT")), QString());
        p.stop();
        QCOMPARE(other.rows(QStringLiteral("SELECT id FROM books ORDER BY id")),
                 (QStringList{"1", "2", "3", "4", "5", "6", "7"}));
        QCOMPARE(other.rows(QStringLiteral("SELECT COUNT(*) FROM v_itemkind WHERE itemkind_name = 'Книги'")),
                 QStringList{QStringLiteral("1")});
        QCOMPARE(QFileInfo::exists(p.path(QStringLiteral("Backup/library.sdb"))), opens);
    }
};

QTEST_GUILESS_MAIN(TestExitCopy)
#include "test_exitcopy.moc"
