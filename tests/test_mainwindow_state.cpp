// The main window's view state: what library.ini brings at start, the left panes, the font
// steps and the annotation pane, what closing writes back, the record count, a start without a
// usable catalogue, and names for every input a screen reader meets.
#include "WindowFixture.h"

#include "DatasetModel.h"
#include "MainGridView.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QTabBar>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

QByteArray settingsBytes(WindowFixture &f)
{
    QFile file(f.path(QStringLiteral("library.ini")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The file's lines, which must all end in CR LF.
QStringList settingsLines(WindowFixture &f)
{
    const QString text = QString::fromLatin1(settingsBytes(f));
    if (!text.endsWith(QStringLiteral("\r\n")))
        return {QStringLiteral("<no CR LF at the end>")};
    QStringList lines = text.chopped(2).split(QStringLiteral("\r\n"));
    for (const QString &line : lines)
        if (line.contains(u'\r') || line.contains(u'\n'))
            return {QStringLiteral("<a line not ended by CR LF>")};
    return lines;
}

// The left pane that can be seen: the rubric tree, the author index, the keywords, or none.
QList<QWidget *> visiblePanes(TMainForm &w)
{
    QList<QWidget *> shown;
    for (QWidget *pane : {static_cast<QWidget *>(w.tvRubrics), static_cast<QWidget *>(w.tvAuthors),
                          static_cast<QWidget *>(w.gbKeywords)})
        if (pane->isVisibleTo(&w))
            shown << pane;
    return shown;
}

QList<QAction *> checkedPaneItems(TMainForm &w)
{
    QList<QAction *> checked;
    for (QAction *a : {w.miAlphabet, w.miRubricTree, w.miKeywords, w.miHideTrees})
        if (a->isChecked())
            checked << a;
    return checked;
}

// Lets the window lay itself out after panes were shown or hidden.
void settle(QWidget &w)
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    if (w.layout())
        w.layout()->activate();
}

int countOf(WindowFixture &f, const QString &sql)
{
    data::Dataset query(&f.db().MyServer);
    query.setSql(sql);
    query.open();
    return int(query.field(0).asInteger());
}

// Ends the run as the program does and starts a new one in the same folder.
TMainForm &restart(WindowFixture &f)
{
    f.form().close();
    f.program.finish();
    f.program.destroy();
    store::resetProcess();
    return f.start();
}

} // namespace

class MainWindowStateTest : public QObject {
    Q_OBJECT
private slots:
    void defaultsWithoutSettingsFile()
    {
        WindowFixture f;
        f.makeDemoCatalogue(30);
        TMainForm &w = f.start();

        QCOMPARE(visiblePanes(w), QList<QWidget *>{w.tvRubrics});
        QCOMPARE(checkedPaneItems(w), QList<QAction *>{w.miRubricTree});
        QVERIFY(w.miAnnotation->isChecked());
        QVERIFY(w.gbDetails->isVisibleTo(&w));
        QCOMPARE(w.MainGrid->font().family(), QStringLiteral("Tahoma"));
        QCOMPARE(w.MainGrid->font().pointSize(), 10);
        QCOMPARE(w.edAnnotation->font().pointSize(), 10);
        QVERIFY(!w.isMaximized());
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.MainGrid));
        // Reading writes nothing.
        QVERIFY(!QFile::exists(f.path(QStringLiteral("library.ini"))));
    }

    void storedBooleansAreIntegers_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("shown");
        QTest::newRow("0") << QByteArray("0") << false;
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("any other integer") << QByteArray("-3") << true;
        QTest::newRow("not a number gives the default") << QByteArray("нет") << true;
        QTest::newRow("empty gives the default") << QByteArray() << true;
    }

    void storedBooleansAreIntegers()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, shown);
        WindowFixture f;
        f.makeDemoCatalogue(10);
        f.writeSettings("[General]\r\nRubricator=" + value + "\r\nAnnotation=" + value + "\r\n");
        TMainForm &w = f.start();

        QCOMPARE(w.tvRubrics->isVisibleTo(&w), shown);
        QCOMPARE(w.miRubricTree->isChecked(), shown);
        QCOMPARE(w.gbDetails->isVisibleTo(&w), shown);
        QCOMPARE(w.miAnnotation->isChecked(), shown);
    }

    void rubricatorOffOpensWithNoLeftPane()
    {
        WindowFixture f;
        f.makeDemoCatalogue(30);
        f.writeSettings("[General]\r\nRubricator=0\r\n");
        TMainForm &w = f.start();
        settle(w);

        QVERIFY(visiblePanes(w).isEmpty());
        QVERIFY(checkedPaneItems(w).isEmpty());
        // The tabs and the grid take the whole width, from the left edge.
        QCOMPARE(w.tcKindsArea->mapTo(&w, QPoint(0, 0)).x(), 0);

        // Each of the four items then works as usual.
        const struct {
            QAction *item;
            QWidget *pane;
        } choices[] = {{w.miAlphabet, w.tvAuthors},
                       {w.miKeywords, w.gbKeywords},
                       {w.miRubricTree, w.tvRubrics},
                       {w.miHideTrees, nullptr}};
        for (const auto &choice : choices) {
            choice.item->trigger();
            settle(w);
            QCOMPARE(checkedPaneItems(w), QList<QAction *>{choice.item});
            QCOMPARE(visiblePanes(w), choice.pane ? QList<QWidget *>{choice.pane} : QList<QWidget *>{});
            const int left = w.tcKindsArea->mapTo(&w, QPoint(0, 0)).x();
            if (choice.pane) {
                QVERIFY2(left > 0, qPrintable(choice.item->text()));
                QVERIFY(choice.pane->width() > 0);
            } else {
                QCOMPARE(left, 0);
            }
        }
    }

    void choosingTheCheckedPaneItemClearsItsMark()
    {
        WindowFixture f;
        f.makeDemoCatalogue(30);
        TMainForm &w = f.start();

        // The rubric tree is checked at start; choosing it again takes the mark away and the
        // tree stays.
        w.miRubricTree->trigger();
        QVERIFY(checkedPaneItems(w).isEmpty());
        QCOMPARE(visiblePanes(w), QList<QWidget *>{w.tvRubrics});

        w.miAlphabet->trigger();
        QCOMPARE(checkedPaneItems(w), QList<QAction *>{w.miAlphabet});
        QCOMPARE(visiblePanes(w), QList<QWidget *>{w.tvAuthors});
        w.miAlphabet->trigger();
        QVERIFY(checkedPaneItems(w).isEmpty());
        QCOMPARE(visiblePanes(w), QList<QWidget *>{w.tvAuthors});

        w.miHideTrees->trigger();
        QCOMPARE(checkedPaneItems(w), QList<QAction *>{w.miHideTrees});
        QVERIFY(visiblePanes(w).isEmpty());
        w.miHideTrees->trigger();
        QVERIFY(checkedPaneItems(w).isEmpty());
        QVERIFY(visiblePanes(w).isEmpty());
    }

    void keywordPaneOpensTheKeywordList()
    {
        WindowFixture f;
        f.makeDemoCatalogue(30);
        TMainForm &w = f.start();
        w.miKeywords->trigger();

        QCOMPARE(visiblePanes(w), QList<QWidget *>{w.gbKeywords});
        QCOMPARE(w.grKeywords->model()->rowCount(), countOf(f, QStringLiteral("SELECT COUNT(*) FROM keywords")));
        QVERIFY(w.grKeywords->model()->rowCount() > 0);
    }

    void annotationItemTogglesThePane()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        TMainForm &w = f.start();

        w.miAnnotation->trigger();
        QVERIFY(!w.miAnnotation->isChecked());
        QVERIFY(!w.gbDetails->isVisibleTo(&w));
        w.miAnnotation->trigger();
        QVERIFY(w.miAnnotation->isChecked());
        QVERIFY(w.gbDetails->isVisibleTo(&w));
    }

    void annotationOffIsShownAgainOnRequest()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        f.writeSettings("[General]\r\nAnnotation=0\r\n");
        TMainForm &w = f.start();
        QVERIFY(!w.gbDetails->isVisibleTo(&w));
        QVERIFY(!w.miAnnotation->isChecked());
        QVERIFY(w.MainGrid->isVisibleTo(&w));

        w.miAnnotation->trigger();
        QVERIFY(w.gbDetails->isVisibleTo(&w));
    }

    void fontFromSettings_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("size");
        QTest::newRow("name and size") << QByteArray("FontName=Courier New\r\nFontSize=12\r\n")
                                       << QStringLiteral("Courier New") << 12;
        QTest::newRow("size that is not a number") << QByteArray("FontSize=крупный\r\n") << QStringLiteral("Tahoma")
                                                    << 10;
    }

    void fontFromSettings()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, family);
        QFETCH(int, size);
        WindowFixture f;
        f.makeDemoCatalogue(10);
        f.create();
        const QString annotationFamily = f.form().edAnnotation->font().family();
        f.writeSettings("[General]\r\n" + settings);
        TMainForm &w = f.start();

        QCOMPARE(w.MainGrid->font().family(), family);
        QCOMPARE(w.MainGrid->font().pointSize(), size);
        // The annotation takes the size only; its face stays as designed.
        QCOMPARE(w.edAnnotation->font().pointSize(), size);
        QCOMPARE(w.edAnnotation->font().family(), annotationFamily);
    }

    void fontStepsFromStoredSize_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("larger");
        QTest::addColumn<int>("after");
        QTest::addColumn<bool>("largerEnabled");
        QTest::addColumn<bool>("smallerEnabled");
        QTest::newRow("14, one step larger") << 14 << true << 15 << false << true;
        QTest::newRow("9, one step smaller") << 9 << false << 8 << true << false;
        QTest::newRow("11, one step larger") << 11 << true << 12 << true << true;
        QTest::newRow("10, one step smaller") << 10 << false << 9 << true << false;
    }

    void fontStepsFromStoredSize()
    {
        QFETCH(int, stored);
        QFETCH(bool, larger);
        QFETCH(int, after);
        QFETCH(bool, largerEnabled);
        QFETCH(bool, smallerEnabled);
        WindowFixture f;
        f.makeDemoCatalogue(10);
        f.writeSettings("[General]\r\nFontSize=" + QByteArray::number(stored) + "\r\n");
        TMainForm &w = f.start();
        // Whatever the size read, both steps are offered at start.
        QVERIFY(w.miFontLarger->isEnabled());
        QVERIFY(w.miFontSmaller->isEnabled());

        (larger ? w.miFontLarger : w.miFontSmaller)->trigger();

        QCOMPARE(w.MainGrid->font().pointSize(), after);
        QCOMPARE(w.edAnnotation->font().pointSize(), after);
        QCOMPARE(w.miFontLarger->isEnabled(), largerEnabled);
        QCOMPARE(w.miFontSmaller->isEnabled(), smallerEnabled);
    }

    void fontRangesFromNineToFourteen()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        TMainForm &w = f.start();

        int steps = 0;
        while (w.miFontLarger->isEnabled() && steps < 20) {
            w.miFontLarger->trigger();
            ++steps;
        }
        QCOMPARE(steps, 4);
        QCOMPARE(w.MainGrid->font().pointSize(), 14);
        steps = 0;
        while (w.miFontSmaller->isEnabled() && steps < 20) {
            w.miFontSmaller->trigger();
            ++steps;
        }
        QCOMPARE(steps, 5);
        QCOMPARE(w.MainGrid->font().pointSize(), 9);
        QCOMPARE(w.edAnnotation->font().pointSize(), 9);
        QVERIFY(w.miFontLarger->isEnabled());
    }

    void fontShortcutsAssignedAtShow()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        f.writeSettings("[General]\r\nAutoAdminLogon=1\r\n"); // the annotation is editable
        f.create();
        TMainForm &w = f.form();
        QVERIFY(w.miFontLarger->shortcut().isEmpty());
        QVERIFY(w.miFontSmaller->shortcut().isEmpty());
        f.start();
        QCOMPARE(w.miFontLarger->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Up));
        QCOMPARE(w.miFontSmaller->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Down));

        // The keys work wherever the focus is in the window.
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QList<QWidget *> places{w.MainGrid, w.edAnnotation, w.edSearch, w.tvRubrics};
        for (QWidget *place : places) {
            place->setFocus();
            QTest::keyClick(place, Qt::Key_Up, Qt::ControlModifier);
            QVERIFY2(w.MainGrid->font().pointSize() == 11, place->metaObject()->className());
            QTest::keyClick(place, Qt::Key_Down, Qt::ControlModifier);
            QTest::keyClick(place, Qt::Key_Down, Qt::ControlModifier);
            QVERIFY2(w.MainGrid->font().pointSize() == 9, place->metaObject()->className());
            QTest::keyClick(place, Qt::Key_Up, Qt::ControlModifier);
            QCOMPARE(w.edAnnotation->font().pointSize(), 10);
        }
    }

    void opensAtItsDesignedOuterSize()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        TMainForm &w = f.start();
        settle(w);
        QCOMPARE(w.frameGeometry().size(), QSize(800, 525));
        w.close();

        const QStringList lines = settingsLines(f);
        QVERIFY2(lines.contains(QStringLiteral("MainWidth=800")), qPrintable(lines.join(u' ')));
        QVERIFY2(lines.contains(QStringLiteral("MainHeight=525")), qPrintable(lines.join(u' ')));
    }

    void closingWritesTheViewState()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        TMainForm &w = f.start();
        const QSize outer = w.frameGeometry().size();
        w.close();

        QCOMPARE(settingsBytes(f), QStringLiteral("[General]\r\n"
                                                  "MainWidth=%1\r\n"
                                                  "MainHeight=%2\r\n"
                                                  "CardWidth=550\r\n"
                                                  "CardHeight=462\r\n"
                                                  "FontSize=10\r\n"
                                                  "IsMaximized=0\r\n"
                                                  "Rubricator=1\r\n"
                                                  "Annotation=1\r\n")
                                       .arg(outer.width())
                                       .arg(outer.height())
                                       .toLatin1());
    }

    void changedViewStateIsWrittenAndBroughtBack()
    {
        WindowFixture f;
        f.makeDemoCatalogue(20);
        f.writeSettings("[General]\r\nAutoAdminLogon=1\r\nFontName=Courier New\r\n");
        TMainForm &w = f.start();
        w.miFontLarger->trigger();
        w.miFontLarger->trigger();
        w.miAnnotation->trigger();
        w.miAlphabet->trigger();
        const QSize outer = w.frameGeometry().size();
        w.close();

        const QStringList lines = settingsLines(f);
        QCOMPARE(lines, (QStringList{QStringLiteral("[General]"), QStringLiteral("AutoAdminLogon=1"),
                                     QStringLiteral("FontName=Courier New"), QStringLiteral("MainWidth=%1").arg(outer.width()),
                                     QStringLiteral("MainHeight=%1").arg(outer.height()), QStringLiteral("CardWidth=550"),
                                     QStringLiteral("CardHeight=462"), QStringLiteral("FontSize=12"),
                                     QStringLiteral("IsMaximized=0"), QStringLiteral("Rubricator=0"),
                                     QStringLiteral("Annotation=0")}));

        TMainForm &again = restart(f);
        QVERIFY(visiblePanes(again).isEmpty());
        QVERIFY(checkedPaneItems(again).isEmpty());
        QVERIFY(!again.gbDetails->isVisibleTo(&again));
        QCOMPARE(again.MainGrid->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(again.MainGrid->font().pointSize(), 12);
        QCOMPARE(again.edAnnotation->font().pointSize(), 12);

        // Closing again changes only the values, never the order or the hand-written name.
        again.miRubricTree->trigger();
        again.close();
        QCOMPARE(settingsLines(f).size(), lines.size());
        QCOMPARE(settingsLines(f).filter(QStringLiteral("FontName")), QStringList{QStringLiteral("FontName=Courier New")});
        QVERIFY(settingsLines(f).contains(QStringLiteral("Rubricator=1")));
    }

    void maximisedWindowIsWrittenAsMaximised()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        f.writeSettings("[General]\r\nIsMaximized=1\r\n");
        TMainForm &w = f.start();
        settle(w);
        QVERIFY(w.isMaximized());
        const QSize outer = w.frameGeometry().size();
        QCOMPARE(outer, w.screen()->availableGeometry().size());
        w.close();

        const QStringList lines = settingsLines(f);
        QVERIFY(lines.contains(QStringLiteral("IsMaximized=1")));
        QVERIFY(lines.contains(QStringLiteral("MainWidth=%1").arg(outer.width())));
        QVERIFY(lines.contains(QStringLiteral("MainHeight=%1").arg(outer.height())));
    }

    void recordCountInTheStatusBar_data()
    {
        QTest::addColumn<int>("holdings");
        QTest::newRow("empty catalogue") << 0;
        QTest::newRow("small") << 37;
        QTest::newRow("thousands, no separator") << 1234;
    }

    void recordCountInTheStatusBar()
    {
        QFETCH(int, holdings);
        WindowFixture f;
        f.makeDemoCatalogue(holdings);
        TMainForm &w = f.start();

        QCOMPARE(w.sbStatusCount->text(), QStringLiteral("Кол-во записей: ") + QString::number(holdings));
        if (holdings == 0)
            return;
        w.chbLoaned->click();
        const int lent = countOf(f, QStringLiteral("SELECT COUNT(*) FROM books WHERE onloan = 1"));
        QCOMPARE(w.sbStatusCount->text(), QStringLiteral("Кол-во записей: ") + QString::number(lent));
        w.chbLoaned->click();
        QCOMPARE(w.sbStatusCount->text(), QStringLiteral("Кол-во записей: ") + QString::number(holdings));
    }

    void unopenableCatalogueEndsTheProgram()
    {
        WindowFixture f;
        {
            QFile notADatabase(f.path(QStringLiteral("library.sdb")));
            QVERIFY(notADatabase.open(QIODevice::WriteOnly));
            notADatabase.write("Это не база данных, а список книг.\n");
        }
        // A state that would show if the window read it; the failed start must not.
        f.writeSettings("[General]\r\nIsMaximized=1\r\nRubricator=0\r\nAnnotation=0\r\nFontSize=13\r\n");
        f.create();
        const int designedFontSize = f.form().MainGrid->font().pointSize();
        QVERIFY(store::process().ConnectFailed);

        // As the program entry runs it: show the window, then the event loop until it ends.
        QTimer guard;
        guard.setSingleShot(true);
        bool timedOut = false;
        connect(&guard, &QTimer::timeout, this, [&timedOut] {
            timedOut = true;
            QCoreApplication::quit();
        });
        guard.start(10000);
        f.form().show();
        QApplication::exec();
        guard.stop();

        QVERIFY(!timedOut);
        QVERIFY(!f.form().isVisible());
        const QSize outer = f.form().frameGeometry().size();
        // The server settings dialog was offered and closed; no sign-in without a catalogue.
        QCOMPARE(f.platform.modalDialogs, QStringList{QStringLiteral("SetupForm")});
        QVERIFY(f.platform.messages.isEmpty());

        QCOMPARE(settingsLines(f), (QStringList{QStringLiteral("[General]"), QStringLiteral("IsMaximized=0"),
                                                QStringLiteral("Rubricator=1"), QStringLiteral("Annotation=1"),
                                                QStringLiteral("FontSize=%1").arg(designedFontSize),
                                                QStringLiteral("MainWidth=%1").arg(outer.width()),
                                                QStringLiteral("MainHeight=%1").arg(outer.height()),
                                                QStringLiteral("CardWidth=550"), QStringLiteral("CardHeight=462")}));

        f.program.finish();
        QFile kept(f.path(QStringLiteral("library.sdb")));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QStringLiteral("Это не база данных, а список книг.\n").toUtf8());
        QVERIFY(!QDir(store::process().BackupDir).exists(QStringLiteral("library.sdb")));
    }

    void everyInputHasAName()
    {
        WindowFixture f;
        f.makeDemoCatalogue(10);
        f.create();
        TMainForm &w = f.form();
        const QList<QWidget *> inputs{w.FldBox,     w.edSearch,  w.edKeywordFilter, w.grKeywords,
                                      w.edAnnotation, w.tvRubrics, w.tvAuthors,       w.MainGrid};
        QStringList names;
        for (QWidget *input : inputs) {
            QVERIFY2(!input->accessibleName().isEmpty(), qPrintable(input->metaObject()->className()));
            names << input->accessibleName();
        }
        names.removeDuplicates();
        QCOMPARE(names.size(), inputs.size());

        // The two password boxes are named by their labels.
        const struct {
            QWidget *edit;
            QString label;
        } labelled[] = {{f.program.LoginForm->edPassword, QStringLiteral("Пароль")},
                        {f.program.PasswordForm->edPassword, QStringLiteral("Пароль ")}};
        for (const auto &[edit, label] : labelled) {
            QWidget *dialog = edit->window();
            QStringList labels;
            for (QLabel *l : dialog->findChildren<QLabel *>())
                if (l->buddy() == edit)
                    labels << l->text();
            QCOMPARE(labels, QStringList{label});
            QAccessibleInterface *access = QAccessible::queryAccessibleInterface(edit);
            QVERIFY(access);
            QCOMPARE(access->text(QAccessible::Name).trimmed(), label.trimmed());
        }
    }
};

QTEST_MAIN(MainWindowStateTest)
#include "test_mainwindow_state.moc"
