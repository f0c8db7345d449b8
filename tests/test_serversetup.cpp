// The server settings dialog against a running server, and start-up on a server catalogue:
// named in the settings file, or set up through the dialog when the catalogue file cannot be
// opened; its copy at the end and a file catalogue moved onto it through a backup.
#include "SetupFormFixture.h"
#include "TestServer.h"
#include "WindowFixture.h"

#include "SchemaCreation.h"
#include "ServerDatabase.h"
#include "data/engines/ServerSql.h"
#include "data/script/ScriptDump.h"

#include <QLabel>
#include <QPushButton>

namespace {

const QString InstallScript = QStringLiteral(LIBRARY_SOURCE_DIR "/resources/install_db.sql");

// The test server, and the databases a test makes on it, dropped when it ends.
struct Server : TestServer {
    QStringList made;

    Server() : TestServer(find()) {}
    ~Server()
    {
        for (const QString &name : made) {
            try {
                run(QStringLiteral("DROP DATABASE IF EXISTS ") + QString::fromUtf8(data::quotedServerName(name)));
            } catch (const data::DataError &e) {
                qWarning("%s stays on the test server: %s", qPrintable(name), qPrintable(e.message()));
            }
        }
    }

    QString name(const QString &pattern)
    {
        made << pattern.arg(QCoreApplication::applicationPid());
        return made.last();
    }

    template <typename Action> auto on(const QString &database, Action action) const
    {
        data::Connection c;
        configure(c, database);
        c.open();
        return action(c);
    }
    void run(const QString &sql, const QString &database = {}) const
    {
        on(database, [&sql](data::Connection &c) { c.runStatement(sql); });
    }
    void makeCatalogue(const QString &database) const
    {
        run(setup::createDatabaseStatement(database));
        on(database, [](data::Connection &c) { data::ScriptDump(&c).RunScriptFile(InstallScript); });
    }
    QStringList tablesOf(const QString &database) const
    {
        return on(database, [](data::Connection &c) {
            QStringList tables = c.tableNames();
            tables.sort();
            return tables;
        });
    }
    void fill(TSetupForm &d, const QString &passwordSuffix = {}) const
    {
        d.edHost->setText(server);
        d.edUser->setText(user);
        d.edPass->setText(password + passwordSuffix);
    }
    // Edit mode at once, on the server catalogue the keys name.
    QByteArray connectSettings(const QString &host, const QString &database) const
    {
        return ("[General]\r\nAutoAdminLogon=1\r\n[MySQL]\r\nConnect=1\r\nhostname=" + host + "\r\nusername=" + user +
                "\r\npassword=" + password + "\r\ndatabase=" + database + "\r\n").toUtf8();
    }
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeNotADatabase(WindowFixture &f)
{
    QFile file(f.path(QStringLiteral("library.sdb")));
    return file.open(QIODevice::WriteOnly) && file.write("не база данных") > 0;
}

} // namespace

class ServerSetupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Библиотека")); }

    // Entering the box lists the server's databases; a pick survives another entry, an edit undoes it.
    void listOfTheServersDatabases()
    {
        Server s;
        REQUIRE_TEST_SERVER(s);
        const QString existing = s.name(QStringLiteral("lib_setup_%1_listed"));
        s.run(setup::createDatabaseStatement(existing));
        SetupFormFixture f;
        TSetupForm &d = f.form;
        QVERIFY(f.showActive());
        s.fill(d);
        d.cbDatabase->setFocus(Qt::MouseFocusReason);
        QVERIFY(d.cbDatabase->findText(existing) >= 0 && d.cbDatabase->findText(QStringLiteral("mysql")) >= 0);
        pickDatabaseName(d, existing);
        d.edHost->setFocus(Qt::TabFocusReason);
        d.cbDatabase->setFocus(Qt::BacktabFocusReason);
        QVERIFY(d.namePicked());
        QTest::keyClick(d.cbDatabase->lineEdit(), Qt::Key_Backspace);
        QVERIFY(!d.namePicked());
        QCOMPARE(f.shown(), QStringList{});
    }

    // A typed name is created and filled from the script beside the program; a picked one only opened.
    void okWithATypedOrAPickedName_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("picked");
        QTest::newRow("typed, a quote and a blank") << QStringLiteral("lib setup'%1") << false;
        QTest::newRow("typed, a backtick") << QStringLiteral("lib`setup%1") << false;
        QTest::newRow("picked") << QStringLiteral("lib_setup_%1_picked") << true;
    }
    void okWithATypedOrAPickedName()
    {
        QFETCH(QString, pattern);
        QFETCH(bool, picked);
        Server s;
        REQUIRE_TEST_SERVER(s);
        const QString name = s.name(pattern);
        if (picked) {
            s.run(setup::createDatabaseStatement(name));
            s.run(QStringLiteral("CREATE TABLE marker (id INT)"), name);
        }
        SetupFormFixture f;
        QVERIFY(f.placeInstallScript(InstallScript));
        TSetupForm &d = f.form;
        d.show();
        s.fill(d);
        d.cbDatabaseEnter();
        picked ? pickDatabaseName(d, name) : typeDatabaseName(d, name);
        d.btnOk->click();
        QCOMPARE(f.shown(), QStringList{});
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(f.conn.isOpen());
        QCOMPARE(f.conn.database(), name);
        const QStringList catalogue = {"books", "categories", "keywords", "loan_terms", "orders", "readers", "settings", "v_itemkind"};
        QCOMPARE(s.tablesOf(name), picked ? QStringList{"marker"} : catalogue);
    }

    void aWrongPasswordIsReportedAndTheDialogStays()
    {
        Server s;
        REQUIRE_TEST_SERVER(s);
        const QString name = s.name(QStringLiteral("lib_setup_%1_refused"));
        SetupFormFixture f;
        QVERIFY(f.placeInstallScript(InstallScript));
        TSetupForm &d = f.form;
        QVERIFY(f.showActive());
        s.fill(d, QStringLiteral("wrong"));
        d.cbDatabase->setFocus(Qt::TabFocusReason);
        QVERIFY2(f.shownConnectionWarning(), qPrintable(f.shown().join(u'|')));
        QCOMPARE(d.cbDatabase->count(), 0);
        typeDatabaseName(d, name);
        d.btnOk->click();
        QCOMPARE(f.shown().size(), 2);
        QVERIFY(f.shown()[1].startsWith(QStringLiteral("[icon 4] Библиотека: ")));
        QVERIFY(!f.conn.isOpen());
        QVERIFY(d.isVisible());
        QVERIFY(!s.tablesOf(QString()).contains(name));
    }

    // The catalogue file cannot be opened and the dialog makes a catalogue on the server: the
    // program runs on it, the settings keep where it is, and the copy at the end is a script.
    void unopenableFileThenAServerCatalogue()
    {
        Server s;
        REQUIRE_TEST_SERVER(s);
        const QString name = s.name(QStringLiteral("lib_setup_%1_start"));
        WindowFixture f;
        f.writeSettings("[General]\r\nAutoAdminLogon=1\r\n");
        QVERIFY(writeNotADatabase(f));
        QVERIFY(QFile::copy(InstallScript, f.path(QStringLiteral("install_db.sql"))));
        f.platform.onModal = [&](QDialog &dialog) {
            auto &d = static_cast<TSetupForm &>(dialog);
            s.fill(d);
            typeDatabaseName(d, name);
            d.btnOk->click();
            return d.result();
        };
        TMainForm &w = f.start();
        QCOMPARE(f.platform.messageTexts(), QStringList{});
        QVERIFY(!store::process().ConnectFailed);
        const QString ini = f.path(QStringLiteral("library.ini"));
        QVERIFY(readAll(ini).endsWith(("[MySQL]\r\nhostname=" + s.server + "\r\nusername=" + s.user + "\r\npassword=" +
                                       s.password + "\r\ndatabase=" + name + "\r\n").toUtf8()));
        QVERIFY(!(QFile::permissions(ini) & (QFile::ReadGroup | QFile::ReadOther)));
        QCOMPARE(w.sbStatusCount->text(), QStringLiteral("Кол-во записей: 0"));
        QCOMPARE(w.tcKinds->tabText(1), QStringLiteral("Книги")); // as the UTF-8 creation script has it
        w.close();
        f.program.finish();
        QVERIFY(readAll(f.path(QStringLiteral("Backup/library.sql"))).startsWith("-- LibraryStore version: "));
    }

    // Connect=1: the four keys name the catalogue; one that does not answer brings up the dialog
    // filled from them, and closing it ends the program.
    void startOnTheServerNamedInTheSettings_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::addColumn<QByteArray>("tlsKeys");
        const QByteArray ca = qgetenv("LIBRARY_TEST_MARIADB_DIR") + "/tls/ca.pem";
        QTest::newRow("the server answers") << true << QByteArray();
        QTest::newRow("no server there") << false << QByteArray();
        QTest::newRow("encrypted, the certificate verified") << true << "RequireTLS=1\r\nCACertificate=" + ca + "\r\n";
        QTest::newRow("signed by another authority") << false << "CACertificate=" + qgetenv("LIBRARY_TEST_MARIADB_DIR") + "/tls/server-cert.pem\r\n";
    }
    void startOnTheServerNamedInTheSettings()
    {
        QFETCH(bool, answers);
        QFETCH(QByteArray, tlsKeys);
        Server s;
        REQUIRE_TEST_SERVER(s);
        const QString name = s.name(QStringLiteral("lib_setup_%1_connect"));
        s.makeCatalogue(name);
        const QString host = answers || !tlsKeys.isEmpty() ? s.server : QStringLiteral("127.0.0.1:1");
        WindowFixture f;
        f.writeSettings(s.connectSettings(host, name) + tlsKeys);
        QStringList boxes;
        f.platform.onModal = [&boxes](QDialog &dialog) {
            auto &d = static_cast<TSetupForm &>(dialog);
            boxes << d.edHost->text() << d.edUser->text() << d.edPass->text() << d.cbDatabase->currentText();
            d.close();
            return d.result();
        };
        TMainForm &w = f.start();
        QCOMPARE(store::process().ConnectFailed, !answers);
        QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("library.sdb"))));
        const QStringList filledFromTheKeys = {host, s.user, s.password, name};
        QCOMPARE(boxes, answers ? QStringList() : filledFromTheKeys);
        QTRY_COMPARE(w.isVisible(), answers);
        QCOMPARE(f.platform.messageTexts(), QStringList{});
        QCOMPARE(f.db().MyServer.tlsCipher().isEmpty(), !answers);
    }

    // A file catalogue's backup read back from the menu into the server catalogue, which is kept
    // as it was in the backup folder first.
    void aFileCatalogueMovesToTheServerThroughABackup()
    {
        Server s;
        REQUIRE_TEST_SERVER(s);
        const QString name = s.name(QStringLiteral("lib_setup_%1_moved"));
        s.makeCatalogue(name);
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("copy.sql"));
        {
            data::Connection file;
            file.setDatabase(dir.filePath(QStringLiteral("library.sdb")));
            file.open();
            store::ensureCatalogueSchema(file);
            file.runStatement(QStringLiteral("INSERT INTO books (id, inv_num, title, itemkind_id) VALUES (1, 7, 'Война и мир', 1)"));
            data::ScriptDump(&file).BackupToScript(copy);
        }
        WindowFixture f;
        f.writeSettings(s.connectSettings(s.server, name));
        TMainForm &w = f.start();
        f.platform.fileAnswer = copy;
        w.miRestoreClick();
        QCOMPARE(f.platform.messages.size(), 2); // the question, then the rows read
        QVERIFY(f.platform.messages[1].text.startsWith(QStringLiteral("Каталог восстановлен")));
        const QStringList kept = QDir(f.path(QStringLiteral("Backup"))).entryList({"library-before-restore-*.sql"});
        QCOMPARE(kept.size(), 1);
        QVERIFY(f.platform.messages[1].text.contains(kept.first()));
        QVERIFY(readAll(f.path(QStringLiteral("Backup/")) + kept.first()).startsWith("-- LibraryStore version: "));
        QCOMPARE(w.sbStatusCount->text(), QStringLiteral("Кол-во записей: 1"));
        QCOMPARE(f.db().MyBooks.fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Война и мир"));
    }
};

QTEST_MAIN(ServerSetupTest)
#include "test_serversetup.moc"
