// The main window as a librarian meets it: start-up, the count, the tabs, the grid's order.
#include "WindowFixture.h"

#include "DatasetModel.h"
#include "MainGridView.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QTabBar>
#include <QtTest>

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startsInEditModeAndShowsTheCount()
    {
        WindowFixture f;
        f.makeDemoCatalogue(120);
        TMainForm &w = f.startInEditMode();
        QVERIFY(!store::process().ViewOnly);
        QVERIFY(f.platform.modalDialogs.isEmpty());
        QCOMPARE(w.sbStatusCount->text(), QStringLiteral("Кол-во записей: 120"));
        QCOMPARE(w.gridModel->rowCount(), 120);
        QCOMPARE(w.tcKinds->tabText(0), QStringLiteral("Все"));
        QCOMPARE(w.tcKinds->tabText(w.tcKinds->count() - 1), QStringLiteral("Добавить"));
        QCOMPARE(w.KindIds.size(), w.tcKinds->count() - 1);
    }

    // Every object exists after start-up; the setup dialog only until it has been used.
    void creationMakesEveryObject()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        f.create();
        Program &p = f.program;
        QVERIFY(p.MainForm && p.SetupForm && p.DBMod && p.BookForm && p.PeriodFm && p.AboutForm && p.CatForm &&
                p.LoginForm && p.PasswordForm && p.ItemKindsForm);
        QVERIFY(!store::process().ConnectFailed);
        QCOMPARE(store::process().ThisYear, quint16(QDate::currentDate().year()));
    }

    void failedOpenUsesTheSetupDialogOnce()
    {
        WindowFixture f;
        QFile notADatabase(f.path(QStringLiteral("library.sdb")));
        QVERIFY(notADatabase.open(QIODevice::WriteOnly));
        notADatabase.write("это не база данных, а текст");
        notADatabase.close();
        QString databaseBox;
        f.platform.onModal = [&databaseBox](QDialog &d) {
            databaseBox = static_cast<TSetupForm &>(d).cbDatabase->currentText();
            return int(QDialog::Rejected);
        };
        f.create();
        QVERIFY(store::process().ConnectFailed);
        QCOMPARE(f.platform.modalDialogs, QStringList{QStringLiteral("SetupForm")});
        QCOMPARE(databaseBox, f.dir.path() + QStringLiteral("//library.sdb"));
        QVERIFY(!f.program.SetupForm);
        QVERIFY(f.program.BookForm && f.program.ItemKindsForm);
        QCOMPARE(f.platform.messageTexts(), QStringList{}); // the dialog stands for the error
    }

    // "Открыть электронный вариант..." hands the file to the desktop, or says it is missing.
    void opensTheElectronicVersion()
    {
        WindowFixture f;
        TMainForm &w = f.startInEditMode();
        f.db().MyServer.runStatement(QStringLiteral(
            "INSERT INTO books (id, inv_num, title, itemkind_id, file) VALUES (1, 7, 'Атлас', 2, '.pdf'),"
            " (2, 8, 'Без файла', 2, '.doc')"));
        f.db().MyBooks.refresh();
        const QString folder = f.db().FilesDir + QStringLiteral("2");
        QVERIFY(QDir().mkpath(folder));
        QFile pdf(folder + QStringLiteral("/7.pdf"));
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        pdf.close();
        QVERIFY(f.db().MyBooks.moveToValue(QStringLiteral("id"), 1));
        w.N3Click();
        QCOMPARE(f.platform.shellOpened, QStringList{folder + QStringLiteral("/7.pdf")});
        QVERIFY(f.db().MyBooks.moveToValue(QStringLiteral("id"), 2));
        w.N3Click();
        QCOMPARE(f.platform.shellOpened.size(), 1);
        QCOMPARE(f.platform.messageTexts(), QStringList{QStringLiteral("Файл c электронной версией не обнаружен")});
        QCOMPARE(f.platform.messages[0].icon, ui::MsgIcon::Information);
    }

    void titleClickSortsDescendingThenAscending()
    {
        WindowFixture f;
        f.makeDemoCatalogue(60);
        TMainForm &w = f.startInEditMode();
        data::Dataset &books = f.db().MyBooks;
        QHeaderView *header = w.MainGrid->horizontalHeader();
        emit header->sectionClicked(3); // "Автор"
        QCOMPARE(books.indexFieldNames(), QStringLiteral("author DESC"));
        QCOMPARE(header->sortIndicatorSection(), 3);
        QVERIFY(!w.MainGrid->sortMarkerAscending());
        QCOMPARE(books.recNo(), 0);
        emit header->sectionClicked(3);
        QCOMPARE(books.indexFieldNames(), QStringLiteral("author ASC"));
        QVERIFY(w.MainGrid->sortMarkerAscending());
    }
};

QTEST_MAIN(MainWindowTest)
#include "test_mainwindow.moc"
