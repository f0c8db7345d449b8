// Which column of the catalogue and of the loans each box of the card shows and edits.
#include "BookFormUnit.h"

#include "CurrentRowLink.h"
#include "DBModUnit.h"
#include "DatasetModel.h"
#include "DbEditBinder.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTableView>
#include <algorithm>

namespace {
template <typename Box> void bind(Box *box, data::Dataset &ds, const char *field)
{
    new ui::DbEditBinder(box, &ds, QString::fromLatin1(field));
}
} // namespace

void TBookForm::bindSummaryPage()
{
    data::Dataset &books = dbMod_->MyBooks;
    bind(InvNum, books, "inv_num");
    bind(DBLiter, books, "liter");
    bind(cbItemKind, books, "itemkind_id");
    bind(edISBN, books, "isbn");
    bind(edAuthor, books, "author");
    bind(edTitle, books, "title");
    bind(edPublisher, books, "publisher");
    bind(edLocation, books, "location");
    bind(edYear, books, "year_p");
    bind(edSource, books, "source");
    bind(DateReg, books, "date_reg");
    bind(edQuantity, books, "page_count");
    bind(AddNum, books, "add_num");
    bind(edPrice, books, "price");
    bind(edNotes, books, "notes");
    bind(edAnnotation, books, "annotation");
}

void TBookForm::bindLoanSheet()
{
    data::Dataset &orders = dbMod_->myOrders;
    loanModel = new ui::DatasetModel(&orders,
                                     {{QStringLiteral("date_out"), QStringLiteral("Дата выдачи")},
                                      {QStringLiteral("loaner"), QStringLiteral("Кому выдано")},
                                      {QStringLiteral("date_in"), QStringLiteral("Дата возврата")}},
                                     this);
    loanModel->editable = true;
    DBGridEh1->setModel(loanModel);
    DBGridEh1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridEh1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridEh1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
    DBGridEh1->verticalHeader()->hide();
    QHeaderView *header = DBGridEh1->horizontalHeader();
    // "Кому выдано" takes what the grid's width leaves beside the two dates.
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->resizeSection(0, std::max(88, header->sectionSizeHint(0)));
    header->resizeSection(2, std::max(99, header->sectionSizeHint(2)));
    header->setSectionResizeMode(1, QHeaderView::Stretch);
    DBGridEh1->verticalHeader()->setDefaultSectionSize(DBGridEh1->fontMetrics().height() + 6);
    ui::linkCurrentRow(DBGridEh1, loanModel);
    connect(&orders, &data::Dataset::rowUpdated, this, [this] { loansChanged_ = isVisible(); });
    connect(&orders, &data::Dataset::rowRemoved, this, [this] { loansChanged_ = isVisible(); });

    bind(DBComboBoxEh1, orders, "status");
    bind(edLoaner, orders, "loaner");
    bind(DateOut, orders, "date_out");
    bind(DBEditEh3, orders, "cost");
    bind(DBDateTimeEditEh1, orders, "date_in");
    connectDueDate();
}
