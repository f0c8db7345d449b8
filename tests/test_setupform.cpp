// The server settings dialog where no server answers, the quoting of a typed database name, and
// the settings file, which is its owner's alone once it holds a password.
#include "SetupFormFixture.h"

#include "IniFile.h"
#include "ServerDatabase.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <sys/stat.h>

namespace {
// Nothing listens on port 1 here: a connection to it is refused at once.
const QString Unreachable = QStringLiteral("127.0.0.1:1");
QString focused() { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); }
} // namespace

class SetupFormTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { umask(022); }

    // The controls, their filling from the connection, the tab order; entering the database box
    // with a server that does not answer warns once per entry, not when focus comes back.
    void controlsTabOrderAndTheWarningOnEntry()
    {
        SetupFormFixture f;
        TSetupForm &d = f.form;
        f.conn.setServerName(Unreachable);
        f.conn.setUserName(QStringLiteral("librarian"));
        f.conn.setPassword(QStringLiteral("пароль 1"));
        f.conn.setDatabase(QStringLiteral("каталог"));
        QVERIFY(f.showActive());
        QCOMPARE(d.windowTitle(), QStringLiteral("Настройте параметры MySQL"));
        QStringList rows;
        for (QLabel *l : {d.lblHost, d.lblUser, d.lblPass, d.lblDatabase})
            rows << l->text() + u'=' + l->buddy()->objectName();
        QCOMPARE(rows, (QStringList{"Сервер=edHost", "Пользователь=edUser", "Пароль=edPass", "База данных=cbDatabase"}));
        QCOMPARE(d.edUser->toolTip(), QStringLiteral("Пользователь с правами доступа к нужной базе данных"));
        QCOMPARE(d.cbDatabase->toolTip(), QStringLiteral("Укажите название базы данных (если не существует, то будет создана)"));
        QCOMPARE(d.edPass->echoMode(), QLineEdit::Normal);
        QCOMPARE(d.btnOk->text(), QStringLiteral("ОК"));
        QCOMPARE(d.minimumSize(), d.maximumSize());
        QCOMPARE(d.frameGeometry().center(), d.screen()->availableGeometry().center());
        QCOMPARE((QStringList{d.edHost->text(), d.edUser->text(), d.edPass->text(), d.cbDatabase->currentText()}),
                 (QStringList{Unreachable, "librarian", "пароль 1", "каталог"}));

        QStringList order{focused()};
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << focused();
        }
        QCOMPARE(order, (QStringList{"edHost", "edUser", "edPass", "cbDatabase", "btnOk"}));
        QVERIFY2(f.shownConnectionWarning(), qPrintable(f.shown().join(u'|')));
        QCOMPARE(f.conn.providerName() + u' ' + f.conn.serverName() + u' ' + f.conn.database(), "MySQL " + Unreachable + u' ');
        QCOMPARE(d.cbDatabase->currentText(), QStringLiteral("каталог"));
        QTest::keyClick(d.btnOk, Qt::Key_Backtab);
        QCOMPARE(f.shown().size(), 2);
        QWidget other;
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(focused(), QStringLiteral("cbDatabase"));
        QCOMPARE(f.shown().size(), 2);
        QVERIFY(d.isVisible());
    }

    void okWithoutAName()
    {
        SetupFormFixture f;
        f.form.show();
        f.form.cbDatabase->setEditText(QString());
        f.form.btnOk->click();
        QCOMPARE(f.shown(), QStringList{"[icon 0] Внимание: Необходимо указать название базы данных"});
        QCOMPARE(f.conn.providerName(), QStringLiteral("SQLite")); // nothing set, nothing sent
        QCOMPARE(f.form.result(), int(QDialog::Rejected));
    }

    // What OK says when the server does not answer, by how the name came into the box; the
    // dialog stays open for another try.
    void okWhenTheServerDoesNotAnswer_data()
    {
        QTest::addColumn<bool>("picked");
        QTest::addColumn<bool>("script");
        QTest::addColumn<QString>("shown"); // how the one box shown begins; "@" stands for the application's error box
        QTest::newRow("typed, no creation script") << false << false << "@Не найден сценарий создания базы данных";
        QTest::newRow("typed, creation script beside the program") << false << true << "@Не удается подключиться";
        QTest::newRow("picked from the list") << true << false << ConnectionError;
    }
    void okWhenTheServerDoesNotAnswer()
    {
        QFETCH(bool, picked);
        QFETCH(bool, script);
        QFETCH(QString, shown);
        SetupFormFixture f;
        if (script)
            QVERIFY(f.placeInstallScript(QStringLiteral(LIBRARY_SOURCE_DIR "/resources/install_db.sql")));
        TSetupForm &d = f.form;
        d.show();
        d.edHost->setText(Unreachable);
        d.cbDatabase->addItems({QStringLiteral("first"), QStringLiteral("library")});
        picked ? pickDatabaseName(d, QStringLiteral("library")) : typeDatabaseName(d, QStringLiteral("library"));
        QCOMPARE(d.namePicked(), picked);
        d.btnOk->click();
        const QStringList boxes = f.shown();
        QCOMPARE(boxes.size(), 1);
        shown.replace(u'@', "[icon 4] " + QApplication::applicationName() + ": ");
        QVERIFY2(boxes[0].startsWith(shown), qPrintable(boxes[0]));
        QVERIFY(!f.conn.isOpen());
        QVERIFY(d.isVisible());
    }

    void databaseNameQuoting_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("quoted");
        QTest::newRow("plain") << "library" << "`library`";
        QTest::newRow("a quote and a blank") << "lib 'a'" << "`lib 'a'`";
        QTest::newRow("a statement smuggled in") << "x`; DROP DATABASE mysql; -- " << "`x``; DROP DATABASE mysql; -- `";
    }
    void databaseNameQuoting()
    {
        QFETCH(QString, name);
        QFETCH(QString, quoted);
        QCOMPARE(setup::createDatabaseStatement(name), "CREATE DATABASE IF NOT EXISTS " + quoted + " CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin;");
        QCOMPARE(setup::useDatabaseStatement(name), "USE " + quoted + u';');
    }

    void settingsFileWithAPasswordIsTheOwnersAlone_data()
    {
        QTest::addColumn<QByteArray>("before"); // empty: no file
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("ownerOnly");
        QTest::newRow("the server's password") << QByteArray() << "password" << "секрет" << true;
        QTest::newRow("another key") << QByteArray() << "hostname" << "db" << false;
        QTest::newRow("an empty password") << QByteArray() << "password" << "" << false;
        QTest::newRow("a password set by hand") << QByteArray("[MySQL]\r\npassword=x\r\n") << "hostname" << "db" << true;
    }
    void settingsFileWithAPasswordIsTheOwnersAlone()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, ownerOnly);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("library.ini"));
        const QFile::Permissions readable = QFile::ReadGroup | QFile::ReadOther;
        QFile file(path);
        if (!before.isEmpty())
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(before) && file.setPermissions(file.permissions() | readable));
        file.close();
        store::IniFile ini(path);
        QVERIFY(ini.writeString(QStringLiteral("MySQL"), key, value));
        QVERIFY(ini.writeBool(QStringLiteral("General"), QStringLiteral("IsMaximized"), true)); // a later write
        const QFile::Permissions others = readable | QFile::WriteGroup | QFile::WriteOther;
        QCOMPARE(int(QFile::permissions(path) & others), ownerOnly ? 0 : int(readable));
        QCOMPARE(ini.readString(QStringLiteral("MySQL"), key, QStringLiteral("-")), value);
    }
};

QTEST_MAIN(SetupFormTest)
#include "test_setupform.moc"
