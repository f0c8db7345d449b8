// The two access modes as the librarian meets them: signing in, what view mode keeps out of
// reach, and changing the edit-mode password.
#include "WindowFixture.h"

#include "DatasetModel.h"
#include "MainGridView.h"
#include "data/DataError.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QToolButton>
#include <QtTest>

namespace {

const QString WrongPassword = QStringLiteral("Пароль не верен");

// Puts a password into the catalogue the way an earlier run would have left it.
void storePassword(WindowFixture &f, const QString &password)
{
    f.db().MyServer.runStatement(QStringLiteral("UPDATE settings SET value = ? WHERE name = 'password'"), {password});
}

QString storedPassword(WindowFixture &f)
{
    data::Dataset query(&f.db().MyServer);
    query.setSql(QStringLiteral("SELECT value FROM settings WHERE name = 'password'"));
    query.open();
    return query.field(0).asString();
}

int countOf(WindowFixture &f, const QString &sql)
{
    data::Dataset query(&f.db().MyServer);
    query.setSql(sql);
    query.open();
    return int(query.field(0).asInteger());
}

// AutoAdminLogon=1 in the settings, then the program's objects: the run will be in edit mode.
void createForEditMode(WindowFixture &f)
{
    f.writeSettings("[General]\r\nAutoAdminLogon=1\r\n");
    f.create();
}

// Answers the sign-in dialog as the librarian does: "редактирование", the password, OK.
std::function<int(QDialog &)> signIn(const QString &password)
{
    return [password](QDialog &dialog) {
        auto &login = dynamic_cast<TLoginForm &>(dialog);
        login.rbEdit->click();
        login.edPassword->setText(password);
        login.btnOKClick();
        return login.result();
    };
}

// Ends the run as the program does (window closed, then the data module's end) and prepares a
// new run in the same folder with the given settings; the caller starts it.
void endRun(WindowFixture &f, const QByteArray &settings)
{
    f.form().close();
    f.program.finish();
    f.program.destroy();
    store::resetProcess();
    f.platform.messages.clear();
    f.platform.modalDialogs.clear();
    f.writeSettings(settings);
}

QString readOnlyErrorOf(const std::function<void()> &change)
{
    try {
        change();
    } catch (const data::DataError &e) {
        return e.message();
    }
    return {};
}

} // namespace

class AccessModesTest : public QObject {
    Q_OBJECT
private slots:
    void autoLogonStartsInEditModeWithoutAsking()
    {
        WindowFixture f;
        f.makeDemoCatalogue(40);
        createForEditMode(f);
        storePassword(f, QStringLiteral("Секрет"));
        TMainForm &w = f.start();

        QVERIFY(f.platform.modalDialogs.isEmpty());
        QVERIFY(!store::process().ViewOnly);
        QVERIFY(!f.db().MyBooks.readOnly());
        QCOMPARE(w.tcKinds->tabText(w.tcKinds->count() - 1), QStringLiteral("Добавить"));
        QVERIFY(w.miSetup->menuAction()->isEnabled());
        QVERIFY(w.miPassword->isEnabled());
        QVERIFY(w.miChangeKind->menuAction()->isEnabled());
        QVERIFY(w.N8->isEnabled());
        QVERIFY(w.N9->isEnabled());
        QVERIFY(!w.edAnnotation->isReadOnly());

        // A record can be changed.
        data::Dataset &books = f.db().MyBooks;
        books.edit();
        books.fieldByName(QStringLiteral("notes")).setValue(QStringLiteral("проверено"));
        books.post();
        QCOMPARE(books.fieldByName(QStringLiteral("notes")).asString(), QStringLiteral("проверено"));
    }

    void choosingEditRevealsThePasswordRow()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        struct Seen {
            bool viewFirst = false, rowHiddenFirst = false, masked = false;
            int heightFirst = 0;
            bool rowShownForEdit = false;
            int heightForEdit = 0;
            bool rowHiddenAgain = false;
            int heightAgain = 0;
        } seen;
        f.platform.onModal = [&seen](QDialog &dialog) {
            auto &login = dynamic_cast<TLoginForm &>(dialog);
            seen.viewFirst = login.rbView->isChecked() && !login.rbEdit->isChecked();
            seen.rowHiddenFirst = !login.edPassword->isVisible() && !login.lblPassword->isVisible();
            seen.heightFirst = login.height();
            login.rbEdit->click();
            seen.rowShownForEdit = login.edPassword->isVisible() && login.lblPassword->isVisible();
            seen.heightForEdit = login.height();
            seen.masked = login.edPassword->echoMode() == QLineEdit::Password;
            login.rbView->click();
            seen.rowHiddenAgain = !login.edPassword->isVisible() && !login.lblPassword->isVisible();
            seen.heightAgain = login.height();
            return int(QDialog::Rejected);
        };
        f.start();

        QCOMPARE(f.platform.modalDialogs, QStringList{QStringLiteral("LoginForm")});
        QVERIFY(seen.viewFirst);
        QVERIFY(seen.rowHiddenFirst);
        QCOMPARE(seen.heightFirst, 136);
        QVERIFY(seen.rowShownForEdit);
        QCOMPARE(seen.heightForEdit, 163);
        QVERIFY(seen.masked);
        QVERIFY(seen.rowHiddenAgain);
        QCOMPARE(seen.heightAgain, 136);
    }

    void passwordDecidesTheMode_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("the stored password") << QStringLiteral("Секрет") << QStringLiteral("Секрет") << true;
        QTest::newRow("one letter in another case") << QStringLiteral("Секрет") << QStringLiteral("секрет") << false;
        QTest::newRow("with a trailing blank") << QStringLiteral("Секрет") << QStringLiteral("Секрет ") << false;
        QTest::newRow("empty stored, empty box") << QString() << QString() << true;
        QTest::newRow("empty stored, something typed") << QString() << QStringLiteral("x") << false;
        QTest::newRow("stored, empty box") << QStringLiteral("Секрет") << QString() << false;
        QTest::newRow("text that would rewrite the query") << QStringLiteral("Секрет") << QStringLiteral("' OR '1'='1")
                                                            << false;
        QTest::newRow("stored with an apostrophe") << QStringLiteral("д'Артаньян") << QStringLiteral("д'Артаньян")
                                                    << true;
    }

    void passwordDecidesTheMode()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        WindowFixture f;
        f.makeDemoCatalogue(20);
        f.create();
        storePassword(f, stored);

        struct AfterOk {
            bool stillOpen = false, editStillChosen = false;
            QString textKept;
        } after;
        f.platform.onModal = [&after, typed](QDialog &dialog) {
            auto &login = dynamic_cast<TLoginForm &>(dialog);
            login.rbEdit->click();
            login.edPassword->setText(typed);
            login.btnOKClick();
            after.stillOpen = login.isVisible() && login.result() == 0;
            after.editStillChosen = login.rbEdit->isChecked();
            after.textKept = login.edPassword->text();
            if (after.stillOpen) {
                // Refused: the librarian gives up and goes on in view mode.
                login.rbView->click();
                login.btnOKClick();
            }
            return login.result();
        };
        TMainForm &w = f.start();

        QCOMPARE(store::process().ViewOnly, !accepted);
        QCOMPARE(f.db().MyBooks.readOnly(), !accepted);
        QCOMPARE(w.tcKinds->tabText(w.tcKinds->count() - 1) == QStringLiteral("Добавить"), accepted);
        if (accepted) {
            QVERIFY(f.platform.messages.isEmpty());
            QVERIFY(!after.stillOpen);
            return;
        }
        QCOMPARE(f.platform.messages.size(), 1);
        const RecordingPlatform::Message &m = f.platform.messages.first();
        QCOMPARE(m.text, WrongPassword);
        QCOMPARE(m.caption, QStringLiteral("Ошибка"));
        QCOMPARE(m.icon, ui::MsgIcon::None);
        QCOMPARE(m.buttons, int(ui::Ok));
        QVERIFY(after.stillOpen);
        QVERIFY(after.editStillChosen);
        QCOMPARE(after.textKept, typed);
        // Nothing the text said reached the stored password.
        QCOMPARE(storedPassword(f), stored);
    }

    void refusedPasswordCanBeRetried()
    {
        WindowFixture f;
        f.makeDemoCatalogue(20);
        f.create();
        storePassword(f, QStringLiteral("Секрет"));
        f.platform.onModal = [](QDialog &dialog) {
            auto &login = dynamic_cast<TLoginForm &>(dialog);
            login.rbEdit->click();
            login.edPassword->setText(QStringLiteral("СЕКРЕТ"));
            login.btnOKClick();
            login.edPassword->setText(QStringLiteral("Секрет"));
            login.btnOKClick();
            return login.result();
        };
        f.start();

        QCOMPARE(f.platform.messageTexts(), QStringList{WrongPassword});
        QVERIFY(!store::process().ViewOnly);
    }

    void viewChosenIsNotCheckedAgainstTheDatabase()
    {
        WindowFixture f;
        f.makeDemoCatalogue(20);
        f.create();
        storePassword(f, QStringLiteral("Секрет"));
        bool closed = false;
        f.platform.onModal = [&f, &closed](QDialog &dialog) {
            auto &login = dynamic_cast<TLoginForm &>(dialog);
            login.rbEdit->click();
            login.edPassword->setText(QStringLiteral("Секрет"));
            login.rbView->click();
            // Any look at the password now would fail with an error box.
            f.db().MyServer.runStatement(QStringLiteral("DROP TABLE settings"));
            login.btnOKClick();
            closed = !login.isVisible();
            return login.result();
        };
        f.start();

        QVERIFY(f.platform.messages.isEmpty());
        QVERIFY(closed);
        QVERIFY(store::process().ViewOnly);
    }

    void closingTheDialogGivesViewMode_data()
    {
        QTest::addColumn<bool>("useCloseBox");
        QTest::newRow("dialog dismissed untouched") << false;
        QTest::newRow("close box after typing the right password") << true;
    }

    void closingTheDialogGivesViewMode()
    {
        QFETCH(bool, useCloseBox);
        WindowFixture f;
        f.makeDemoCatalogue(20);
        f.create();
        storePassword(f, QStringLiteral("Секрет"));
        f.platform.onModal = [useCloseBox](QDialog &dialog) {
            if (!useCloseBox)
                return int(QDialog::Rejected);
            auto &login = dynamic_cast<TLoginForm &>(dialog);
            login.rbEdit->click();
            login.edPassword->setText(QStringLiteral("Секрет"));
            login.close();
            return login.result();
        };
        f.start();

        QCOMPARE(f.platform.modalDialogs, QStringList{QStringLiteral("LoginForm")});
        QVERIFY(f.platform.messages.isEmpty());
        QVERIFY(store::process().ViewOnly);
        QVERIFY(f.db().MyBooks.readOnly());
    }

    void enterKeyAnswersTheDialog_data()
    {
        QTest::addColumn<bool>("chooseEdit");
        QTest::addColumn<bool>("editMode");
        QTest::newRow("просмотр, Enter") << false << false;
        QTest::newRow("редактирование, password typed, Enter") << true << true;
    }

    void enterKeyAnswersTheDialog()
    {
        QFETCH(bool, chooseEdit);
        QFETCH(bool, editMode);
        WindowFixture f;
        f.makeDemoCatalogue(10);
        f.create();
        storePassword(f, QStringLiteral("Secret1"));
        bool passwordFocused = false;
        bool closedByEnter = false;
        f.platform.onModal = [chooseEdit, &passwordFocused, &closedByEnter](QDialog &dialog) {
            auto &login = dynamic_cast<TLoginForm &>(dialog);
            QApplication::setActiveWindow(&login);
            if (!QTest::qWaitForWindowActive(&login))
                return -1;
            if (chooseEdit) {
                login.rbEdit->click();
                passwordFocused = login.edPassword->hasFocus();
                QTest::keyClicks(login.edPassword, QStringLiteral("Secret1"));
                QTest::keyClick(login.edPassword, Qt::Key_Return);
            } else {
                QTest::keyClick(&login, Qt::Key_Return);
            }
            closedByEnter = !login.isVisible();
            return login.result();
        };
        f.start();

        QVERIFY(closedByEnter);
        QVERIFY(f.platform.messages.isEmpty());
        QCOMPARE(store::process().ViewOnly, !editMode);
        QCOMPARE(passwordFocused, chooseEdit);
    }

    void databaseErrorWhileCheckingKeepsTheDialog()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        f.create();
        bool stayed = false;
        f.platform.onModal = [&f, &stayed](QDialog &dialog) {
            auto &login = dynamic_cast<TLoginForm &>(dialog);
            f.db().MyServer.runStatement(QStringLiteral("ALTER TABLE settings RENAME TO settings_away"));
            login.rbEdit->click();
            login.btnOKClick();
            stayed = login.isVisible() && login.result() == 0;
            f.db().MyServer.runStatement(QStringLiteral("ALTER TABLE settings_away RENAME TO settings"));
            login.btnOKClick(); // the empty password now opens edit mode
            return login.result();
        };
        f.start();

        QVERIFY(stayed);
        QCOMPARE(f.platform.messages.size(), 1);
        QCOMPARE(f.platform.messages.first().icon, ui::MsgIcon::Error);
        QVERIFY2(f.platform.messages.first().text.contains(QStringLiteral("settings")),
                 qPrintable(f.platform.messages.first().text));
        QVERIFY(!store::process().ViewOnly);
    }

    void viewModeKeepsChangesOutOfReach()
    {
        WindowFixture f;
        f.makeDemoCatalogue(40);
        TMainForm &w = f.start(); // the dialog is dismissed: view mode

        QVERIFY(store::process().ViewOnly);
        QVERIFY(!w.btnNewItem->isEnabled());
        QVERIFY(!w.miNewItem->isEnabled());
        QVERIFY(!w.miBackup->isEnabled());
        QVERIFY(!w.miRestore->isEnabled());
        QVERIFY(!w.N8->isEnabled());
        QVERIFY(!w.N9->isEnabled());
        QVERIFY(!w.miSetup->isEnabled());
        QVERIFY(!w.miSetup->menuAction()->isEnabled());
        QVERIFY(!w.miChangeKind->isEnabled());
        QVERIFY(!w.miChangeKind->menuAction()->isEnabled());
        QVERIFY(w.edAnnotation->isReadOnly());

        // No tab for a new item kind.
        QCOMPARE(w.tcKinds->count(), w.KindIds.size());
        for (int i = 0; i < w.tcKinds->count(); ++i)
            QVERIFY(w.tcKinds->tabText(i) != QStringLiteral("Добавить"));

        // The catalogue refuses every change.
        data::Dataset &books = f.db().MyBooks;
        QVERIFY(books.readOnly());
        const QString readOnly = QStringLiteral("Cannot modify a read-only dataset");
        QCOMPARE(readOnlyErrorOf([&] { books.append(); }), readOnly);
        QCOMPARE(readOnlyErrorOf([&] { books.edit(); }), readOnly);
        QCOMPARE(readOnlyErrorOf([&] { books.deleteRecord(); }), readOnly);
        QCOMPARE(books.recordCount(), 40);
        QCOMPARE(countOf(f, QStringLiteral("SELECT COUNT(*) FROM books")), 40);
    }

    void deleteKeyAsksOnlyInEditMode_data()
    {
        QTest::addColumn<bool>("editMode");
        QTest::newRow("edit mode") << true;
        QTest::newRow("view mode") << false;
    }

    void deleteKeyAsksOnlyInEditMode()
    {
        QFETCH(bool, editMode);
        WindowFixture f;
        f.makeDemoCatalogue(30);
        TMainForm &w = editMode ? f.startInEditMode() : f.start();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.MainGrid->setFocus();
        f.platform.messageAnswers = {ui::No};

        QTest::keyClick(w.MainGrid, Qt::Key_Delete);

        QCOMPARE(f.platform.messages.size(), editMode ? 1 : 0);
        QCOMPARE(f.db().MyBooks.recordCount(), 30);
    }

    void viewModeStillBrowsesAndSearches()
    {
        WindowFixture f;
        f.makeDemoCatalogue(80);
        TMainForm &w = f.start();
        QVERIFY(store::process().ViewOnly);
        data::Dataset &books = f.db().MyBooks;

        // Moving through the catalogue shows each record's annotation.
        books.setRecNo(7);
        QCOMPARE(w.edAnnotation->toPlainText(), books.fieldByName(QStringLiteral("annotation")).asString());
        QCOMPARE(w.MainGrid->currentIndex().row(), 7);

        // A search by title.
        // The longest word of a title, so that it is not found in every record.
        QString word;
        const QStringList words = books.fieldByName(QStringLiteral("title")).asString().split(u' ');
        for (const QString &candidate : words) {
            QString letters;
            for (QChar c : candidate)
                if (c.isLetter())
                    letters += c.toLower();
            if (letters.size() > word.size())
                word = letters;
        }
        QVERIFY(word.size() > 3);
        w.FldBox->setCurrentIndex(1); // "Название"
        w.edSearch->setText(word);
        QTest::keyClick(w.edSearch, Qt::Key_Return);
        QVERIFY(f.platform.messages.isEmpty());
        QVERIFY(books.recordCount() > 0);
        QVERIFY(books.recordCount() < 80);
        QCOMPARE(w.sbStatusCount->text(), QStringLiteral("Кол-во записей: %1").arg(books.recordCount()));
        for (int row = 0; row < books.recordCount(); ++row)
            QVERIFY2(books.textAt(row, books.fieldIndex(QStringLiteral("title"))).toLower().contains(word),
                     qPrintable(books.textAt(row, books.fieldIndex(QStringLiteral("title")))));

        // Esc brings the whole catalogue back; the lent filter narrows it.
        QTest::keyClick(w.edSearch, Qt::Key_Escape);
        QCOMPARE(books.recordCount(), 80);
        w.chbLoaned->click();
        const int lent = countOf(f, QStringLiteral("SELECT COUNT(*) FROM books WHERE onloan = 1"));
        QVERIFY(lent > 0);
        QCOMPARE(books.recordCount(), lent);
        w.chbLoaned->click();
        QCOMPARE(books.recordCount(), 80);

        // The item-kind tabs still switch.
        QVERIFY(w.tcKinds->count() > 1);
        w.tcKinds->setCurrentIndex(1);
        const int ofKind = countOf(f, QStringLiteral("SELECT COUNT(*) FROM books WHERE itemkind_id = ") + w.KindIds[1]);
        QCOMPARE(books.recordCount(), ofKind);
        QVERIFY(f.platform.prompts.isEmpty());
    }

    void accessSettingsShowStoredPasswordMasked()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        createForEditMode(f);
        storePassword(f, QStringLiteral("Секрет"));
        TMainForm &w = f.start();

        struct Seen {
            QString text;
            bool masked = false, boxClear = false, revealed = false, maskedAgain = false;
            int result = -1;
        };
        QList<Seen> shows;
        f.platform.onModal = [&shows](QDialog &dialog) {
            auto &form = dynamic_cast<TPasswordForm &>(dialog);
            Seen s;
            s.text = form.edPassword->text();
            s.masked = form.edPassword->echoMode() == QLineEdit::Password;
            s.boxClear = !form.chbShowPass->isChecked();
            form.chbShowPass->click();
            s.revealed = form.edPassword->echoMode() == QLineEdit::Normal;
            form.chbShowPass->click();
            s.maskedAgain = form.edPassword->echoMode() == QLineEdit::Password;
            form.chbShowPass->click(); // left revealed when the dialog closes
            form.btnCancel->click();
            s.result = form.result();
            shows << s;
            return s.result;
        };
        w.miPassword->trigger();
        // Changed elsewhere meanwhile: the next showing reads it afresh, masked again.
        storePassword(f, QStringLiteral("Другой"));
        w.miPassword->trigger();

        QCOMPARE(f.platform.modalDialogs,
                 (QStringList{QStringLiteral("PasswordForm"), QStringLiteral("PasswordForm")}));
        QCOMPARE(shows.size(), 2);
        QCOMPARE(shows[0].text, QStringLiteral("Секрет"));
        QCOMPARE(shows[1].text, QStringLiteral("Другой"));
        for (const Seen &s : shows) {
            QVERIFY(s.masked);
            QVERIFY(s.boxClear);
            QVERIFY(s.revealed);
            QVERIFY(s.maskedAgain);
            QCOMPARE(s.result, int(QDialog::Rejected));
        }
        QCOMPARE(storedPassword(f), QStringLiteral("Другой"));
    }

    void savingStoresThePasswordAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("with an apostrophe") << QStringLiteral("O'Brien");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks around") << QStringLiteral("  пароль  ");
        QTest::newRow("looks like SQL") << QStringLiteral("x' WHERE 1=1; --");
    }

    void savingStoresThePasswordAsTyped()
    {
        QFETCH(QString, typed);
        WindowFixture f;
        f.makeDemoCatalogue(10);
        createForEditMode(f);
        storePassword(f, QStringLiteral("Секрет"));
        TMainForm &w = f.start();
        int result = -1;
        f.platform.onModal = [&result, typed](QDialog &dialog) {
            auto &form = dynamic_cast<TPasswordForm &>(dialog);
            form.edPassword->setText(typed);
            form.btnSave->click();
            result = form.result();
            return result;
        };
        w.miPassword->trigger();

        QCOMPARE(f.platform.modalDialogs, QStringList{QStringLiteral("PasswordForm")});
        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(f.platform.messages.isEmpty());
        QCOMPARE(storedPassword(f), typed);
        QCOMPARE(countOf(f, QStringLiteral("SELECT COUNT(*) FROM settings")), 1);
        QVERIFY(f.db().CheckPassword(typed));
        QVERIFY(!f.db().CheckPassword(QStringLiteral("Секрет")));
    }

    void cancelStoresNothing()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        createForEditMode(f);
        storePassword(f, QStringLiteral("Секрет"));
        TMainForm &w = f.start();
        f.platform.onModal = [](QDialog &dialog) {
            auto &form = dynamic_cast<TPasswordForm &>(dialog);
            form.edPassword->setText(QStringLiteral("Новый"));
            form.btnCancel->click();
            return form.result();
        };
        w.miPassword->trigger();

        QCOMPARE(f.platform.modalDialogs, QStringList{QStringLiteral("PasswordForm")});
        QCOMPARE(storedPassword(f), QStringLiteral("Секрет"));
        QVERIFY(f.db().CheckPassword(QStringLiteral("Секрет")));
        QVERIFY(!f.db().CheckPassword(QStringLiteral("Новый")));
    }

    void databaseErrorWhileSavingClosesTheDialog()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        createForEditMode(f);
        storePassword(f, QStringLiteral("Секрет"));
        TMainForm &w = f.start();
        int result = -1;
        bool closed = false;
        f.platform.onModal = [&](QDialog &dialog) {
            auto &form = dynamic_cast<TPasswordForm &>(dialog);
            f.db().MyServer.runStatement(QStringLiteral("ALTER TABLE settings RENAME TO settings_away"));
            form.edPassword->setText(QStringLiteral("Новый"));
            form.btnSave->click();
            result = form.result();
            closed = !form.isVisible();
            f.db().MyServer.runStatement(QStringLiteral("ALTER TABLE settings_away RENAME TO settings"));
            return result;
        };
        w.miPassword->trigger();

        QCOMPARE(result, int(QDialog::Accepted));
        QVERIFY(closed);
        QCOMPARE(f.platform.messages.size(), 1);
        QCOMPARE(f.platform.messages.first().icon, ui::MsgIcon::Error);
        QCOMPARE(storedPassword(f), QStringLiteral("Секрет"));
    }

    void withoutPasswordRowOnlyAutoLogonGivesEditMode()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        createForEditMode(f);
        f.db().MyServer.runStatement(QStringLiteral("DELETE FROM settings WHERE name = 'password'"));
        TMainForm &w = f.start();
        QVERIFY(!store::process().ViewOnly);
        QString shown = QStringLiteral("<not shown>");
        f.platform.onModal = [&shown](QDialog &dialog) {
            auto &form = dynamic_cast<TPasswordForm &>(dialog);
            shown = form.edPassword->text();
            form.edPassword->setText(QStringLiteral("abc"));
            form.btnSave->click();
            return form.result();
        };
        w.miPassword->trigger();
        QCOMPARE(shown, QString());
        QVERIFY(f.platform.messages.isEmpty());
        QCOMPARE(countOf(f, QStringLiteral("SELECT COUNT(*) FROM settings")), 0);

        // Signing in is now refused whatever is typed, the empty box included.
        endRun(f, "[General]\r\nAutoAdminLogon=0\r\n");
        f.platform.onModal = [](QDialog &dialog) {
            auto &login = dynamic_cast<TLoginForm &>(dialog);
            login.rbEdit->click();
            for (const QString &typed : {QString(), QStringLiteral("abc")}) {
                login.edPassword->setText(typed);
                login.btnOKClick();
            }
            return login.result();
        };
        f.start();
        QCOMPARE(f.platform.messageTexts(), (QStringList{WrongPassword, WrongPassword}));
        QVERIFY(store::process().ViewOnly);
    }

    void savedPasswordOpensEditModeNextRun_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("with an apostrophe") << QStringLiteral("O'Brien");
        QTest::newRow("empty") << QString();
    }

    void savedPasswordOpensEditModeNextRun()
    {
        QFETCH(QString, password);
        WindowFixture f;
        f.makeDemoCatalogue(10);
        createForEditMode(f);
        storePassword(f, QStringLiteral("Секрет"));
        f.start();
        f.platform.onModal = [password](QDialog &dialog) {
            auto &form = dynamic_cast<TPasswordForm &>(dialog);
            form.edPassword->setText(password);
            form.btnSave->click();
            return form.result();
        };
        f.form().miPassword->trigger();

        endRun(f, "[General]\r\nAutoAdminLogon=0\r\n");
        f.platform.onModal = signIn(password);
        TMainForm &w = f.start();

        QCOMPARE(f.platform.modalDialogs, QStringList{QStringLiteral("LoginForm")});
        QVERIFY(f.platform.messages.isEmpty());
        QVERIFY(!store::process().ViewOnly);
        QVERIFY(w.miSetup->menuAction()->isEnabled());
    }
};

QTEST_MAIN(AccessModesTest)
#include "test_accessmodes.moc"
