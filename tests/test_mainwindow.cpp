// The main window as a librarian meets it: start-up, the count, the tabs, the grid's order.
#include "WindowFixture.h"

#include "DatasetModel.h"
#include "MainGridView.h"

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

    void titleClickSortsDescendingThenAscending()
    {
        WindowFixture f;
        f.makeDemoCatalogue(60);
        TMainForm &w = f.startInEditMode();
        store::Dataset &books = f.db().MyBooks;
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
