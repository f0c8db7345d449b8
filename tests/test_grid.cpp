// The catalogue grid as a librarian uses it: its columns and selection, sorting by a click on a
// column title, lent holdings in yellow, Esc back to the full catalogue, the context menu, deleting
// a record, the find dialog, and the model behind it staying consistent through all of that.
#include "WindowFixture.h"

#include "DatasetModel.h"
#include "FindDialog.h"
#include "ImageList.h"
#include "IniFile.h"
#include "LoanTerms.h"
#include "MainGridView.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QtTest>

#include <algorithm>

namespace {

enum GridColumn { ColInv, ColLiter, ColDateReg, ColAuthor, ColTitle, ColYear, ColLoaner, ColDateOut };

QVariant text(const char *s) { return s ? QVariant(QString::fromUtf8(s)) : QVariant(); }

struct Holding {
    qint64 id;
    int inv;
    const char *liter;
    const char *author;
    const char *title;
    int year;
    int kind;
    int onloan;
    const char *loaner;
    const char *dateOut;
    const char *file;
    const char *annotation;
};

// Stored in this order; the store hands them back by id, which is neither the inventory nor the
// alphabetical order. Ёлкин and Ёлки check that Ё sorts with Е, not before А as its code would.
const Holding holdings[] = {
    {1, 10, "К", "Жуков Г.", "Война и мир", 1990, 1, 1, "Иванова А.", "2024-03-01", ".pdf", "Роман-эпопея"},
    {2, 3, "К", nullptr, "Анна Каренина", 1985, 1, 0, nullptr, nullptr, nullptr, "О любви"},
    {3, 7, "Ж", "Андреев А.", "Ёлки", 2001, 2, 0, nullptr, nullptr, "", nullptr},
    {4, 25, "К", "Ёлкин Е.", "Жизнь и судьба", 1977, 1, 1, "Петров П.", "2024-04-15", ".doc", "Сталинград"},
    {5, 1, "Д", "Яшин Я.", "Битва за Москву", 2010, 3, 0, nullptr, nullptr, ".txt", nullptr},
    {6, 12, "К", "Ершов П.", "Конёк-Горбунок", 1956, 1, 0, nullptr, nullptr, nullptr, "Сказка"},
};

void addHolding(store::TDBMod &db, const Holding &h)
{
    db.MyServer.runStatement(
        QStringLiteral("INSERT INTO books (id, inv_num, liter, author, title, year_p, itemkind_id, onloan, loaner, "
                       "date_out, file, annotation) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {h.id, h.inv, text(h.liter), text(h.author), text(h.title), h.year, h.kind, h.onloan, text(h.loaner),
         text(h.dateOut), text(h.file), text(h.annotation)});
}

void addKeyword(store::TDBMod &db, qint64 bookId, const char *keyword)
{
    db.MyServer.runStatement(QStringLiteral("INSERT INTO keywords (keyword, book_id) VALUES (?, ?)"),
                             {text(keyword), bookId});
}

// The program started on an empty folder (it creates the catalogue with its four kinds), then
// filled with the holdings above, their keywords and loans, as if typed in earlier.
TMainForm &startWithHoldings(WindowFixture &f)
{
    TMainForm &w = f.startInEditMode();
    for (const Holding &h : holdings)
        addHolding(f.db(), h);
    addKeyword(f.db(), 1, "война");
    addKeyword(f.db(), 1, "история");
    addKeyword(f.db(), 2, "любовь");
    addKeyword(f.db(), 4, "война");
    f.db().MyServer.runStatement(QStringLiteral(
        "INSERT INTO orders (book_id, loaner, date_out, date_in) VALUES (1, 'Иванова А.', '2024-03-01', NULL), "
        "(4, 'Петров П.', '2024-04-15', NULL), (2, 'Сидоров С.', '2023-01-10', '2023-02-01')"));
    f.db().MyBooks.refresh();
    w.ShowRecordCount();
    return w;
}

// What the grid shows in one column, top to bottom.
QStringList shown(const TMainForm &w, int column)
{
    QStringList cells;
    for (int row = 0; row < w.gridModel->rowCount(); ++row)
        cells << w.gridModel->index(row, column).data().toString();
    return cells;
}

QString currentTitle(store::TDBMod &db) { return db.MyBooks.fieldByName(QStringLiteral("title")).asString(); }

QString countText(int n) { return QStringLiteral("Кол-во записей: ") + QString::number(n); }

QString ebookFile(const WindowFixture &f, int kind, const QString &name)
{
    return f.path(QStringLiteral("files/%1/%2").arg(kind).arg(name));
}

void createFile(const QString &path)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("electronic version");
}

void clickTitle(TMainForm &w, int column)
{
    QHeaderView *header = w.MainGrid->horizontalHeader();
    const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
}

QPoint rowCentre(const TMainForm &w, int row)
{
    return w.MainGrid->visualRect(w.gridModel->index(row, ColTitle)).center();
}

bool sameImage(const QIcon &a, const QIcon &b)
{
    return a.pixmap(16, 16).toImage() == b.pixmap(16, 16).toImage();
}

void makeActive(TMainForm &w)
{
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.MainGrid->setFocus();
}

} // namespace

class GridTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Библиотека")); }

    void showsEightColumnsWithTheAcquisitionDateHidden()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        const QStringList titles = {QStringLiteral("Инв. №"),   QStringLiteral("Лит"),      QStringLiteral("Дата пост."),
                                    QStringLiteral("Автор"),    QStringLiteral("Название"), QStringLiteral("Год изд."),
                                    QStringLiteral("Кому выдано"), QStringLiteral("Дата выдачи")};
        QCOMPARE(w.gridModel->columnCount(), titles.size());
        for (int c = 0; c < titles.size(); ++c) {
            QCOMPARE(w.gridModel->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), titles[c]);
            QCOMPARE(w.MainGrid->isColumnHidden(c), c == ColDateReg);
        }
        QCOMPARE(w.gridModel->rowCount(), 6);
        QCOMPARE(shown(w, ColInv).first(), QStringLiteral("10"));
        QCOMPARE(shown(w, ColLiter).first(), QStringLiteral("К"));
        QCOMPARE(shown(w, ColLoaner).first(), QStringLiteral("Иванова А."));
        QCOMPARE(shown(w, ColYear).at(1), QStringLiteral("1985"));
        QVERIFY(shown(w, ColAuthor).at(1).isEmpty()); // no author stored
        QVERIFY(!shown(w, ColDateOut).first().isEmpty());
        QVERIFY(shown(w, ColDateOut).at(1).isEmpty());
        // Read-only: no cell opens an editor.
        QCOMPARE(w.MainGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void clicksSelectWholeRowsAndCtrlShiftExtendTheSelection()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QItemSelectionModel *selection = w.MainGrid->selectionModel();
        auto selectedRows = [&] {
            QList<int> rows;
            for (const QModelIndex &i : selection->selectedRows())
                rows << i.row();
            std::sort(rows.begin(), rows.end());
            return rows;
        };

        QTest::mouseClick(w.MainGrid->viewport(), Qt::LeftButton, {}, rowCentre(w, 1));
        QCOMPARE(selectedRows(), QList<int>({1}));
        // The whole row is selected, whichever cell was clicked.
        for (int c = 0; c < w.gridModel->columnCount(); ++c)
            QVERIFY(selection->isSelected(w.gridModel->index(1, c)));
        QCOMPARE(currentTitle(f.db()), QStringLiteral("Анна Каренина"));

        QTest::mouseClick(w.MainGrid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(w, 3));
        QCOMPARE(selectedRows(), QList<int>({1, 3}));
        QTest::mouseClick(w.MainGrid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(w, 1));
        QCOMPARE(selectedRows(), QList<int>({3}));
        QTest::mouseClick(w.MainGrid->viewport(), Qt::LeftButton, {}, rowCentre(w, 2));
        QTest::mouseClick(w.MainGrid->viewport(), Qt::LeftButton, Qt::ShiftModifier, rowCentre(w, 4));
        QCOMPARE(selectedRows(), QList<int>({2, 3, 4}));
        QTest::mouseClick(w.MainGrid->viewport(), Qt::LeftButton, {}, rowCentre(w, 0));
        QCOMPARE(selectedRows(), QList<int>({0}));

        // Moving with the keyboard alone drops a multiple selection.
        QTest::mouseClick(w.MainGrid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(w, 2));
        QCOMPARE(selectedRows(), QList<int>({0, 2}));
        QTest::keyClick(w.MainGrid, Qt::Key_Down);
        QVERIFY(!selection->isRowSelected(0));
        QVERIFY(!selection->isRowSelected(2));
        QCOMPARE(f.db().MyBooks.recNo(), 3);
    }

    void titleClicksStepTheSortMarker_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("order");
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QStringList>("titles");

        const QStringList byAuthorDown = {QStringLiteral("Битва за Москву"), QStringLiteral("Война и мир"),
                                          QStringLiteral("Конёк-Горбунок"),  QStringLiteral("Жизнь и судьба"),
                                          QStringLiteral("Ёлки"),            QStringLiteral("Анна Каренина")};
        QStringList byAuthorUp = byAuthorDown;
        std::reverse(byAuthorUp.begin(), byAuthorUp.end());
        const QStringList byTitleUp = {QStringLiteral("Анна Каренина"), QStringLiteral("Битва за Москву"),
                                       QStringLiteral("Война и мир"),   QStringLiteral("Ёлки"),
                                       QStringLiteral("Жизнь и судьба"), QStringLiteral("Конёк-Горбунок")};
        QStringList byTitleDown = byTitleUp;
        std::reverse(byTitleDown.begin(), byTitleDown.end());
        const QStringList byInvUp = {QStringLiteral("Битва за Москву"), QStringLiteral("Анна Каренина"),
                                     QStringLiteral("Ёлки"),            QStringLiteral("Война и мир"),
                                     QStringLiteral("Конёк-Горбунок"),  QStringLiteral("Жизнь и судьба")};
        QStringList byInvDown = byInvUp;
        std::reverse(byInvDown.begin(), byInvDown.end());

        QTest::newRow("author once: descending, no author last") << int(ColAuthor) << 1 << "author DESC" << false << byAuthorDown;
        QTest::newRow("author twice: ascending, no author first") << int(ColAuthor) << 2 << "author ASC" << true << byAuthorUp;
        QTest::newRow("author three times: descending again") << int(ColAuthor) << 3 << "author DESC" << false << byAuthorDown;
        QTest::newRow("inventory number once: ascending") << int(ColInv) << 1 << "inv_num ASC" << true << byInvUp;
        QTest::newRow("inventory number twice: descending") << int(ColInv) << 2 << "inv_num DESC" << false << byInvDown;
        QTest::newRow("title once: descending") << int(ColTitle) << 1 << "title DESC" << false << byTitleDown;
        QTest::newRow("title twice: Cyrillic order, Ё with Е") << int(ColTitle) << 2 << "title ASC" << true << byTitleUp;
        QTest::newRow("year twice: ascending")
            << int(ColYear) << 2 << "year_p ASC" << true
            << QStringList{QStringLiteral("Конёк-Горбунок"), QStringLiteral("Жизнь и судьба"), QStringLiteral("Анна Каренина"),
                           QStringLiteral("Война и мир"), QStringLiteral("Ёлки"), QStringLiteral("Битва за Москву")};
        QTest::newRow("date lent once: lent ones first, latest first")
            << int(ColDateOut) << 1 << "date_out DESC" << false
            << QStringList{QStringLiteral("Жизнь и судьба"), QStringLiteral("Война и мир"), QStringLiteral("Анна Каренина"),
                           QStringLiteral("Ёлки"), QStringLiteral("Битва за Москву"), QStringLiteral("Конёк-Горбунок")};
        QTest::newRow("lent to twice: nobody first")
            << int(ColLoaner) << 2 << "loaner ASC" << true
            << QStringList{QStringLiteral("Анна Каренина"), QStringLiteral("Ёлки"), QStringLiteral("Битва за Москву"),
                           QStringLiteral("Конёк-Горбунок"), QStringLiteral("Война и мир"), QStringLiteral("Жизнь и судьба")};
    }

    void titleClicksStepTheSortMarker()
    {
        QFETCH(int, column);
        QFETCH(int, clicks);
        QFETCH(QString, order);
        QFETCH(bool, ascending);
        QFETCH(QStringList, titles);
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QHeaderView *header = w.MainGrid->horizontalHeader();
        data::Dataset &books = f.db().MyBooks;

        // At start only "Инв. №" carries a marker, pointing down, and the rows come as stored.
        QCOMPARE(header->sortIndicatorSection(), int(ColInv));
        QVERIFY(!w.MainGrid->sortMarkerAscending());
        QVERIFY(books.indexFieldNames().isEmpty());
        QCOMPARE(shown(w, ColInv), QStringList({"10", "3", "7", "25", "1", "12"}));

        for (int i = 0; i < clicks; ++i) {
            books.setRecNo(4); // the click brings the first row back as the current one
            emit header->sectionClicked(column);
            QCOMPARE(header->sortIndicatorSection(), column);
            QCOMPARE(books.recNo(), 0);
            QCOMPARE(w.MainGrid->currentIndex().row(), 0);
        }
        QCOMPARE(books.indexFieldNames(), order);
        QCOMPARE(w.MainGrid->sortMarkerAscending(), ascending);
        QCOMPARE(shown(w, ColTitle), titles);
        QCOMPARE(currentTitle(f.db()), titles.first());
    }

    void aClickOnTheLetterTitleChangesNothing()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QHeaderView *header = w.MainGrid->horizontalHeader();
        data::Dataset &books = f.db().MyBooks;

        // Real mouse clicks on the titles, as the librarian makes them.
        clickTitle(w, ColAuthor);
        QCOMPARE(header->sortIndicatorSection(), int(ColAuthor));
        QVERIFY(!w.MainGrid->sortMarkerAscending());
        clickTitle(w, ColAuthor);
        QVERIFY(w.MainGrid->sortMarkerAscending());
        const QStringList before = shown(w, ColTitle);
        books.setRecNo(3);

        clickTitle(w, ColLiter);
        QCOMPARE(header->sortIndicatorSection(), int(ColAuthor));
        QVERIFY(w.MainGrid->sortMarkerAscending());
        QCOMPARE(books.indexFieldNames(), QStringLiteral("author ASC"));
        QCOMPARE(shown(w, ColTitle), before);
        QCOMPARE(books.recNo(), 3);

        emit header->sectionClicked(ColLiter);
        QCOMPARE(header->sortIndicatorSection(), int(ColAuthor));
        QVERIFY(w.MainGrid->sortMarkerAscending());
        QCOMPARE(shown(w, ColTitle), before);
        QCOMPARE(books.recNo(), 3);

        // A column moved by the user still sorts by its own field.
        header->moveSection(header->visualIndex(ColYear), 0);
        clickTitle(w, ColYear);
        QCOMPARE(books.indexFieldNames(), QStringLiteral("year_p DESC"));
        QCOMPARE(header->sortIndicatorSection(), int(ColYear));
        QCOMPARE(shown(w, ColYear), QStringList({"2010", "2001", "1990", "1985", "1977", "1956"}));
    }

    void columnsStretchTogetherToTheGridsWidth()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QHeaderView *header = w.MainGrid->horizontalHeader();
        // The designed size first: the minimum widths of some columns must come out of the others.
        for (const int width : {800, 1100, 1800}) {
            w.resize(width, 525);
            QTRY_COMPARE(w.width(), width);
            QApplication::processEvents();
            int total = 0;
            int shownColumns = 0;
            for (int c = 0; c < w.gridModel->columnCount(); ++c)
                if (!w.MainGrid->isColumnHidden(c)) {
                    total += header->sectionSize(c);
                    ++shownColumns;
                }
            const int available = w.MainGrid->viewport()->width();
            const QString sizes = QStringLiteral("window %1: columns %2 px, grid %3 px").arg(width).arg(total).arg(available);
            QVERIFY2(total <= available && total >= available - shownColumns, qPrintable(sizes));
            QVERIFY2(w.MainGrid->horizontalScrollBar()->maximum() == 0, qPrintable(sizes));
            QVERIFY(header->sectionSize(ColInv) >= 50);
            QVERIFY(header->sectionSize(ColLiter) <= 35);
            QVERIFY(header->sectionSize(ColAuthor) >= 100);
            QVERIFY(header->sectionSize(ColYear) >= 60);
            QVERIFY(header->sectionSize(ColDateOut) >= 75);
            QVERIFY(header->sectionSize(ColTitle) > header->sectionSize(ColAuthor));
        }
    }

    void typingInTheGridFindsARowBeginningWithTheText()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        w.MainGrid->setCurrentIndex(w.gridModel->index(0, ColTitle));
        QTest::sendKeyEvent(QTest::Press, w.MainGrid, Qt::Key_unknown, QStringLiteral("Ж"), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, w.MainGrid, Qt::Key_unknown, QStringLiteral("Ж"), Qt::NoModifier);
        QCOMPARE(w.MainGrid->currentIndex().row(), 3);
        QCOMPARE(currentTitle(f.db()), QStringLiteral("Жизнь и судьба"));
    }

    void theSortOrderSurvivesASearchATabAndAQuickFilter()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QHeaderView *header = w.MainGrid->horizontalHeader();
        emit header->sectionClicked(ColAuthor);
        emit header->sectionClicked(ColAuthor); // ascending

        w.FldBox->setCurrentIndex(1);
        w.edSearch->setText(QStringLiteral("и"));
        w.edSearchKeyUp(Qt::Key_Return);
        QCOMPARE(shown(w, ColTitle), QStringList({"Анна Каренина", "Ёлки", "Жизнь и судьба", "Война и мир", "Битва за Москву"}));
        QCOMPARE(header->sortIndicatorSection(), int(ColAuthor));
        QVERIFY(w.MainGrid->sortMarkerAscending());

        w.tcKinds->setCurrentIndex(1); // Книги
        QCOMPARE(shown(w, ColTitle), QStringList({"Анна Каренина", "Жизнь и судьба", "Война и мир"}));

        w.chbLoaned->click();
        QCOMPARE(shown(w, ColTitle), QStringList({"Жизнь и судьба", "Война и мир"}));
        QCOMPARE(f.db().MyBooks.indexFieldNames(), QStringLiteral("author ASC"));
    }

    void lentHoldingsAreLightYellowInEveryColumn()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        const QColor lentColour(255, 255, 191);
        // Loan periods long enough that none of the loans of 2024 is late yet.
        QVERIFY(store::writeLoanPeriods(*store::process().SettingsFile, {{3650, 3650, 3650, 3650}}));
        w.refreshOverdueMarks();
        auto checkRows = [&](const QSet<QString> &lentTitles) {
            for (int row = 0; row < w.gridModel->rowCount(); ++row) {
                const bool lent = lentTitles.contains(w.gridModel->index(row, ColTitle).data().toString());
                for (int c = 0; c < w.gridModel->columnCount(); ++c) {
                    const QVariant background = w.gridModel->index(row, c).data(Qt::BackgroundRole);
                    if (lent)
                        QCOMPARE(background.value<QColor>(), lentColour);
                    else
                        QVERIFY2(!background.isValid(), qPrintable(QStringLiteral("row %1 column %2").arg(row).arg(c)));
                }
            }
        };
        checkRows({QStringLiteral("Война и мир"), QStringLiteral("Жизнь и судьба")});
        // The colour follows the rows when they are sorted.
        emit w.MainGrid->horizontalHeader()->sectionClicked(ColTitle);
        checkRows({QStringLiteral("Война и мир"), QStringLiteral("Жизнь и судьба")});

        // Returned: drawn normally again.
        f.db().MyServer.runStatement(QStringLiteral("UPDATE books SET onloan = 0, loaner = NULL, date_out = NULL WHERE id = 1"));
        f.db().MyBooks.refresh();
        checkRows({QStringLiteral("Жизнь и судьба")});
    }

    void escapeAndBackToFullCatalogueClearTheFilters_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Esc pressed in the grid") << "key";
        QTest::newRow("Esc character handed to the grid") << "char";
        QTest::newRow("Вернуться к полной картотеке") << "menu";
    }

    void escapeAndBackToFullCatalogueClearTheFilters()
    {
        QFETCH(QString, how);
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        store::TDBMod &db = f.db();
        QCOMPARE(w.windowTitle(), QStringLiteral("Библиотека"));

        emit w.MainGrid->horizontalHeader()->sectionClicked(ColTitle); // descending by title
        w.tcKinds->setCurrentIndex(1); // Книги: 1, 2, 4, 6
        w.FldBox->setCurrentIndex(1);
        w.edSearch->setText(QStringLiteral("война"));
        w.edSearchKeyUp(Qt::Key_Return);
        db.SetCondition(QStringLiteral("param|author LIKE 'Ж%'"));
        w.chbLoaned->click();
        w.setWindowTitle(QStringLiteral("Новые поступления"));
        QCOMPARE(w.gridModel->rowCount(), 1);

        if (how == u"key") {
            QTest::keyClick(w.MainGrid, Qt::Key_Escape);
        } else if (how == u"char") {
            QVERIFY(w.MainGridKeyPress(QChar(27)));
        } else {
            QCOMPARE(w.N10->text(), QStringLiteral("Вернуться к полной картотеке"));
            w.N10->trigger();
        }

        QVERIFY(db.JoinConditions().isEmpty());
        QCOMPARE(db.MyBooks.filterSQL(), QStringLiteral("itemkind_id = 1")); // the tab still applies
        QVERIFY(!db.MyBooks.filtered());
        QVERIFY(w.chbLoaned->isChecked());
        QCOMPARE(shown(w, ColTitle), QStringList({"Конёк-Горбунок", "Жизнь и судьба", "Война и мир", "Анна Каренина"}));
        QCOMPARE(w.sbStatusCount->text(), countText(4));
        QCOMPARE(w.windowTitle(), QStringLiteral("Библиотека"));
        // The search text, its field, the tab and the order are left as they were.
        QCOMPARE(f.db().MyBooks.indexFieldNames(), QStringLiteral("title DESC"));
        QCOMPARE(w.edSearch->text(), QStringLiteral("война"));
        QCOMPARE(w.FldBox->currentIndex(), 1);
        QCOMPARE(w.tcKinds->currentIndex(), 1);

        // The box clicked off and on again brings the lent-only view back.
        w.chbLoaned->click();
        w.chbLoaned->click();
        QCOMPARE(shown(w, ColTitle), QStringList({"Жизнь и судьба", "Война и мир"}));
        QCOMPARE(w.sbStatusCount->text(), countText(2));
    }

    void theOpenEbookItemIsEnabledExactlyWhenTheFileExists_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("fileToCreate"); // below files/, empty for none
        QTest::addColumn<bool>("enabled");

        QTest::newRow("file of the record's kind and number") << 0 << "1/10.pdf" << true;
        QTest::newRow("record with an extension, no file") << 3 << "" << false;
        QTest::newRow("file under another kind's folder") << 0 << "2/10.pdf" << false;
        QTest::newRow("file with another extension") << 0 << "1/10.doc" << false;
        QTest::newRow("no version, no file") << 1 << "" << false;
        QTest::newRow("no version but a file named as the number") << 1 << "1/3" << true;
        QTest::newRow("empty extension, file named as the number") << 2 << "2/7" << true;
        QTest::newRow("a folder where the file would be") << 4 << "3/1.txt/" << false;
    }

    void theOpenEbookItemIsEnabledExactlyWhenTheFileExists()
    {
        QFETCH(int, row);
        QFETCH(QString, fileToCreate);
        QFETCH(bool, enabled);
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        if (fileToCreate.endsWith(u'/'))
            QVERIFY(QDir().mkpath(f.path(QStringLiteral("files/") + fileToCreate)));
        else if (!fileToCreate.isEmpty())
            createFile(f.path(QStringLiteral("files/") + fileToCreate));
        f.db().MyBooks.setRecNo(row);
        w.MainGridContextPopup();
        QCOMPARE(w.N3->isEnabled(), enabled);
    }

    void theLendItemReadsReturnForALentRecord()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        for (int row = 0; row < w.gridModel->rowCount(); ++row) {
            f.db().MyBooks.setRecNo(row);
            w.MainGridContextPopup();
            const bool lent = row == 0 || row == 3;
            QCOMPARE(w.N8->text(), lent ? QStringLiteral("Вернуть") : QStringLiteral("Выдать"));
            QVERIFY(sameImage(w.N8->icon(), ui::sharedImage(lent ? 1 : 2)));
        }
    }

    void aRightClickPreparesAndOpensTheMenu()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        createFile(ebookFile(f, 1, QStringLiteral("25.doc")));
        f.db().MyBooks.setRecNo(3); // Жизнь и судьба: lent, with its file
        const QPoint at = rowCentre(w, 3);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, w.MainGrid->viewport()->mapToGlobal(at));
        QApplication::sendEvent(w.MainGrid->viewport(), &event);
        QTRY_VERIFY(w.PopupMenu1->isVisible());
        QCOMPARE(w.N8->text(), QStringLiteral("Вернуть"));
        QVERIFY(w.N3->isEnabled());
        w.PopupMenu1->hide();
    }

    void anEmptyCatalogueStillOffersTheMenu()
    {
        WindowFixture f;
        TMainForm &w = f.startInEditMode();
        QCOMPARE(w.gridModel->rowCount(), 0);
        QVERIFY(QDir().mkpath(f.path(QStringLiteral("files"))));
        w.MainGridContextPopup();
        QVERIFY(!w.N3->isEnabled());
        QCOMPARE(w.N8->text(), QStringLiteral("Выдать"));

        // Deleting asks first, then the store says there is nothing to delete.
        w.N9->trigger();
        QCOMPARE(f.platform.messages.size(), 2);
        QCOMPARE(f.platform.messages[0].caption, QStringLiteral("Удаление"));
        QCOMPARE(f.platform.messages[1].text, QStringLiteral("Cannot perform this operation on an empty dataset."));
        QCOMPARE(f.platform.messages[1].caption, QStringLiteral("Библиотека"));
        QCOMPARE(f.platform.messages[1].icon, ui::MsgIcon::Error);
        QCOMPARE(w.sbStatusCount->text(), countText(0));
    }

    void deletingAsksAndNoLeavesRecordAndFile()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        const QString file = ebookFile(f, 1, QStringLiteral("10.pdf"));
        createFile(file);
        f.db().MyBooks.setRecNo(0);
        f.platform.messageAnswers = {ui::No};
        w.N9->trigger();

        QCOMPARE(f.platform.messages.size(), 1);
        const RecordingPlatform::Message &asked = f.platform.messages.first();
        QCOMPARE(asked.text, QStringLiteral("Вы уверены, что хотите удалить запись?"));
        QCOMPARE(asked.caption, QStringLiteral("Удаление"));
        QCOMPARE(asked.icon, ui::MsgIcon::Question);
        QCOMPARE(asked.buttons, int(ui::Yes | ui::No));
        QVERIFY(QFile::exists(file));
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books WHERE id = 1")), 1);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM keywords WHERE book_id = 1")), 2);
        QCOMPARE(w.gridModel->rowCount(), 6);
        QCOMPARE(currentTitle(f.db()), QStringLiteral("Война и мир"));
    }

    void deletingWithYesRemovesFileRecordAndKeywords_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("menu item") << "menu";
        QTest::newRow("Del key in the grid") << "key";
    }

    void deletingWithYesRemovesFileRecordAndKeywords()
    {
        QFETCH(QString, how);
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        store::TDBMod &db = f.db();
        const QString file = ebookFile(f, 1, QStringLiteral("25.doc"));
        const QString otherFile = ebookFile(f, 1, QStringLiteral("10.pdf"));
        createFile(file);
        createFile(otherFile);
        // Several rows selected: only the current one goes.
        w.MainGrid->selectionModel()->select(w.gridModel->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        db.MyBooks.setRecNo(3); // Жизнь и судьба, id 4
        w.MainGrid->selectionModel()->select(w.gridModel->index(5, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

        if (how == u"key") {
            makeActive(w);
            QTest::keyClick(w.MainGrid, Qt::Key_Delete);
        } else {
            w.N9->trigger();
        }

        QCOMPARE(f.platform.messages.size(), 1);
        QCOMPARE(f.platform.messages.first().caption, QStringLiteral("Удаление"));
        QVERIFY(!QFile::exists(file));
        QVERIFY(QFile::exists(otherFile));
        QCOMPARE(scalar(db, QStringLiteral("SELECT COUNT(*) FROM books WHERE id = 4")), 0);
        QCOMPARE(scalar(db, QStringLiteral("SELECT COUNT(*) FROM books")), 5);
        QCOMPARE(scalar(db, QStringLiteral("SELECT COUNT(*) FROM keywords WHERE book_id = 4")), 0);
        QCOMPARE(scalar(db, QStringLiteral("SELECT COUNT(*) FROM keywords WHERE keyword = 'война'")), 1);
        QCOMPARE(scalar(db, QStringLiteral("SELECT COUNT(*) FROM orders WHERE book_id = 4")), 1); // loans stay
        QCOMPARE(shown(w, ColTitle), QStringList({"Война и мир", "Анна Каренина", "Ёлки", "Битва за Москву", "Конёк-Горбунок"}));
        // The next record becomes current, in the dataset and in the grid.
        QCOMPARE(currentTitle(db), QStringLiteral("Битва за Москву"));
        QCOMPARE(w.MainGrid->currentIndex().row(), 3);
        QCOMPARE(w.sbStatusCount->text(), countText(5));
    }

    void delInTheSearchBoxDeletesNoRecord()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        makeActive(w);
        w.edSearch->setText(QStringLiteral("война"));
        w.edSearch->setFocus();
        w.edSearch->setCursorPosition(0);
        QTest::keyClick(w.edSearch, Qt::Key_Delete);
        QCOMPARE(w.edSearch->text(), QStringLiteral("ойна"));
        QVERIFY(f.platform.messages.isEmpty());
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books")), 6);
    }

    void aDeletionTheStoreRefusesKeepsTheRecordButNotTheFile()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        store::TDBMod &db = f.db();
        const QString file = ebookFile(f, 1, QStringLiteral("10.pdf"));
        createFile(file);
        db.MyServer.runStatement(QStringLiteral(
            "CREATE TRIGGER keep_books BEFORE DELETE ON books BEGIN SELECT RAISE(ABORT, 'записи не удаляются'); END"));
        db.MyBooks.setRecNo(0);
        w.N9->trigger();

        QCOMPARE(f.platform.messages.size(), 2);
        QVERIFY(f.platform.messages[1].text.contains(QStringLiteral("записи не удаляются")));
        QCOMPARE(f.platform.messages[1].icon, ui::MsgIcon::Error);
        QVERIFY(!QFile::exists(file)); // the file went first
        QCOMPARE(scalar(db, QStringLiteral("SELECT COUNT(*) FROM books WHERE id = 1")), 1);
        QCOMPARE(w.gridModel->rowCount(), 6);
        QCOMPARE(currentTitle(db), QStringLiteral("Война и мир"));
        QCOMPARE(w.sbStatusCount->text(), countText(6));
    }

    void gridAndCurrentRecordFollowEachOther()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        data::Dataset &books = f.db().MyBooks;
        QCOMPARE(books.recNo(), 0);
        QCOMPARE(w.MainGrid->currentIndex().row(), 0);
        QCOMPARE(w.edAnnotation->toPlainText(), QStringLiteral("Роман-эпопея"));

        w.MainGrid->setCurrentIndex(w.gridModel->index(3, ColTitle));
        QCOMPARE(books.recNo(), 3);
        QCOMPARE(currentTitle(f.db()), QStringLiteral("Жизнь и судьба"));
        QCOMPARE(w.edAnnotation->toPlainText(), QStringLiteral("Сталинград"));

        books.setRecNo(5);
        QCOMPARE(w.MainGrid->currentIndex().row(), 5);
        QVERIFY(w.MainGrid->selectionModel()->isRowSelected(5));
        QCOMPARE(w.edAnnotation->toPlainText(), QStringLiteral("Сказка"));

        books.first();
        QCOMPARE(w.MainGrid->currentIndex().row(), 0);

        QTest::keyClick(w.MainGrid, Qt::Key_Down);
        QCOMPARE(books.recNo(), 1);
        QCOMPARE(w.edAnnotation->toPlainText(), QStringLiteral("О любви"));

        // A new search makes its first row current in both.
        w.edSearch->setText(QStringLiteral("жизнь"));
        w.edSearchKeyUp(Qt::Key_Return);
        QCOMPARE(books.recNo(), 0);
        QCOMPARE(w.MainGrid->currentIndex().row(), 0);
        QCOMPARE(currentTitle(f.db()), QStringLiteral("Жизнь и судьба"));
        QCOMPARE(w.edAnnotation->toPlainText(), QStringLiteral("Сталинград"));
    }

    void ctrlFFindsTheNextRowHoldingAText()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        makeActive(w);
        w.MainGrid->setCurrentIndex(w.gridModel->index(0, ColTitle));
        QTest::keyClick(w.MainGrid, Qt::Key_F, Qt::ControlModifier);
        auto *find = w.MainGrid->findChild<ui::FindDialog *>();
        QVERIFY(find);
        QTRY_VERIFY(find->isVisible());

        // Looks from the row after the current one, in the current column, ignoring case.
        QVERIFY(find->findNext(QStringLiteral("ЖИЗНЬ")));
        QCOMPARE(w.MainGrid->currentIndex().row(), 3);
        QCOMPARE(currentTitle(f.db()), QStringLiteral("Жизнь и судьба"));
        QVERIFY(find->findNext(QStringLiteral("и")));
        QCOMPARE(w.MainGrid->currentIndex().row(), 4); // Битва за Москву
        QVERIFY(!find->findNext(QStringLiteral("Война"))); // only above the current row
        QCOMPARE(w.MainGrid->currentIndex().row(), 4);
        QVERIFY(!find->findNext(QStringLiteral("Толстой")));
        QCOMPARE(currentTitle(f.db()), QStringLiteral("Битва за Москву"));
        find->hide();
    }

    void theModelStaysConsistentFromOpeningThroughSearchSortFilterAndDeletion()
    {
        WindowFixture f;
        f.writeSettings("[General]\r\nAutoAdminLogon=1\r\n");
        f.create();
        QAbstractItemModelTester tester(f.form().gridModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
        TMainForm &w = startWithHoldings(f);
        store::TDBMod &db = f.db();
        QCOMPARE(w.gridModel->rowCount(), 6);

        w.edSearch->setText(QStringLiteral("и"));
        w.FldBox->setCurrentIndex(1);
        w.edSearchKeyUp(Qt::Key_Return);
        QCOMPARE(w.gridModel->rowCount(), 5);
        emit w.MainGrid->horizontalHeader()->sectionClicked(ColAuthor);
        w.chbLoaned->click();
        QCOMPARE(w.gridModel->rowCount(), 2);
        db.MyBooks.setRecNo(1);
        w.N9->trigger();
        QCOMPARE(w.gridModel->rowCount(), 1);
        w.tcKinds->setCurrentIndex(2);
        QCOMPARE(w.gridModel->rowCount(), 0);
        w.N10Click();
        w.tcKinds->setCurrentIndex(0);
        QCOMPARE(w.gridModel->rowCount(), 5);
        db.MyBooks.refresh();
        QCOMPARE(w.gridModel->rowCount(), 5);
    }

    // A view or proxy reads the rows around a removed one while it is being removed: they must
    // still be the rows it knew.
    void theModelAnnouncesADeletedRowBeforeItGoes()
    {
        WindowFixture f;
        TMainForm &w = startWithHoldings(f);
        QAbstractItemModelTester tester(w.gridModel, QAbstractItemModelTester::FailureReportingMode::QtTest);
        f.db().MyBooks.setRecNo(2); // Ёлки, between Анна Каренина and Жизнь и судьба
        w.N9->trigger();
        QCOMPARE(w.gridModel->rowCount(), 5);
        QCOMPARE(shown(w, ColTitle), QStringList({"Война и мир", "Анна Каренина", "Жизнь и судьба", "Битва за Москву",
                                                  "Конёк-Горбунок"}));
    }
};

QTEST_MAIN(GridTest)
#include "test_grid.moc"
