// The loan history page: a new loan dated today, the reader list, and the loan steps of "ОК".
#include "BookFormUnit.h"

#include "CardControls.h"
#include "DBModUnit.h"
#include "LoanTerms.h"
#include "ProcessValues.h"
#include "Platform.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>


void TBookForm::tshHistoryShow()
{
    runGuarded([this] {
        if (dbMod_->MyBooks.state() == data::DatasetState::Insert)
            dbMod_->PostBooks();
        // Loans are read afresh unless one is being made or changed here.
        data::Dataset &orders = dbMod_->myOrders;
        if (!orders.active())
            orders.open();
        else if (orders.state() == data::DatasetState::Browse)
            orders.refresh();
    });
}

// A loan already being made is not saved unchecked by starting another one.
void TBookForm::Button3Click()
{
    data::Dataset &books = dbMod_->MyBooks;
    data::Dataset &orders = dbMod_->myOrders;
    if (orders.state() == data::DatasetState::Insert)
        return;
    const bool wasBrowsing = books.state() == data::DatasetState::Browse;
    const bool started = runGuarded([&] {
        books.edit();
        if (!orders.active())
            orders.open();
        orders.append();
        orders.fieldByName(QStringLiteral("date_out")).setValue(QDate::currentDate());
        books.fieldByName(QStringLiteral("onloan")).setValue(1);
    });
    if (!started) {
        orders.cancel();
        if (wasBrowsing)
            books.cancel();
    }
}

void TBookForm::DBComboBoxEh1Exit()
{
    runGuarded([this] {
        card::replaceList(edLoaner, dbMod_->DistinctValues(QStringLiteral("loaner"), QStringLiteral("orders"),
                                                        QStringLiteral("loaner ASC"), 0));
    });
}

bool TBookForm::postLoan()
{
    if (edLoaner->currentText().isEmpty()) {
        ui::platform().messageBox(this, QStringLiteral("Не заполнено поле \"Кому выдано\""),
                                  QStringLiteral("Не заполнены обязательные поля"), ui::MsgIcon::Warning, ui::Ok);
        return false;
    }
    return runGuarded([this] {
        data::Dataset &orders = dbMod_->myOrders;
        const bool made = orders.state() == data::DatasetState::Insert;
        orders.post();
        // A new loan's due date is fixed now, by today's periods, for every desk to see.
        if (made)
            store::recordDueDate(dbMod_->MyServer, orders.fieldByName(QStringLiteral("id")).asInteger(),
                                 store::readLoanPeriods(store::process().SettingsFile));
        dbMod_->MyBooks.edit();
        dbMod_->MirrorOpenLoan();
    });
}
