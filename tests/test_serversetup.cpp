// The server settings dialog against a running server: the list of databases, a database made
// from a typed name, one picked from the list, a refused password; and start-up on a server
// catalogue, named in the settings file or set up through the dialog.
#include "SetupFormFixture.h"
#include "TestServer.h"
#include "WindowFixture.h"

#include "IniFile.h"
#include "ScriptDump.h"
#include "ServerDatabase.h"

#include <QLabel>
#include <QPushButton>

namespace {

// Databases made by one test on the test server, dropped when it ends.
struct ServerDatabases {
    TestServer server = TestServer::find();
    QStringList made;

    ~ServerDatabases()
    {
        for (const QString &name : made) {
            try {
                run(QStringLiteral("DROP DATABASE IF EXISTS ") + setup::quotedDatabaseName(name));
            } catch (const store::StoreError &e) {
                qWarning("%s left on the test server: %s", qPrintable(name), qPrintable(e.message()));
            }
        }
    }

    // A name no other run uses; "%1" in the pattern takes the process id.
    QString name(const QString &pattern)
    {
        made << pattern.arg(QCoreApplication::applicationPid());
        return made.last();
    }

    void run(const QString &sql, const QString &database = {}) const
    {
        store::Connection c;
        server.configure(c, database);
        c.open();
        c.runStatement(sql);
    }

    QStringList tablesOf(const QString &database) const
    {
        store::Connection c;
        server.configure(c, database);
        c.open();
        QStringList tables = c.tableNames();
        tables.sort();
        return tables;
    }

    // A catalogue made as the dialog makes it.
    void makeCatalogue(const QString &database) const
    {
        run(setup::createDatabaseStatement(database));
        store::Connection c;
        server.configure(c, database);
        c.open();
        store::ScriptDump(&c).RunScriptFile(installScript());
    }

    void fill(TSetupForm &d, const QString &password = {}) const
    {
        d.edHost->setText(server.server);
        d.edUser->setText(server.user);
        d.edPass->setText(password.isEmpty() ? server.password : password);
    }

    static QString installScript() { return QFINDTESTDATA("../resources/install_db.sql"); }
};

const QStringList CatalogueTables = {"books", "categories", "keywords", "orders", "settings", "v_itemkind"};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray scriptBytes()
{
    return readAll(ServerDatabases::installScript());
}

// The lines of section MySQL, in the file's order.
QStringList serverKeys(const QString &iniFile)
{
    const QStringList lines = QString::fromLatin1(readAll(iniFile)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    const qsizetype at = lines.indexOf(QStringLiteral("[MySQL]"));
    if (at < 0)
        return {};
    QStringList keys;
    for (qsizetype i = at + 1; i < lines.size() && !lines[i].startsWith(u'['); ++i)
        keys << lines[i];
    return keys;
}

} // namespace

class ServerSetupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Библиотека")); }

    // Entering the box lists the server's databases; a pick survives another entry while the
    // server has it, and an edit makes the name a typed one again.
    void listOfTheServersDatabases()
    {
        ServerDatabases s;
        REQUIRE_TEST_SERVER(s.server);
        const QString existing = s.name(QStringLiteral("lib_setup_%1_listed"));
        s.run(setup::createDatabaseStatement(existing));
        SetupFormFixture f;
        TSetupForm &d = f.form;
        QVERIFY(f.showActive());
        s.fill(d);
        d.cbDatabase->setEditText(QStringLiteral("typed"));
        d.cbDatabase->setFocus(Qt::MouseFocusReason);
        QStringList items;
        for (int i = 0; i < d.cbDatabase->count(); ++i)
            items << d.cbDatabase->itemText(i);
        QVERIFY2(items.contains(existing) && items.contains(QStringLiteral("mysql")), qPrintable(items.join(u' ')));
        QCOMPARE(d.cbDatabase->currentText(), QStringLiteral("typed"));
        QVERIFY(!d.namePicked());

        pickDatabaseName(d, existing);
        QVERIFY(d.namePicked());
        d.edHost->setFocus(Qt::TabFocusReason);
        d.cbDatabase->setFocus(Qt::BacktabFocusReason);
        QVERIFY(d.namePicked());
        QCOMPARE(d.cbDatabase->currentText(), existing);
        QTest::keyClick(d.cbDatabase->lineEdit(), Qt::Key_End);
        QTest::keyClick(d.cbDatabase->lineEdit(), Qt::Key_Backspace);
        QVERIFY(!d.namePicked());
        QCOMPARE(f.shown(), QStringList{});
    }

    void okWithATypedName_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::newRow("plain") << QStringLiteral("lib_setup_%1_new");
        QTest::newRow("a quote and a blank") << QStringLiteral("lib setup'%1");
        QTest::newRow("a backtick") << QStringLiteral("lib`setup%1");
    }
    void okWithATypedName()
    {
        QFETCH(QString, pattern);
        ServerDatabases s;
        REQUIRE_TEST_SERVER(s.server);
        const QString name = s.name(pattern);
        SetupFormFixture f;
        QVERIFY(f.placeInstallScript(scriptBytes()));
        TSetupForm &d = f.form;
        d.show();
        s.fill(d);
        typeDatabaseName(d, name);
        d.btnOk->click();

        QCOMPARE(f.shown(), QStringList{});
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(f.conn.isOpen());
        QCOMPARE(f.conn.database(), name);
        QCOMPARE(s.tablesOf(name), CatalogueTables);
        QStringList onTheDialogsConnection = f.conn.tableNames();
        onTheDialogsConnection.sort();
        QCOMPARE(onTheDialogsConnection, CatalogueTables);
    }

    void okWithAPickedName()
    {
        ServerDatabases s;
        REQUIRE_TEST_SERVER(s.server);
        const QString name = s.name(QStringLiteral("lib_setup_%1_picked"));
        s.run(setup::createDatabaseStatement(name));
        s.run(QStringLiteral("CREATE TABLE marker (id INT)"), name);
        SetupFormFixture f;
        QVERIFY(f.placeInstallScript(scriptBytes()));
        TSetupForm &d = f.form;
        d.show();
        s.fill(d);
        d.cbDatabaseEnter();
        pickDatabaseName(d, name);
        d.btnOk->click();

        QCOMPARE(f.shown(), QStringList{});
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(f.conn.isOpen());
        QCOMPARE(f.conn.database(), name);
        QCOMPARE(s.tablesOf(name), QStringList{QStringLiteral("marker")}); // no statement, no script
    }

    void aWrongPasswordIsReportedAndTheDialogStays()
    {
        ServerDatabases s;
        REQUIRE_TEST_SERVER(s.server);
        const QString name = s.name(QStringLiteral("lib_setup_%1_refused"));
        SetupFormFixture f;
        QVERIFY(f.placeInstallScript(scriptBytes()));
        TSetupForm &d = f.form;
        QVERIFY(f.showActive());
        s.fill(d, QStringLiteral("wrong") + s.server.password);
        d.cbDatabase->setFocus(Qt::TabFocusReason);
        QCOMPARE(f.shown(), QStringList{ConnectionError});
        QCOMPARE(d.cbDatabase->count(), 0);

        typeDatabaseName(d, name);
        d.btnOk->click();
        QCOMPARE(f.platform.messages.size(), 2);
        QCOMPARE(f.platform.messages[1].caption, QStringLiteral("Библиотека"));
        QCOMPARE(f.platform.messages[1].icon, ui::MsgIcon::Error);
        QVERIFY(!f.conn.isOpen());
        QVERIFY(d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(!s.tablesOf(QString()).contains(name));
    }

    // A catalogue file that cannot be opened, and the dialog makes a catalogue on the server: the
    // program runs on it, the settings keep where it is, and the exit-time copy is a script.
    void unopenableFileThenAServerCatalogue()
    {
        ServerDatabases s;
        REQUIRE_TEST_SERVER(s.server);
        const QString name = s.name(QStringLiteral("lib_setup_%1_start"));
        WindowFixture f;
        f.writeSettings("[General]\r\nAutoAdminLogon=1\r\n");
        QFile notADatabase(f.path(QStringLiteral("library.sdb")));
        QVERIFY(notADatabase.open(QIODevice::WriteOnly) && notADatabase.write("не база данных") > 0);
        notADatabase.close();
        QVERIFY(QFile::copy(ServerDatabases::installScript(), f.path(QStringLiteral("install_db.sql"))));
        f.platform.onModal = [&](QDialog &dialog) {
            auto &d = static_cast<TSetupForm &>(dialog);
            s.fill(d);
            typeDatabaseName(d, name);
            d.btnOk->click();
            return d.result();
        };
        TMainForm &w = f.start();

        QCOMPARE(f.platform.modalDialogs, QStringList{QStringLiteral("SetupForm")});
        QCOMPARE(f.platform.messageTexts(), QStringList{});
        QVERIFY(!store::process().ConnectFailed);
        const QString ini = f.path(QStringLiteral("library.ini"));
        QCOMPARE(serverKeys(ini), (QStringList{"hostname=" + s.server.server, "username=" + s.server.user,
                                               "password=" + s.server.password, "database=" + name}));
        QVERIFY(!(QFile::permissions(ini) & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther)));
        QVERIFY(w.isVisible());
        QVERIFY2(w.sbStatusCount->text().startsWith(QStringLiteral("Кол-во записей: ")), qPrintable(w.sbStatusCount->text()));

        w.close();
        f.program.finish();
        QVERIFY(readAll(f.path(QStringLiteral("Backup/library.sql"))).startsWith("-- LibraryStore version: "));
        QVERIFY(!QFileInfo::exists(f.path(QStringLiteral("Backup/library.sdb"))));
    }

    // Connect=1: the four keys name the catalogue; one that does not answer brings up the dialog
    // filled from them.
    void startOnTheServerNamedInTheSettings_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::newRow("the server answers") << true;
        QTest::newRow("no server there") << false;
    }
    void startOnTheServerNamedInTheSettings()
    {
        QFETCH(bool, answers);
        ServerDatabases s;
        REQUIRE_TEST_SERVER(s.server);
        const QString name = s.name(QStringLiteral("lib_setup_%1_connect"));
        s.makeCatalogue(name);
        const QString host = answers ? s.server.server : QStringLiteral("127.0.0.1:1");
        WindowFixture f;
        f.writeSettings(("[General]\r\nAutoAdminLogon=1\r\n[MySQL]\r\nConnect=1\r\nhostname=" + host + "\r\nusername=" +
                         s.server.user + "\r\npassword=" + s.server.password + "\r\ndatabase=" + name + "\r\n")
                            .toUtf8());
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
        if (answers) {
            QCOMPARE(f.platform.modalDialogs, QStringList{});
            QCOMPARE(f.db().MyServer.providerName(), QStringLiteral("MySQL"));
            QCOMPARE(f.db().MyServer.database(), name);
            QVERIFY(w.isVisible());
            QCOMPARE(w.sbStatusCount->text(), QStringLiteral("Кол-во записей: 0"));
        } else {
            QCOMPARE(f.platform.modalDialogs, QStringList{QStringLiteral("SetupForm")});
            QCOMPARE(boxes, (QStringList{host, s.server.user, s.server.password, name}));
            QTRY_VERIFY(!w.isVisible());
        }
        QCOMPARE(f.platform.messageTexts(), QStringList{});
    }
};

QTEST_MAIN(ServerSetupTest)
#include "test_serversetup.moc"
