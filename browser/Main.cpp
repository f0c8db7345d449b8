// The main window's construction: its panes, top strip and status bar.
#include "Main.h"

#include "DatasetModel.h"
#include "MainGridView.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent)
{
    setWindowTitle(QApplication::applicationName());
    setObjectName(QStringLiteral("MainForm"));
    buildTopPanel();
    buildPanes();
    buildMenus();
    buildGrid();
    buildTabs();
    connectSearch();
    sbStatusCount = new QLabel(this);
    sbStatusCount->setMinimumWidth(150);
    statusBar()->addWidget(sbStatusCount);
    buildOverdueLegend();
    resize(800, 525);
    if (const QScreen *screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TMainForm::~TMainForm() = default;

void TMainForm::buildTopPanel()
{
    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(49);
    auto *row = new QHBoxLayout(Panel1);
    row->setContentsMargins(6, 2, 6, 2);
    btnNewItem = new QToolButton(Panel1);
    btnNewItem->setFixedSize(38, 38);
    btnNewItem->setFocusPolicy(Qt::NoFocus);
    btnNewItem->setIconSize(QSize(24, 24));
    btnNewItem->setAccessibleName(QStringLiteral("Новая запись"));
    btnNewItem->setToolTip(QStringLiteral("Новая запись"));
    row->addWidget(btnNewItem);

    gbSearch = new QGroupBox(QStringLiteral("Поиск"), Panel1);
    auto *search = new QHBoxLayout(gbSearch);
    search->setContentsMargins(4, 0, 4, 2);
    FldBox = new QComboBox(gbSearch);
    FldBox->addItems({QStringLiteral("Инв. №"), QStringLiteral("Название"), QStringLiteral("Автор"),
                      QStringLiteral("Ключевые слова"), QStringLiteral("Кому выдано"), QStringLiteral("Издательство"),
                      QStringLiteral("Источник поступления"), QStringLiteral("Год издания"),
                      QStringLiteral("Аннотация"), QStringLiteral("Примечание"), QStringLiteral("ISBN")});
    FldBox->setMaxVisibleItems(10);
    FldBox->setCurrentIndex(1);
    FldBox->setFixedWidth(129);
    FldBox->setAccessibleName(QStringLiteral("Поле поиска"));
    edSearch = new QLineEdit(gbSearch);
    edSearch->setFixedWidth(297);
    edSearch->setAccessibleName(QStringLiteral("Текст поиска"));
    edSearch->setClearButtonEnabled(false);
    search->addWidget(FldBox);
    search->addWidget(edSearch);
    row->addWidget(gbSearch);

    EvBox = new QCheckBox(QStringLiteral("Имеют эл. вариант"), Panel1);
    chbLoaned = new QCheckBox(QStringLiteral("Выданные"), Panel1);
    row->addSpacing(8);
    row->addWidget(EvBox);
    row->addWidget(chbLoaned);
    row->addStretch(1);
}

void TMainForm::buildPanes()
{
    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setChildrenCollapsible(false);
    auto *left = new QWidget(Splitter1);
    left->setObjectName(QStringLiteral("leftPane"));
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);

    buildRubricTree(left);
    buildAuthorIndex(left);

    gbKeywords = new QGroupBox(QStringLiteral("Поиск по ключевым словам"), left);
    auto *kw = new QVBoxLayout(gbKeywords);
    kw->setContentsMargins(4, 4, 4, 4);
    edKeywordFilter = new QLineEdit(gbKeywords);
    edKeywordFilter->setAccessibleName(QStringLiteral("Ключевое слово"));
    grKeywords = new QTableView(gbKeywords);
    grKeywords->setAccessibleName(QStringLiteral("Ключевые слова"));
    grKeywords->horizontalHeader()->hide();
    grKeywords->verticalHeader()->hide();
    grKeywords->horizontalHeader()->setStretchLastSection(true);
    grKeywords->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grKeywords->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grKeywords->setSelectionBehavior(QAbstractItemView::SelectRows);
    grKeywords->setSelectionMode(QAbstractItemView::SingleSelection);
    kw->addWidget(edKeywordFilter);
    kw->addWidget(grKeywords);
    gbKeywords->hide();

    leftLayout->addWidget(tvRubrics);
    leftLayout->addWidget(tvAuthors);
    leftLayout->addWidget(gbKeywords);

    tcKindsArea = new QWidget(Splitter1);
    auto *area = new QVBoxLayout(tcKindsArea);
    area->setContentsMargins(0, 0, 0, 0);
    area->setSpacing(0);
    tcKinds = new QTabBar(tcKindsArea);
    tcKinds->setAccessibleName(QStringLiteral("Виды изданий"));
    tcKinds->setExpanding(false);
    tcKinds->setDrawBase(true);
    area->addWidget(tcKinds);

    Splitter2 = new QSplitter(Qt::Vertical, tcKindsArea);
    Splitter2->setHandleWidth(3);
    Splitter2->setChildrenCollapsible(false);
    MainGrid = new MainGridView(Splitter2);
    MainGrid->setAccessibleName(QStringLiteral("Картотека"));
    gbDetails = new QGroupBox(QStringLiteral("Аннотация"), Splitter2);
    auto *details = new QVBoxLayout(gbDetails);
    details->setContentsMargins(4, 2, 4, 4);
    edAnnotation = new QPlainTextEdit(gbDetails);
    edAnnotation->setAccessibleName(QStringLiteral("Аннотация"));
    edAnnotation->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    details->addWidget(edAnnotation);
    Splitter2->addWidget(MainGrid);
    Splitter2->addWidget(gbDetails);
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 0);
    Splitter2->setSizes({360, 99});
    area->addWidget(Splitter2, 1);

    Splitter1->addWidget(left);
    Splitter1->addWidget(tcKindsArea);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({192, 600});

    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Panel1);
    column->addWidget(Splitter1, 1);
    setCentralWidget(central);
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    // The designed size is the outer one; the frame is known only once the window exists.
    resize(QSize(800, 525) - (frameGeometry().size() - size()));
    FormShow();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    FormClose();
    QMainWindow::closeEvent(event);
}
