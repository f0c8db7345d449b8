// Opening the record card: a new record, the current one, and lending or returning a holding.
#include "Main.h"

#include "BookFormUnit.h"
#include "DBModUnit.h"
#include "Platform.h"

#include <QAction>

void TMainForm::miNewItemClick()
{
    if (!bookForm_ || !runGuarded([this] { dbMod_->MyBooks.append(); }))
        return;
    bookForm_->IsNewRecord = true;
    bookForm_->choosePage(bookForm_->tshSummary);
    ui::platform().runModal(*bookForm_);
    // Also after "Отмена": a new record saved by a page change is in the catalogue all the same.
    ShowRecordCount();
}

void TMainForm::N2Click()
{
    if (!bookForm_)
        return;
    bookForm_->IsNewRecord = false;
    bookForm_->choosePage(bookForm_->tshSummary);
    ui::platform().runModal(*bookForm_);
    // A loan may have been extended on the card.
    if (dbMod_->MyBooks.active() && !dbMod_->MyBooks.isEmpty())
        refreshOverdueMark(dbMod_->MyBooks.fieldByName(QStringLiteral("id")).asInteger());
}

void TMainForm::N8Click()
{
    if (!bookForm_)
        return;
    data::Dataset &books = dbMod_->MyBooks;
    const bool lent = books.active() && !books.isEmpty() &&
                      books.fieldByName(QStringLiteral("onloan")).asInteger() == 1;
    if (lent) {
        runGuarded([this] { dbMod_->ReturnHolding(); });
        return;
    }
    bookForm_->choosePage(bookForm_->tshHistory);
    bookForm_->Button3Click();
    // Without a loan row started (an empty catalogue, a refused change) there is nothing to lend.
    if (dbMod_->myOrders.state() != data::DatasetState::Insert)
        return;
    ui::platform().runModal(*bookForm_);
}
