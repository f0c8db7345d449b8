// The server settings dialog where no server answers: its controls, what it fills in and what it
// refuses; how start-up offers it; the quoting of a typed database name; and the settings file,
// which is the owner's alone once it holds a password.
#include "SetupFormFixture.h"
#include "WindowFixture.h"

#include "IniFile.h"
#include "ServerDatabase.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <sys/stat.h>

namespace {

// Nothing listens on port 1 here: a connection to it is refused at once.
const QString Unreachable = QStringLiteral("127.0.0.1:1");

QString focusedName() { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); }

} // namespace

class SetupFormTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { umask(022); }

    void controlsAsDescribed()
    {
        SetupFormFixture f;
        TSetupForm &d = f.form;
        QCOMPARE(d.windowTitle(), QStringLiteral("Настройте параметры MySQL"));
        const std::pair<QLabel *, QWidget *> rows[] = {
            {d.lblHost, d.edHost}, {d.lblUser, d.edUser}, {d.lblPass, d.edPass}, {d.lblDatabase, d.cbDatabase}};
        QStringList labels;
        for (const auto &[label, control] : rows) {
            labels << label->text();
            QCOMPARE(label->buddy(), control);
        }
        QCOMPARE(labels, (QStringList{"Сервер", "Пользователь", "Пароль", "База данных"}));
        QCOMPARE(d.edUser->toolTip(), QStringLiteral("Пользователь с правами доступа к нужной базе данных"));
        QCOMPARE(d.cbDatabase->toolTip(),
                 QStringLiteral("Укажите название базы данных (если не существует, то будет создана)"));
        QCOMPARE(d.edHost->toolTip(), QString());
        QCOMPARE(d.edPass->echoMode(), QLineEdit::Normal);
        QVERIFY(d.cbDatabase->isEditable());
        QCOMPARE(d.btnOk->text(), QStringLiteral("ОК"));
        QCOMPARE(d.minimumSize(), d.maximumSize());

        QVERIFY(f.showActive());
        QCOMPARE(d.frameGeometry().center(), d.screen()->availableGeometry().center());
    }

    // Tabbing through the dialog; entering the database box with a server that does not answer
    // says so once per entry, and the dialog stays as it was.
    void tabOrderAndTheWarningOnEntry()
    {
        SetupFormFixture f;
        TSetupForm &d = f.form;
        QVERIFY(f.showActive());
        d.edHost->setText(Unreachable);
        d.edUser->setText(QStringLiteral("reader"));
        d.cbDatabase->setEditText(QStringLiteral("library"));
        d.edHost->setFocus(Qt::TabFocusReason);
        QStringList order{focusedName()};
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << focusedName();
        }
        QCOMPARE(order, (QStringList{"edHost", "edUser", "edPass", "cbDatabase", "btnOk"}));
        QCOMPARE(f.shown(), QStringList{ConnectionError});
        QCOMPARE(f.conn.providerName(), QStringLiteral("MySQL"));
        QCOMPARE(f.conn.serverName(), Unreachable);
        QCOMPARE(f.conn.userName(), QStringLiteral("reader"));
        QCOMPARE(f.conn.database(), QString());
        QCOMPARE(d.cbDatabase->currentText(), QStringLiteral("library"));

        QTest::keyClick(d.btnOk, Qt::Key_Backtab);
        QCOMPARE(focusedName(), QStringLiteral("cbDatabase"));
        QCOMPARE(f.shown().size(), 2);

        // Coming back from another window is no new entry.
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(focusedName(), QStringLiteral("cbDatabase"));
        QCOMPARE(f.shown().size(), 2);
        QVERIFY(d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
    }

    void showingFillsTheBoxesFromTheConnection()
    {
        SetupFormFixture f;
        f.conn.setServerName(QStringLiteral("db.example:3307"));
        f.conn.setUserName(QStringLiteral("librarian"));
        f.conn.setPassword(QStringLiteral("пароль 1"));
        f.conn.setDatabase(QStringLiteral("каталог"));
        f.form.show();
        QCOMPARE(f.form.edHost->text(), QStringLiteral("db.example:3307"));
        QCOMPARE(f.form.edUser->text(), QStringLiteral("librarian"));
        QCOMPARE(f.form.edPass->text(), QStringLiteral("пароль 1"));
        QCOMPARE(f.form.cbDatabase->currentText(), QStringLiteral("каталог"));
        QVERIFY(f.platform.messages.isEmpty());
    }

    void okWithoutAName()
    {
        SetupFormFixture f;
        f.form.show();
        f.form.edHost->setText(Unreachable);
        f.form.btnOk->click();
        QCOMPARE(f.shown(), QStringList{"[icon 0] Внимание: Необходимо указать название базы данных"});
        QCOMPARE(f.conn.serverName(), QString()); // nothing was set or sent
        QCOMPARE(f.conn.providerName(), QStringLiteral("SQLite"));
        QCOMPARE(f.form.result(), int(QDialog::Rejected));
    }

    // What OK says when the server does not answer, by how the name came into the box.
    void okWhenTheServerDoesNotAnswer_data()
    {
        QTest::addColumn<bool>("picked");
        QTest::addColumn<bool>("scriptBesideTheProgram");
        QTest::newRow("typed, no creation script") << false << false;
        QTest::newRow("typed, creation script beside the program") << false << true;
        QTest::newRow("picked from the list") << true << false;
    }
    void okWhenTheServerDoesNotAnswer()
    {
        QFETCH(bool, picked);
        QFETCH(bool, scriptBesideTheProgram);
        SetupFormFixture f;
        if (scriptBesideTheProgram)
            QVERIFY(f.placeInstallScript("CREATE TABLE t (id INT);\r\n"));
        TSetupForm &d = f.form;
        d.show();
        d.edHost->setText(Unreachable);
        if (picked) {
            d.cbDatabase->addItems({QStringLiteral("first"), QStringLiteral("library")});
            pickDatabaseName(d, QStringLiteral("library"));
        } else {
            typeDatabaseName(d, QStringLiteral("library"));
        }
        QCOMPARE(d.namePicked(), picked);
        d.btnOk->click();

        QCOMPARE(f.platform.messages.size(), 1);
        const auto &m = f.platform.messages.first();
        if (picked) {
            QCOMPARE(f.shown(), QStringList{ConnectionError});
        } else {
            QCOMPARE(m.caption, QApplication::applicationName()); // the application's error box
            QCOMPARE(m.icon, ui::MsgIcon::Error);
            if (scriptBesideTheProgram)
                QVERIFY2(!m.text.isEmpty() && !m.text.startsWith(QStringLiteral("Не найден")), qPrintable(m.text));
            else
                QCOMPARE(m.text, setup::missingInstallScriptMessage() + u'.');
        }
        QVERIFY(!f.conn.isOpen());
        QVERIFY(d.isVisible());
        QCOMPARE(d.result(), int(QDialog::Rejected));
    }

    // A catalogue file that cannot be opened brings up the dialog, filled from the connection;
    // closing it ends the program at the main window's first show.
    void unopenableCatalogueOffersTheDialog()
    {
        WindowFixture f;
        f.writeSettings("[General]\r\nAutoAdminLogon=1\r\n");
        QFile notADatabase(f.path(QStringLiteral("library.sdb")));
        QVERIFY(notADatabase.open(QIODevice::WriteOnly));
        notADatabase.write("это не база данных");
        notADatabase.close();
        QStringList boxes;
        f.platform.onModal = [&boxes](QDialog &dialog) {
            auto &d = static_cast<TSetupForm &>(dialog);
            boxes << d.edHost->text() << d.edUser->text() << d.edPass->text() << d.cbDatabase->currentText();
            d.close(); // the close box
            return d.result();
        };
        TMainForm &w = f.start();
        QCOMPARE(f.platform.modalDialogs, QStringList{QStringLiteral("SetupForm")});
        QCOMPARE(boxes, (QStringList{QString(), QString(), QString(), f.dir.path() + QStringLiteral("//library.sdb")}));
        QVERIFY(store::process().ConnectFailed);
        QVERIFY(!f.program.SetupForm);
        QTRY_VERIFY(!w.isVisible());
        QVERIFY(f.platform.messages.isEmpty());
        QCOMPARE(store::IniFile(f.path(QStringLiteral("library.ini")))
                     .readString(QStringLiteral("MySQL"), QStringLiteral("hostname"), QStringLiteral("-")),
                 QStringLiteral("-"));
    }

    void databaseNameQuoting_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("create");
        QTest::newRow("plain") << "library" << "CREATE DATABASE IF NOT EXISTS `library`;";
        QTest::newRow("a quote and a blank") << "lib 'a'" << "CREATE DATABASE IF NOT EXISTS `lib 'a'`;";
        QTest::newRow("Cyrillic") << "Каталог" << "CREATE DATABASE IF NOT EXISTS `Каталог`;";
        QTest::newRow("a statement smuggled in")
            << "x`; DROP DATABASE mysql; -- " << "CREATE DATABASE IF NOT EXISTS `x``; DROP DATABASE mysql; -- `;";
        QTest::newRow("backticks only") << "``" << "CREATE DATABASE IF NOT EXISTS ``````;";
    }
    void databaseNameQuoting()
    {
        QFETCH(QString, name);
        QFETCH(QString, create);
        QCOMPARE(setup::createDatabaseStatement(name), create);
        QCOMPARE(setup::useDatabaseStatement(name), QStringLiteral("USE ") + create.mid(30));
    }

    void settingsFileWithAPasswordIsTheOwnersAlone_data()
    {
        QTest::addColumn<QByteArray>("before"); // "-": no file
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("ownerOnly");
        QTest::newRow("new file, the server's password") << QByteArray("-") << "password" << "секрет" << true;
        QTest::newRow("new file, another key") << QByteArray("-") << "hostname" << "db" << false;
        QTest::newRow("an empty password") << QByteArray("-") << "password" << "" << false;
        QTest::newRow("a password set by hand, another key written")
            << QByteArray("[MySQL]\r\nConnect=1\r\npassword=x\r\n") << "hostname" << "db" << true;
    }
    void settingsFileWithAPasswordIsTheOwnersAlone()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, ownerOnly);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("library.ini"));
        if (before != "-") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(before);
            f.close();
            QVERIFY(f.setPermissions(f.permissions() | QFile::ReadOther | QFile::ReadGroup));
        }
        store::IniFile ini(path);
        QVERIFY(ini.writeString(QStringLiteral("MySQL"), key, value));
        QVERIFY(ini.writeBool(QStringLiteral("General"), QStringLiteral("IsMaximized"), true)); // a later write
        const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                          QFile::WriteOther | QFile::ExeOther;
        const QFile::Permissions mode = QFile::permissions(path);
        QVERIFY(mode.testFlags(QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(!(mode & others), ownerOnly);
        QCOMPARE(ini.readString(QStringLiteral("MySQL"), key, QStringLiteral("-")), value);
    }
};

QTEST_MAIN(SetupFormTest)
#include "test_setupform.moc"
