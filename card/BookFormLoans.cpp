// The loan history page: a new loan dated today, the reader list with the registered readers,
// and the loan steps of "ОК".
#include "BookFormUnit.h"

#include "CardControls.h"
#include "DBModUnit.h"
#include "LoanTerms.h"
#include "ProcessValues.h"
#include "Platform.h"
#include "ReaderCardForm.h"
#include "ReaderCompleter.h"
#include "Readers.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QLineEdit>


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
        // Readers registered since the page was last shown, at another desk too.
        loanerCompleter->load(dbMod_->MyServer);
    });
}

void TBookForm::offerRegisteredReaders()
{
    loanerCompleter = new ui::ReaderCompleter(edLoaner);
    edLoaner->setCompleter(loanerCompleter);
    connect(edLoaner->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { loanerCompleter->offerTyped(edLoaner->currentText()); });
}

// A loan carries the register's form of her name, found by any of its variants or by her card
// number; a name the register lacks may be registered on the spot. Asked only of a reader typed
// now: an old loan's name is left alone when only its return date is entered.
void TBookForm::takeRegisteredLoaner()
{
    data::Dataset &orders = dbMod_->myOrders;
    data::Connection &connection = dbMod_->MyServer;
    const QString typed = edLoaner->currentText().trimmed();
    const int loanerColumn = orders.fieldIndex(QStringLiteral("loaner"));
    if (orders.state() != data::DatasetState::Insert && typed == orders.storedValue(loanerColumn).toString().trimmed())
        return;
    std::optional<store::Reader> known;
    bool registered = false;
    if (!runGuarded([&] {
            registered = store::readersExist(connection);
            known = registered ? store::readerByName(connection, typed) : std::nullopt;
            if (registered && !known)
                known = store::readerByCard(connection, typed);
        }) ||
        !registered)
        return;
    if (!known) {
        if (ui::platform().messageBox(this,
                                      QStringLiteral("Читателя «%1» нет в картотеке читателей. Записать его туда?\n\n"
                                                     "«Да» откроет его карточку, «Нет» оставит имя в выдаче как есть.")
                                          .arg(typed),
                                      QStringLiteral("Кому"), ui::MsgIcon::Question, ui::Yes | ui::No) != ui::Yes)
            return;
        if (!readerCardForm)
            readerCardForm = new TReaderCardForm(connection, false, this);
        store::Reader fresh;
        if (!runGuarded([&] { fresh = newReaderNamed(connection, typed); }))
            return;
        readerCardForm->showReader(fresh);
        if (ui::platform().runModal(*readerCardForm) != QDialog::Accepted)
            return;
        runGuarded([&] { known = store::readerById(connection, readerCardForm->savedId()); });
    }
    if (known && known->name != edLoaner->currentText())
        runGuarded([&] { orders.fieldByName(QStringLiteral("loaner")).setValue(known->name); });
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
    takeRegisteredLoaner();
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
