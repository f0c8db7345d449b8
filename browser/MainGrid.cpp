// The catalogue grid: its columns, sort markers, lent-row colour, keys, context menu, deletion
// and the way back to the full catalogue.
#include "Main.h"

#include "BookFormUnit.h"
#include "DBModUnit.h"
#include "CurrentRowLink.h"
#include "DatasetModel.h"
#include "DbEditBinder.h"
#include "FindDialog.h"
#include "ImageList.h"
#include "MainGridView.h"
#include "Platform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QShortcut>

namespace {

struct GridColumn {
    const char *field;
    const char *title;
    int width;
    int minWidth;
    int maxWidth;
    bool sortable;
    bool shown;
    const char *sample; // shown whole whatever the font size
};

const GridColumn gridColumns[] = {
    {"inv_num", "Инв. №", 53, 50, 0, true, true, "00000"},
    {"liter", "Лит", 20, 0, 35, false, true, ""},
    {"date_reg", "Дата пост.", 75, 0, 0, true, false, "00.00.0000"},
    {"author", "Автор", 100, 100, 0, true, true, ""},
    {"title", "Название", 197, 0, 0, true, true, ""},
    {"year_p", "Год изд.", 60, 60, 0, true, true, "0000"},
    {"loaner", "Кому выдано", 147, 0, 0, true, true, ""},
    {"date_out", "Дата выдачи", 75, 75, 0, true, true, "00.00.0000"},
};

const QColor LentRowColour(255, 255, 191);
const QColor OverdueRowColour(255, 199, 199);

} // namespace

void TMainForm::buildGrid()
{
    PopupMenu1 = new QMenu(this);
    N2 = PopupMenu1->addAction(QStringLiteral("Показать карточку"));
    QFont bold = N2->font();
    bold.setBold(true);
    N2->setFont(bold);
    N3 = PopupMenu1->addAction(QStringLiteral("Открыть электронный вариант..."));
    N8 = PopupMenu1->addAction(QStringLiteral("Выдать"));
    miExtendLoan = PopupMenu1->addAction(QStringLiteral("Продлить"));
    miExtendLoan->setObjectName(QStringLiteral("miExtendLoan"));
    connect(miExtendLoan, &QAction::triggered, this, &TMainForm::miExtendLoanClick);
    miChangeKind = PopupMenu1->addMenu(QStringLiteral("Перенести в раздел"));
    N9 = PopupMenu1->addAction(QStringLiteral("Удалить запись"));
    N9->setShortcut(QKeySequence(Qt::Key_Delete));
    N9->setShortcutContext(Qt::WidgetShortcut);
    MainGrid->addAction(N9); // Del works while the grid has the focus
    N10 = PopupMenu1->addAction(QStringLiteral("Вернуться к полной картотеке"));
    for (auto [action, name] : {std::pair{N2, "N2"}, {N3, "N3"}, {N8, "N8"}, {N9, "N9"}, {N10, "N10"}})
        action->setObjectName(QLatin1StringView(name));
    miChangeKind->setObjectName(QStringLiteral("miChangeKind"));
    connect(N2, &QAction::triggered, this, &TMainForm::N2Click);
    connect(N8, &QAction::triggered, this, &TMainForm::N8Click);
    connect(N3, &QAction::triggered, this, &TMainForm::N3Click);
    connect(N9, &QAction::triggered, this, &TMainForm::N9Click);
    connect(N10, &QAction::triggered, this, &TMainForm::N10Click);
    connect(MainGrid, &MainGridView::contextMenuAboutToOpen, this, [this](const QPoint &pos) {
        MainGridContextPopup();
        PopupMenu1->popup(pos);
    });
    connect(MainGrid, &QAbstractItemView::doubleClicked, this, &TMainForm::MainGridDblClick);
    MainGrid->onKeyPress = [this](QChar key) { return MainGridKeyPress(key); };
    connect(MainGrid->horizontalHeader(), &QHeaderView::sectionClicked, this, &TMainForm::stepSortMarker);
    auto *find = new QShortcut(QKeySequence::Find, MainGrid, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, [this] { ui::FindDialog::showFor(MainGrid); });
}

void TMainForm::setDataModule(store::TDBMod *module)
{
    dbMod_ = module;
    attachGridModel();
    keywordModel = new ui::DatasetModel(&dbMod_->myKeywordFilter, {{QStringLiteral("keyword"), QString()}}, this);
    grKeywords->setModel(keywordModel);
    new ui::DbEditBinder(edAnnotation, &dbMod_->MyBooks, QStringLiteral("annotation"));
}

void TMainForm::attachGridModel()
{
    QList<ui::DatasetModel::Column> columns;
    for (const GridColumn &c : gridColumns)
        columns.push_back({QString::fromUtf8(c.field), QString::fromUtf8(c.title)});
    gridModel = new ui::DatasetModel(&dbMod_->MyBooks, columns, this);
    gridModel->rowBackground = [this](int row) { return MainGridGetCellParams(row); };
    MainGrid->setModel(gridModel);
    QHeaderView *header = MainGrid->horizontalHeader();
    for (int i = 0; i < int(std::size(gridColumns)); ++i) {
        header->resizeSection(i, gridColumns[i].width);
        MainGrid->setColumnHidden(i, !gridColumns[i].shown);
    }
    header->setMinimumSectionSize(20);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    MainGrid->setColumnLimits([] {
        QList<MainGridView::ColumnLimit> limits;
        for (const GridColumn &c : gridColumns)
            limits.push_back({c.width, c.minWidth, c.maxWidth, QString::fromUtf8(c.sample)});
        return limits;
    }());
    ui::linkCurrentRow(MainGrid, gridModel);
    connectOverdueMarks();
}

void TMainForm::markInitialSort()
{
    // The marker only: the catalogue first shows in the order the store returns it.
    sortColumn_ = 0;
    sortAscending_ = false;
    MainGrid->showSortMarker(sortColumn_, sortAscending_);
}

void TMainForm::stepSortMarker(int column)
{
    if (column < 0 || column >= int(std::size(gridColumns)) || !gridColumns[column].sortable ||
        (QApplication::keyboardModifiers() & Qt::ControlModifier)) {
        // Not sortable: the marker stays where it was.
        MainGrid->showSortMarker(sortColumn_, sortAscending_);
        return;
    }
    sortAscending_ = column == sortColumn_ ? !sortAscending_ : false;
    sortColumn_ = column;
    MainGrid->showSortMarker(sortColumn_, sortAscending_);
    MainGridSortMarkingChanged();
}

void TMainForm::MainGridSortMarkingChanged()
{
    if (sortColumn_ < 0)
        return;
    const QString field = QString::fromUtf8(gridColumns[sortColumn_].field);
    runGuarded([&] {
        dbMod_->MyBooks.setIndexFieldNames(field + (sortAscending_ ? QStringLiteral(" ASC") : QStringLiteral(" DESC")));
        dbMod_->MyBooks.first();
    });
}

QVariant TMainForm::MainGridGetCellParams(int row) const
{
    data::Dataset &books = dbMod_->MyBooks;
    const int onloan = books.fieldIndex(QStringLiteral("onloan"));
    if (onloan < 0)
        return {};
    const data::CellView cell = books.cellAt(row, onloan);
    if (cell.type == data::CellType::Integer && cell.integer == 1)
        return isOverdueRow(row) ? OverdueRowColour : LentRowColour;
    return {};
}

void TMainForm::MainGridDblClick()
{
    if (N2->isEnabled())
        N2->trigger();
}

bool TMainForm::MainGridKeyPress(QChar key)
{
    if (key == QChar(13)) {
        MainGridDblClick();
        return true;
    }
    if (key == QChar(27)) {
        N10Click();
        return true;
    }
    return false;
}

void TMainForm::MainGridContextPopup()
{
    const QString path = dbMod_->EbookPath();
    N3->setEnabled(QFileInfo(path).isFile());
    const bool lent = dbMod_->MyBooks.active() && !dbMod_->MyBooks.isEmpty() &&
                      dbMod_->MyBooks.fieldByName(QStringLiteral("onloan")).asInteger() == 1;
    N8->setText(lent ? QStringLiteral("Вернуть") : QStringLiteral("Выдать"));
    N8->setIcon(ui::sharedImage(lent ? 1 : 2));
    miExtendLoan->setVisible(lent);
}

// The card's own "Эл. версия", for the current record, without showing the card.
void TMainForm::N3Click()
{
    if (bookForm_)
        bookForm_->btnEbookClick();
}

void TMainForm::N9Click()
{
    if (ui::platform().messageBox(this, QStringLiteral("Вы уверены, что хотите удалить запись?"),
                                  QStringLiteral("Удаление"), ui::MsgIcon::Question, ui::Yes | ui::No) != ui::Yes)
        return;
    runGuarded([this] {
        const QString path = dbMod_->EbookPath();
        if (QFileInfo(path).isFile())
            QFile::remove(path);
        dbMod_->MyBooks.deleteRecord();
    });
    ShowRecordCount();
}

void TMainForm::N10Click()
{
    runGuarded([this] { dbMod_->SetCondition(QString()); });
    runGuarded([this] { dbMod_->MyBooks.setFiltered(false); });
    ShowRecordCount();
    setWindowTitle(QApplication::applicationName());
}
