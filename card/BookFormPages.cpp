// The card's three pages and their controls, in the keyboard order the librarian types in.
#include "BookFormUnit.h"

#include "CardControls.h"
#include "DatasetModel.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A caption over its box, the box named by it for screen readers.
QWidget *captioned(QWidget *parent, const QString &caption, QWidget *box)
{
    auto *cell = new QWidget(parent);
    auto *column = new QVBoxLayout(cell);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
    auto *label = new QLabel(caption, cell);
    label->setBuddy(box);
    box->setParent(cell);
    box->setAccessibleName(QString(caption).remove(u'&'));
    if (auto *combo = qobject_cast<QComboBox *>(box); combo && combo->lineEdit())
        combo->lineEdit()->setAccessibleName(box->accessibleName());
    column->addWidget(label);
    column->addWidget(box);
    return cell;
}

QComboBox *typedEarlierBox(QWidget *parent, const QStringList &items)
{
    auto *box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    card::offerTypedEarlier(box);
    return box;
}

} // namespace

QWidget *TBookForm::buildSummaryPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tshSummary"));
    auto *grid = new QVBoxLayout(page);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setSpacing(4);

    auto *row1 = new QHBoxLayout;
    InvNum = new QLineEdit;
    InvNum->setFixedWidth(57);
    InvNum->setValidator(card::digitsValidator(InvNum));
    DBLiter = new QLineEdit;
    DBLiter->setFixedWidth(25);
    DBLiter->setToolTip(QStringLiteral("Литера"));
    DBLiter->setAccessibleName(QStringLiteral("Литера"));
    cbItemKind = new QComboBox;
    cbItemKind->setEditable(false);
    cbItemKind->setMinimumWidth(150);
    edISBN = new QLineEdit;
    row1->addWidget(captioned(page, QStringLiteral("Инв. №"), InvNum));
    auto *literCell = new QWidget(page);
    auto *literColumn = new QVBoxLayout(literCell);
    literColumn->setContentsMargins(0, 0, 0, 0);
    literColumn->addStretch(1);
    DBLiter->setParent(literCell);
    literColumn->addWidget(DBLiter);
    row1->addWidget(literCell);
    row1->addWidget(captioned(page, QStringLiteral("Раздел"), cbItemKind));
    row1->addWidget(captioned(page, QStringLiteral("ISBN"), edISBN), 1);
    btnCatalogues = new QPushButton(QStringLiteral("Найти в каталогах..."), page);
    btnCatalogues->setToolTip(QStringLiteral("Найти запись в каталоге другой библиотеки и заполнить карточку"));
    auto *cataloguesColumn = new QVBoxLayout;
    cataloguesColumn->addStretch(1);
    cataloguesColumn->addWidget(btnCatalogues);
    row1->addLayout(cataloguesColumn);
    grid->addLayout(row1);

    edAuthor = new QLineEdit;
    grid->addWidget(captioned(page, QStringLiteral("Авторы, составители"), edAuthor));
    edTitle = new QPlainTextEdit;
    edTitle->setFixedHeight(67);
    edTitle->setTabChangesFocus(true);
    grid->addWidget(captioned(page, QStringLiteral("Название"), edTitle));

    auto *row4 = new QHBoxLayout;
    edPublisher = typedEarlierBox(page, {});
    edLocation = typedEarlierBox(page, card::initialLocations());
    edYear = new card::YearBox;
    row4->addWidget(captioned(page, QStringLiteral("Издательство"), edPublisher), 3);
    row4->addWidget(captioned(page, QStringLiteral("Место издания"), edLocation), 2);
    row4->addWidget(captioned(page, QStringLiteral("Год издания"), edYear), 1);
    grid->addLayout(row4);

    auto *row5 = new QHBoxLayout;
    edSource = typedEarlierBox(page, card::initialSources());
    DateReg = new card::DateBox;
    edQuantity = new QSpinBox;
    edQuantity->setRange(0, 999999);
    edQuantity->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    row5->addWidget(captioned(page, QStringLiteral("Источник поступления"), edSource), 3);
    row5->addWidget(captioned(page, QStringLiteral("Дата поступления"), DateReg), 1);
    row5->addWidget(captioned(page, QStringLiteral("Кол-во стр."), edQuantity), 1);
    grid->addLayout(row5);

    auto *row6 = new QHBoxLayout;
    auto *catCell = new QWidget(page);
    auto *catRow = new QHBoxLayout(catCell);
    catRow->setContentsMargins(0, 0, 0, 0);
    catRow->setSpacing(0);
    CatBox = new QLineEdit(catCell);
    CatBox->setReadOnly(true);
    CatBoxButton = new QToolButton(catCell);
    CatBoxButton->setText(QStringLiteral("…"));
    CatBoxButton->setAccessibleName(QStringLiteral("Выбрать рубрики"));
    CatBoxButton->setToolTip(QStringLiteral("Выбрать рубрики (F4)"));
    CatBoxButton->setFocusPolicy(Qt::NoFocus);
    catRow->addWidget(CatBox, 1);
    catRow->addWidget(CatBoxButton);
    AddNum = new QLineEdit;
    edPrice = new card::PriceBox;
    row6->addWidget(captioned(page, QStringLiteral("Рубрика"), catCell), 3);
    CatBox->setAccessibleName(QStringLiteral("Рубрика"));
    row6->addWidget(captioned(page, QStringLiteral("№ доп. экз."), AddNum), 1);
    row6->addWidget(captioned(page, QStringLiteral("Цена"), edPrice), 1);
    grid->addLayout(row6);

    auto *row7 = new QHBoxLayout;
    edNotes = new QPlainTextEdit;
    edNotes->setFixedSize(409, 37);
    edNotes->setTabChangesFocus(true);
    row7->addWidget(captioned(page, QStringLiteral("Примечание"), edNotes));
    btnEbook = new QPushButton(QStringLiteral("Эл. версия"), page);
    btnEbook->setContextMenuPolicy(Qt::CustomContextMenu);
    SpeedButton1 = new QToolButton(page);
    SpeedButton1->setArrowType(Qt::DownArrow);
    SpeedButton1->setFixedWidth(16);
    SpeedButton1->setAccessibleName(QStringLiteral("Электронная версия: выбрать или удалить"));
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    PopupMenu1 = new QMenu(this);
    N2 = PopupMenu1->addAction(QStringLiteral("Выбрать..."));
    N3 = PopupMenu1->addAction(QStringLiteral("Удалить"));
    N2->setObjectName(QStringLiteral("N2"));
    N3->setObjectName(QStringLiteral("N3"));
    auto *ebook = new QHBoxLayout;
    ebook->setSpacing(0);
    ebook->addWidget(btnEbook);
    ebook->addWidget(SpeedButton1);
    auto *ebookColumn = new QVBoxLayout;
    ebookColumn->addStretch(1);
    ebookColumn->addLayout(ebook);
    row7->addLayout(ebookColumn);
    grid->addLayout(row7);
    grid->addStretch(1);

    for (auto [w, name] : std::initializer_list<std::pair<QWidget *, const char *>>{
             {InvNum, "InvNum"}, {DBLiter, "DBLiter"}, {cbItemKind, "cbItemKind"}, {edISBN, "edISBN"},
             {edAuthor, "edAuthor"}, {edTitle, "edTitle"}, {edPublisher, "edPublisher"}, {edLocation, "edLocation"},
             {edYear, "edYear"}, {edSource, "edSource"}, {DateReg, "DateReg"}, {edQuantity, "edQuantity"},
             {CatBox, "CatBox"}, {AddNum, "AddNum"}, {edPrice, "edPrice"}, {edNotes, "edNotes"},
             {btnEbook, "btnEbook"}, {SpeedButton1, "SpeedButton1"}, {btnCatalogues, "btnCatalogues"}})
        w->setObjectName(QLatin1StringView(name));
    const QList<QWidget *> order{InvNum, DBLiter, edAuthor, edTitle, edPublisher, edLocation, edYear, edSource,
                                 DateReg, edQuantity, CatBox, AddNum, edPrice, edNotes, btnEbook, edISBN, btnCatalogues, cbItemKind};
    for (qsizetype i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);
    return page;
}

QWidget *TBookForm::buildDetailsPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tshDetails"));
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(6, 6, 6, 6);
    edKeywords = new QPlainTextEdit;
    edKeywords->setObjectName(QStringLiteral("edKeywords"));
    edKeywords->setFixedHeight(65);
    edKeywords->setTabChangesFocus(true);
    edKeywords->installEventFilter(this); // Enter makes no new line; leaving the box stores it
    column->addWidget(captioned(page, QStringLiteral("Ключевые слова или словосочетания (через запятую)"), edKeywords));
    edAnnotation = new QPlainTextEdit;
    edAnnotation->setObjectName(QStringLiteral("edAnnotation"));
    edAnnotation->setTabChangesFocus(true);
    auto *annotation = captioned(page, QStringLiteral("Аннотация"), edAnnotation);
    column->addWidget(annotation, 1);
    return page;
}

QWidget *TBookForm::buildHistoryPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tshHistory"));
    auto *column = new QVBoxLayout(page);
    column->setContentsMargins(6, 6, 6, 6);
    DBGridEh1 = new card::LoanGridView(page);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setAccessibleName(QStringLiteral("История выдачи"));
    column->addWidget(DBGridEh1, 1);

    GroupBox1 = new QGroupBox(QStringLiteral("Лист выдачи"), page);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *sheet = new QGridLayout(GroupBox1);
    DBComboBoxEh1 = new QComboBox;
    DBComboBoxEh1->setObjectName(QStringLiteral("DBComboBoxEh1"));
    const QStringList kinds{QStringLiteral("Сотрудники"), QStringLiteral("Источники комплектования"),
                            QStringLiteral("Платная заявка"), QStringLiteral("Читальный зал")};
    for (int i = 0; i < kinds.size(); ++i)
        DBComboBoxEh1->addItem(kinds[i], i);
    DBComboBoxEh1->installEventFilter(this); // leaving it reloads the reader list
    edLoaner = new QComboBox(GroupBox1);
    edLoaner->setEditable(true);
    edLoaner->setInsertPolicy(QComboBox::NoInsert);
    edLoaner->setObjectName(QStringLiteral("edLoaner"));
    offerRegisteredReaders();
    DateOut = new card::DateBox;
    DateOut->setObjectName(QStringLiteral("DateOut"));
    DBEditEh3 = new QLineEdit;
    DBEditEh3->setObjectName(QStringLiteral("DBEditEh3"));
    DBEditEh3->setValidator(card::digitsValidator(DBEditEh3));
    DBEditEh3->setToolTip(QStringLiteral("Сумма в рублях, только цифры"));
    DBDateTimeEditEh1 = new card::DateBox;
    DBDateTimeEditEh1->setObjectName(QStringLiteral("DBDateTimeEditEh1"));
    Button3 = new QPushButton(QStringLiteral("Новая запись"), GroupBox1);
    Button3->setObjectName(QStringLiteral("Button3"));
    sheet->addWidget(captioned(GroupBox1, QStringLiteral("Вид заявки"), DBComboBoxEh1), 0, 0);
    sheet->addWidget(captioned(GroupBox1, QStringLiteral("Кому"), edLoaner), 0, 1, 1, 2);
    sheet->addWidget(captioned(GroupBox1, QStringLiteral("Дата выдачи"), DateOut), 1, 0);
    sheet->addWidget(captioned(GroupBox1, QStringLiteral("Стоимость"), DBEditEh3), 1, 1);
    sheet->addWidget(captioned(GroupBox1, QStringLiteral("Дата возврата"), DBDateTimeEditEh1), 1, 2);
    edDueDate = new QLineEdit;
    edDueDate->setObjectName(QStringLiteral("edDueDate"));
    edDueDate->setReadOnly(true);
    btnExtendLoan = new QPushButton(QStringLiteral("Продлить"), GroupBox1);
    btnExtendLoan->setObjectName(QStringLiteral("btnExtendLoan"));
    sheet->addWidget(captioned(GroupBox1, QStringLiteral("Срок возврата"), edDueDate), 2, 0);
    sheet->addWidget(btnExtendLoan, 2, 1, Qt::AlignLeft | Qt::AlignBottom);
    sheet->addWidget(Button3, 2, 2, Qt::AlignRight | Qt::AlignBottom);
    column->addWidget(GroupBox1);
    return page;
}
