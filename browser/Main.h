#pragma once

#include <QDate>
#include <QHash>
#include <QMainWindow>
#include <QStringList>
#include <functional>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSplitter;
class QTabBar;
class QTableView;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace store {
class TDBMod;
}
namespace ui {
class DatasetModel;
}
class QDialog;
class MainGridView;
class TBookForm;
class TPeriodFm;
class TLoanPeriodsForm;
class TMailSettingsForm;
class TOverdueForm;
class TDeskForm;
class TReadersForm;

// The main window: menus, the left panes, the item-kind tabs over the catalogue grid, the
// search strip and the annotation pane. Its parts are implemented by responsibility in
// Main*.cpp; every handler is public so that the program's own tests can drive it.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // Binds the window to the data module's datasets; called once, before the first show.
    void setDataModule(store::TDBMod *module);
    void setLoginForm(QDialog *form) { loginForm_ = form; }
    void setPasswordForm(QDialog *form) { passwordForm_ = form; }
    void setBookForm(TBookForm *form) { bookForm_ = form; }
    void setPeriodForm(TPeriodFm *form) { periodForm_ = form; }
    void setItemKindsForm(QDialog *form) { itemKindsForm_ = form; }
    void setAboutForm(QDialog *form) { aboutForm_ = form; }
    store::TDBMod *dataModule() const { return dbMod_; }

    // Window life and view state (MainState.cpp).
    void FormShow();
    void FormClose();
    void FormDestroy();
    void ShowRecordCount();

    // Menus and panes (MainMenus.cpp).
    void miRubricTreeClick();
    void miAlphabetClick();
    void miKeywordsClick();
    void miHideTreesClick();
    void miFontLargerClick();
    void miFontSmallerClick();
    void miAnnotationClick();
    void miExitClick();
    void miPasswordClick();
    void N4Click();
    void N18Click();
    void miAboutClick();

    // Reports, the period views and the export (MainReports.cpp).
    QString AskPeriod();
    void N12Click();
    void N13Click();
    void N14Click();
    void miNewAcquirementsClick();
    void miExportClick();
    void miPrintClick();
    QString lastReport() const { return lastReport_; }

    // Due dates, overdue loans and the loan statistics (MainLoans.cpp).
    void miExtendLoanClick();
    void miLoanPeriodsClick();
    void miMailSettingsClick();
    void miOverdueClick();
    void miLoanStatisticsClick();
    void refreshOverdueMarks();
    void refreshOverdueMark(qint64 bookId);
    bool isOverdueRow(int row) const;

    // The lending desk and the readers window, and the catalogue's rows they change (MainCirculation.cpp).
    void miDeskClick();
    void miReadersClick();
    void showHoldingsChanged(const QList<qint64> &bookIds);

    // The backup script and the restore from it (MainBackup.cpp).
    void miBackupClick();
    void miRestoreClick();

    // MARC files: import of a file's records, export of the holdings shown (MainMarc.cpp).
    void miMarcImportClick();
    void miMarcExportClick();

    // Printed matter: labels, catalogue cards and the reference list of the holdings shown (MainPrint.cpp).
    void miPrintLabelsClick();
    void miPrintCardsClick();
    void miReferenceListClick();

    // Item-kind tabs (MainTabs.cpp).
    void tcKindsChange();
    int tcKindsGetImageIndex(int tabIndex) const;
    void miChangeKindClick(QAction *sender);

    // Search and quick filters (MainSearch.cpp).
    void edSearchKeyUp(int key);
    void edSearchChange();
    void chbLoanedClick();
    void EvBoxClick();
    void edKeywordFilterChange();
    void grKeywordsCellClick(int row);

    // Catalogue grid (MainGrid.cpp).
    void MainGridSortMarkingChanged();
    QVariant MainGridGetCellParams(int row) const; // background of a row, invalid for the normal one
    void MainGridDblClick();
    bool MainGridKeyPress(QChar key);
    void MainGridContextPopup();
    void N3Click();
    void N9Click();
    // The record card (MainCard.cpp).
    void miNewItemClick();
    void N2Click();
    void N8Click();
    void N10Click();

    // Rubric tree (MainRubrics.cpp).
    void tvRubricsExpanding(QTreeWidgetItem *node);
    void tvRubricsChange(QTreeWidgetItem *node);
    void tvRubricsContextPopup();
    void N24Click();
    void N25Click();
    void N26Click();
    void N31Click();
    void N32Click();
    void N33Click();

    // Author index (MainAuthors.cpp).
    void ExpandLetter(QTreeWidgetItem *node);
    void tvAuthorsExpanding(QTreeWidgetItem *node);
    void tvAuthorsChange(QTreeWidgetItem *node);

    // Components, named as the program's documents name them.
    QWidget *Panel1;
    QToolButton *btnNewItem;
    QGroupBox *gbSearch;
    QComboBox *FldBox;
    QLineEdit *edSearch;
    QCheckBox *EvBox;
    QCheckBox *chbLoaned;
    void showSessionSecurity();
    QLabel *sbStatusCount;
    QLabel *sbLegend; // the meaning of the rows' colours
    QLabel *sbSession = nullptr; // how a server session crosses the network
    QSplitter *Splitter1;
    QTreeWidget *tvRubrics;
    QTreeWidget *tvAuthors;
    QGroupBox *gbKeywords;
    QLineEdit *edKeywordFilter;
    QTableView *grKeywords;
    QWidget *tcKindsArea; // the tab bar and what it holds
    QTabBar *tcKinds;
    QSplitter *Splitter2;
    MainGridView *MainGrid;
    QGroupBox *gbDetails;
    QPlainTextEdit *edAnnotation;

    // Main menu.
    QMenu *N1, *N27, *N11, *miSetup, *N15;
    QAction *miNewItem, *miExport, *miNewAcquirements, *miAlphabet, *miRubricTree, *miKeywords, *miHideTrees,
        *miBackup, *miRestore, *miMarcImport, *miMarcExport, *miPrintLabels, *miPrintCards, *miExit;
    QAction *miFontLarger, *miFontSmaller, *miAnnotation;
    QAction *N12, *N13, *N14, *miPrint, *miPassword, *N4, *N18, *miAbout;
    QAction *miOverdue, *miLoanStatistics, *miLoanPeriods, *miReferenceList, *miMailSettings;
    QAction *miDesk, *miReaders;
    // Grid context menu.
    QMenu *PopupMenu1;
    QAction *N2, *N3, *N8, *miExtendLoan, *N9, *N10;
    QMenu *miChangeKind;
    // Rubric tree context menu.
    QMenu *PopupMenu2;
    QAction *N24, *N25, *N26, *N31, *N34, *N32, *N33;

    QStringList KindIds;
    ui::DatasetModel *gridModel = nullptr;
    ui::DatasetModel *keywordModel = nullptr;
    // Made at their first use.
    TLoanPeriodsForm *loanPeriodsForm = nullptr;
    TMailSettingsForm *mailSettingsForm = nullptr;
    TOverdueForm *overdueForm = nullptr;
    TDeskForm *deskForm = nullptr;
    TReadersForm *readersForm = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildTopPanel();
    void buildPanes();
    void buildRubricTree(QWidget *pane);
    void buildRubricMenu();
    void buildAuthorIndex(QWidget *pane);
    QString askRubricName(const QString &initial);
    void openRubricRoot();
    void buildMenus();
    void buildGrid();
    void buildTabs();
    void fillKindTabs();
    void markInitialSort();
    void connectSearch();
    void chooseLeftPane(QAction *item);
    void showLeftPane(QWidget *pane);
    void setGridFontSize(int points);
    void applyViewOnly();
    bool runGuarded(const std::function<void()> &action);
    void attachGridModel();
    void stepSortMarker(int column);
    void openReport(const QString &fileName, const QByteArray &page);
    void reloadAfterRestore();
    void fillAuthorLetters();
    void buildOverdueLegend();
    void connectOverdueMarks();
    QVariant overdueToolTip(int row) const;
    void markOverduePageFrom(int row) const; // the holdings of the rows from here not yet looked at
    bool searchTextUsable(int field, const QString &text);
    QList<int> selectedPositions() const; // the grid's selected rows, in the list's order

    store::TDBMod *dbMod_ = nullptr;
    QDialog *loginForm_ = nullptr;
    QDialog *passwordForm_ = nullptr;
    TBookForm *bookForm_ = nullptr;
    TPeriodFm *periodForm_ = nullptr;
    QDialog *itemKindsForm_ = nullptr;
    QDialog *aboutForm_ = nullptr;
    QString lastReport_; // the page "Печать…" previews
    QString marcFile_;   // the MARC file read or written last, whose folder the file dialogs open
    bool shown_ = false;
    bool closeWritten_ = false;
    bool tabsChanging_ = false;
    // Holdings looked at for overdue loans: the due date of the earliest overdue one, or no date.
    mutable QHash<qint64, QDate> overdue_;
    quint64 overdueGeneration_ = 0; // the catalogue's reading they were worked out for
    int sortColumn_ = -1;         // the column carrying the sort marker, -1 for none
    bool sortAscending_ = false;  // the marker points up
};
