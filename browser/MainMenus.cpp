// The main menu, the left pane switching, the font steps and the annotation pane.
#include "Main.h"

#include "BookFormUnit.h"
#include "ImageList.h"
#include "MainGridView.h"
#include "Platform.h"

#include <QAction>
#include <QGroupBox>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>

void TMainForm::buildMenus()
{
    auto add = [](QMenu *menu, const QString &name, const QString &caption) {
        auto *a = menu->addAction(caption);
        a->setObjectName(name);
        return a;
    };
    N1 = menuBar()->addMenu(QStringLiteral("Картотека"));
    miNewItem = add(N1, QStringLiteral("miNewItem"), QStringLiteral("Новая запись …"));
    miNewItem->setShortcut(QKeySequence(Qt::Key_Insert));
    miExport = add(N1, QStringLiteral("miExport"), QStringLiteral("Экспорт в Word"));
    miNewAcquirements = add(N1, QStringLiteral("miNewAcquirements"), QStringLiteral("Новые поступления …"));
    N1->addSeparator();
    miDesk = add(N1, QStringLiteral("miDesk"), QStringLiteral("Выдача и возврат"));
    miDesk->setShortcut(QKeySequence(Qt::Key_F9));
    miReaders = add(N1, QStringLiteral("miReaders"), QStringLiteral("Читатели..."));
    miReaders->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    N1->addSeparator();
    miAlphabet = add(N1, QStringLiteral("miAlphabet"), QStringLiteral("Именной указатель"));
    miRubricTree = add(N1, QStringLiteral("miRubricTree"), QStringLiteral("Рубрикатор"));
    miKeywords = add(N1, QStringLiteral("miKeywords"), QStringLiteral("Ключевые слова"));
    miHideTrees = add(N1, QStringLiteral("miHideTrees"), QStringLiteral("Скрыть"));
    N1->addSeparator();
    miBackup = add(N1, QStringLiteral("miBackup"), QStringLiteral("Резервная копия ..."));
    miRestore = add(N1, QStringLiteral("miRestore"), QStringLiteral("Восстановить из резервной копии..."));
    N1->addSeparator();
    miMarcImport = add(N1, QStringLiteral("miMarcImport"), QStringLiteral("Импорт записей MARC..."));
    miMarcExport = add(N1, QStringLiteral("miMarcExport"), QStringLiteral("Экспорт записей MARC..."));
    N1->addSeparator();
    miPrintLabels = add(N1, QStringLiteral("miPrintLabels"), QStringLiteral("Печать этикеток..."));
    miPrintLabels->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    miPrintCards = add(N1, QStringLiteral("miPrintCards"), QStringLiteral("Печать карточек..."));
    miPrintCards->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    N1->addSeparator();
    miExit = add(N1, QStringLiteral("miExit"), QStringLiteral("Выход"));

    N27 = menuBar()->addMenu(QStringLiteral("Вид"));
    miFontLarger = add(N27, QStringLiteral("miFontLarger"), QStringLiteral("Шрифт крупнее"));
    miFontSmaller = add(N27, QStringLiteral("miFontSmaller"), QStringLiteral("Шрифт мельче"));
    miAnnotation = add(N27, QStringLiteral("miAnnotation"), QStringLiteral("Аннотация"));

    N11 = menuBar()->addMenu(QStringLiteral("Отчеты"));
    N12 = add(N11, QStringLiteral("N12"), QStringLiteral("Общий"));
    N13 = add(N11, QStringLiteral("N13"), QStringLiteral("По сотрудникам"));
    N14 = add(N11, QStringLiteral("N14"), QStringLiteral("Выданные"));
    miOverdue = add(N11, QStringLiteral("miOverdue"), QStringLiteral("Должники..."));
    miLoanStatistics = add(N11, QStringLiteral("miLoanStatistics"), QStringLiteral("Статистика выдачи..."));
    miReferenceList = add(N11, QStringLiteral("miReferenceList"), QStringLiteral("Список литературы..."));
    N11->addSeparator();
    miPrint = add(N11, QStringLiteral("miPrint"), QStringLiteral("Печать…"));
    miPrint->setEnabled(false); // until a report has been written in this run

    miSetup = menuBar()->addMenu(QStringLiteral("Настройка"));
    miPassword = add(miSetup, QStringLiteral("miPassword"), QStringLiteral("Доступ"));
    N4 = add(miSetup, QStringLiteral("N4"), QStringLiteral("Виды изданий"));
    miLoanPeriods = add(miSetup, QStringLiteral("miLoanPeriods"), QStringLiteral("Сроки выдачи..."));
    miMailSettings = add(miSetup, QStringLiteral("miMailSettings"), QStringLiteral("Почта..."));

    N15 = menuBar()->addMenu(QStringLiteral("Справка"));
    N18 = add(N15, QStringLiteral("N18"), QStringLiteral("Помощь"));
    N18->setShortcut(QKeySequence(Qt::Key_F1));
    miAbout = add(N15, QStringLiteral("miAbout"), QStringLiteral("О программе"));

    const std::pair<QAction *, void (TMainForm::*)()> handlers[] = {
        {miExport, &TMainForm::miExportClick},   {miNewAcquirements, &TMainForm::miNewAcquirementsClick},
        {miBackup, &TMainForm::miBackupClick},   {miRestore, &TMainForm::miRestoreClick},
        {miMarcImport, &TMainForm::miMarcImportClick}, {miMarcExport, &TMainForm::miMarcExportClick},
        {N12, &TMainForm::N12Click},             {N13, &TMainForm::N13Click},
        {N14, &TMainForm::N14Click},             {miPrint, &TMainForm::miPrintClick},
        {N4, &TMainForm::N4Click},               {N18, &TMainForm::N18Click},
        {miAbout, &TMainForm::miAboutClick},     {miOverdue, &TMainForm::miOverdueClick},
        {miLoanStatistics, &TMainForm::miLoanStatisticsClick}, {miLoanPeriods, &TMainForm::miLoanPeriodsClick},
        {miPrintLabels, &TMainForm::miPrintLabelsClick}, {miPrintCards, &TMainForm::miPrintCardsClick},
        {miReferenceList, &TMainForm::miReferenceListClick}, {miMailSettings, &TMainForm::miMailSettingsClick},
        {miDesk, &TMainForm::miDeskClick}, {miReaders, &TMainForm::miReadersClick}};
    for (const auto &[action, handler] : handlers)
        connect(action, &QAction::triggered, this, handler);

    // Radio group 1: a chosen item toggles its own mark, clears the others, and its action runs.
    for (QAction *a : {miAlphabet, miRubricTree, miKeywords, miHideTrees}) {
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a] { chooseLeftPane(a); });
    }
    miRubricTree->setChecked(true);
    miAnnotation->setCheckable(true);
    miAnnotation->setChecked(true);
    connect(miAnnotation, &QAction::triggered, this, &TMainForm::miAnnotationClick);
    connect(miFontLarger, &QAction::triggered, this, &TMainForm::miFontLargerClick);
    connect(miFontSmaller, &QAction::triggered, this, &TMainForm::miFontSmallerClick);
    connect(miExit, &QAction::triggered, this, &TMainForm::miExitClick);
    connect(miPassword, &QAction::triggered, this, &TMainForm::miPasswordClick);
    connect(miNewItem, &QAction::triggered, this, &TMainForm::miNewItemClick);
    connect(btnNewItem, &QToolButton::clicked, miNewItem, &QAction::trigger);
}

void TMainForm::chooseLeftPane(QAction *item)
{
    for (QAction *a : {miAlphabet, miRubricTree, miKeywords, miHideTrees})
        if (a != item)
            a->setChecked(false);
    if (item == miRubricTree)
        miRubricTreeClick();
    else if (item == miAlphabet)
        miAlphabetClick();
    else if (item == miKeywords)
        miKeywordsClick();
    else
        miHideTreesClick();
}

// One left pane at a time shares the strip beside the tabs; nullptr hides the strip.
void TMainForm::showLeftPane(QWidget *pane)
{
    for (QWidget *w : {static_cast<QWidget *>(tvRubrics), static_cast<QWidget *>(tvAuthors),
                       static_cast<QWidget *>(gbKeywords)})
        w->setVisible(w == pane);
    Splitter1->widget(0)->setVisible(pane != nullptr);
}

void TMainForm::miRubricTreeClick() { showLeftPane(tvRubrics); }
void TMainForm::miAlphabetClick() { showLeftPane(tvAuthors); }
void TMainForm::miHideTreesClick() { showLeftPane(nullptr); }

// The card follows the catalogue's font up to 11 points; larger, it keeps the size it had.
void TMainForm::setGridFontSize(int points)
{
    if (bookForm_ && points < 12)
        bookForm_->setCardFontSize(points);
    QFont f = MainGrid->font();
    f.setPointSize(points);
    MainGrid->setFont(f);
    QFont a = edAnnotation->font();
    a.setPointSize(points);
    edAnnotation->setFont(a);
}

void TMainForm::miFontLargerClick()
{
    const int size = edAnnotation->font().pointSize() + 1;
    miFontLarger->setEnabled(size < 14);
    miFontSmaller->setEnabled(size > 9);
    setGridFontSize(size);
}

void TMainForm::miFontSmallerClick()
{
    const int size = edAnnotation->font().pointSize() - 1;
    miFontLarger->setEnabled(size < 14);
    miFontSmaller->setEnabled(size > 9);
    setGridFontSize(size);
}

void TMainForm::miAnnotationClick() { gbDetails->setVisible(miAnnotation->isChecked()); }

void TMainForm::miExitClick() { close(); }
