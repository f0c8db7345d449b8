// The item kinds dialog with its edits posted at the latest when it closes, help at the context
// F1 asks for, and the about dialog.
#include "WindowFixture.h"

#include "HelpViewer.h"
#include "MainGridView.h"
#include "QtTranslations.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextBrowser>
#include <QTreeWidget>
#include <QtTest>

namespace {

QStringList storedKinds(WindowFixture &f)
{
    data::Dataset q(&f.db().MyServer);
    q.setSql(QStringLiteral("SELECT id, itemkind_name, description FROM v_itemkind ORDER BY id"));
    q.open();
    QStringList rows;
    for (q.first(); !q.eof(); q.next())
        rows << q.field(0).asString() + u' ' + q.field(1).asString() + u' ' + q.field(2).asString();
    return rows;
}

// Typed as the keyboard would, Cyrillic letters included.
void type(QWidget *w, const QString &text)
{
    w->setFocus();
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
    }
}

// A program folder whose help holds the pages given, started in edit mode.
TMainForm &startWithHelp(WindowFixture &f, const QStringList &pages)
{
    QDir(f.dir.path()).mkdir(QStringLiteral("help"));
    for (const QString &page : pages) {
        QFile file(f.path(QStringLiteral("help/") + page));
        if (file.open(QIODevice::WriteOnly))
            file.write("<html><body><h1>" + page.toUtf8() + "</h1></body></html>");
    }
    return f.startInEditMode();
}

QString shownPage()
{
    HelpViewer *help = helpViewer();
    if (!help || !help->window() || !help->window()->isVisible())
        return QStringLiteral("<none>");
    return help->browser()->source().fileName();
}

} // namespace

class AdminDialogsTest : public QObject {
    Q_OBJECT
private slots:
    // Qt's own dialogs speak Russian once the program has loaded Qt's translations: the file
    // dialog's buttons and a message box's standard buttons.
    void qtsOwnDialogsAreRussian()
    {
        QVERIFY(ui::installQtTranslations(*QCoreApplication::instance()));
        QFileDialog files(nullptr, QStringLiteral("Резервная копия"));
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.show();
        QStringList captions;
        for (const QAbstractButton *b : files.findChild<QDialogButtonBox *>()->buttons())
            captions << b->text().remove(u'&');
        files.close();
        QVERIFY2(captions.contains(QStringLiteral("Отмена")), qPrintable(captions.join(u'|')));
        QMessageBox box(QMessageBox::Question, QStringLiteral("Вопрос"), QStringLiteral("?"), QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::No)->text().remove(u'&'), QStringLiteral("Нет"));
    }

    void itemKindEditsArePostedWhenTheDialogCloses_data()
    {
        QTest::addColumn<bool>("closeBox"); // closed with the window's close box, else with "Закрыть"
        QTest::newRow("Закрыть") << false;
        QTest::newRow("close box") << true;
    }
    void itemKindEditsArePostedWhenTheDialogCloses()
    {
        QFETCH(bool, closeBox);
        WindowFixture f;
        TMainForm &w = f.startInEditMode();
        f.platform.onModal = [&](QDialog &d) {
            auto &k = static_cast<TItemKindsForm &>(d);
            k.grKindList->setCurrentIndex(k.kindModel->index(1, 0));
            k.edKindName->clear();
            type(k.edKindName, QStringLiteral("Периодика"));
            type(k.edKindDescription, QStringLiteral("газеты"));
            closeBox ? (void)k.close() : k.btnClose->click();
            return k.result();
        };
        w.N4->trigger();
        QCOMPARE(f.platform.modalDialogs, QStringList{"ItemKindsForm"});
        QCOMPARE(storedKinds(f).at(1), QStringLiteral("2 Периодика газетыПериодические издания"));
    }

    void addingAndDeletingKinds()
    {
        WindowFixture f;
        TMainForm &w = f.startInEditMode();
        f.platform.onModal = [&](QDialog &d) {
            auto &k = static_cast<TItemKindsForm &>(d);
            k.btnAddClick();
            if (k.edKindName->text() != QStringLiteral("Новый вид") || k.focusWidget() != k.edKindName)
                return int(QDialog::Rejected);
            k.grKindList->setCurrentIndex(k.kindModel->index(0, 0)); // another row: the new one is stored
            f.platform.messageAnswers = {ui::No};
            k.btnDelClick();
            k.btnDelClick(); // answered Yes: "Книги" goes
            k.btnClose->click();
            return k.result();
        };
        w.N4->trigger();
        QCOMPARE(storedKinds(f), (QStringList{"2 Журналы Периодические издания", "3 Диссертации Диссертации и авторефераты",
                                              "4 Электронные издания Диски и файлы", "5 Новый вид "}));
        QCOMPARE(f.platform.messages.size(), 2);
        QCOMPARE(f.platform.messages.first().text, QStringLiteral("Действительно хотите удалить? "));
        QCOMPARE(f.platform.messages.first().caption, QStringLiteral("Удаление"));
        QCOMPARE(f.platform.messages.first().icon, ui::MsgIcon::Warning);
    }

    void deletingFromAnEmptyListSaysSo()
    {
        WindowFixture f;
        TMainForm &w = f.startInEditMode();
        f.db().MyServer.runStatement(QStringLiteral("DELETE FROM v_itemkind"));
        f.db().myItemKinds.refresh();
        f.platform.onModal = [](QDialog &d) {
            static_cast<TItemKindsForm &>(d).btnDelClick();
            return int(QDialog::Accepted);
        };
        w.N4->trigger();
        QCOMPARE(f.platform.messageTexts().last(),
                 QStringLiteral("Cannot perform this operation on an empty dataset."));
    }

    void helpOpensAtTheContextAsked()
    {
        WindowFixture f;
        TMainForm &w = startWithHelp(f, {"1000.html", "1080.html", "1100.html", "index.html"});
        QCOMPARE(w.N18->shortcut(), QKeySequence(Qt::Key_F1));
        QTest::keyClick(w.tvRubrics, Qt::Key_F1); // the main window's F1 is its menu item's alone
        QCOMPARE(shownPage(), QStringLiteral("<none>"));
        w.N18->trigger();
        QCOMPARE(shownPage(), QStringLiteral("1000.html"));

        TLoginForm &login = *f.program.LoginForm;
        login.show();
        QTest::keyClick(login.rbEdit, Qt::Key_F1);
        QCOMPARE(shownPage(), QStringLiteral("1100.html"));
        login.hide();

        helpViewer()->window()->hide();
        TItemKindsForm &kinds = *f.program.ItemKindsForm;
        kinds.show();
        QTest::keyClick(kinds.edKindName, Qt::Key_F1); // no context in this dialog
        QCOMPARE(shownPage(), QStringLiteral("<none>"));
        kinds.hide();
    }

    // F1 in a dialog running modally opens help that can be followed by its links, scrolled and
    // closed while the dialog stays open; help still open when the dialog closes stays open.
    void helpUsableBesideAModalDialog()
    {
        WindowFixture f;
        startWithHelp(f, {});
        QByteArray longPage = "<html><body><h1>1080</h1>";
        for (int i = 0; i < 300; ++i)
            longPage += "<p>Строка справки " + QByteArray::number(i) + "</p>";
        for (const auto &[page, text] : {std::pair{"1070.html", QByteArray("<p><a href=\"1080.html\">Выдача</a></p>")},
                                         {"1080.html", longPage + "</body></html>"}}) {
            QFile file(f.path(QStringLiteral("help/") + QLatin1StringView(page)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        }
        TBookForm &card = *f.program.BookForm;
        card.setWindowModality(Qt::ApplicationModal);
        card.show();
        QCOMPARE(QApplication::activeModalWidget(), &card);
        QTest::keyClick(card.InvNum, Qt::Key_F1);
        QCOMPARE(shownPage(), QStringLiteral("1070.html"));
        QWidget *help = helpViewer()->window();
        QVERIFY(QTest::qWaitForWindowExposed(help));
        // Keys as the window system hands them over: a window the dialog blocks never gets them.
        QTest::keyClick(help->windowHandle(), Qt::Key_Tab);
        QTest::keyClick(help->windowHandle(), Qt::Key_Return);
        QCOMPARE(shownPage(), QStringLiteral("1080.html"));
        QTest::keyClick(help->windowHandle(), Qt::Key_PageDown);
        QVERIFY(helpViewer()->browser()->verticalScrollBar()->value() > 0);
        QTest::keyClick(help->windowHandle(), Qt::Key_Escape);
        QVERIFY(!help->isVisible());
        QVERIFY(card.isVisible());

        QTest::keyClick(card.InvNum, Qt::Key_F1);
        card.hide();
        card.setWindowModality(Qt::NonModal);
        QVERIFY(help->isVisible());
        QCOMPARE(help->parentWidget(), nullptr);
    }

    void contextsOfTheWindowsAndControls()
    {
        WindowFixture f;
        TMainForm &w = f.startInEditMode();
        TBookForm &card = *f.program.BookForm;
        const std::pair<QWidget *, int> cases[] = {
            {w.MainGrid, 1040}, {w.edSearch, 1060},      {w.tvRubrics, 1050}, {w.tvAuthors, 1102},
            {w.gbKeywords, 1103}, {card.tshDetails, 1101}, {card.tshHistory, 1080}, {f.program.PeriodFm.get(), 0}};
        for (const auto &[widget, context] : cases)
            QCOMPARE(HelpViewer::contextOf(widget), context);
        card.PageControl1->setCurrentWidget(card.tshHistory);
        QCOMPARE(HelpViewer::contextOf(card.PageControl1->tabBar()), 1080); // by the page shown
        card.PageControl1->setCurrentWidget(card.tshSummary);
        QCOMPARE(HelpViewer::contextOf(card.PageControl1->tabBar()), 1070);
    }

    void withoutTheHelpFolderHelpDoesNothing()
    {
        WindowFixture f;
        TMainForm &w = f.startInEditMode();
        w.N18->trigger();
        QCOMPARE(shownPage(), QStringLiteral("<none>"));
        QVERIFY(f.platform.messages.isEmpty());
    }

    void aboutDialog()
    {
        WindowFixture f;
        TMainForm &w = f.startInEditMode();
        f.platform.onModal = [&](QDialog &d) {
            auto &about = static_cast<TAboutForm &>(d);
            about.lblEmailClick();
            about.lblWebClick();
            about.btnOk->click();
            return about.result();
        };
        w.miAbout->trigger();
        TAboutForm &about = *f.program.AboutForm;
        QCOMPARE(about.windowTitle(), QStringLiteral("О программе «Библиотека ЛИРМА»"));
        QCOMPARE(about.lblProgramName->text(), QStringLiteral("Программа «Библиотека ЛИРМА»"));
        QCOMPARE(about.lblVersionStr->text(), QStringLiteral("2.3 от 17.10.2014 г."));
        QCOMPARE(f.platform.shellOpened, (QStringList{"mailto:" + TAboutForm::supportMail(), TAboutForm::webSite()}));
        const QImage emblem = about.Image1->pixmap().toImage();
        QCOMPARE(emblem.size(), QSize(128, 89));
        QCOMPARE(emblem.pixelColor(0, 0).alpha(), 0);      // transparent round the picture
        QVERIFY(emblem.pixelColor(64, 60).alpha() > 0);    // the book's spine
    }
};

QTEST_MAIN(AdminDialogsTest)
#include "test_admindialogs.moc"
