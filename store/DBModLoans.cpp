// Lending and returning: the loan rows of the current holding and the copy of its open loan
// that the catalogue record carries.
#include "DBModUnit.h"

#include "data/DataError.h"

#include <QDate>

namespace store {

void TDBMod::MirrorOpenLoan()
{
    const bool open = myOrders.active() && myOrders.moveToValue(QStringLiteral("date_in"), QVariant());
    MyBooks.fieldByName(QStringLiteral("onloan")).setValue(open ? 1 : 0);
    MyBooks.fieldByName(QStringLiteral("loaner"))
        .setValue(open ? myOrders.fieldByName(QStringLiteral("loaner")).asString() : QString());
    MyBooks.fieldByName(QStringLiteral("date_out"))
        .setValue(open ? myOrders.fieldByName(QStringLiteral("date_out")).asVariant() : QVariant());
}

// A holding with a second open loan stays lent, to that loan's reader, rather than being shown
// as back on the shelf while a loan is still open.
void TDBMod::ReturnHolding()
{
    // Read afresh: another copy of the program may have lent or returned it meanwhile.
    myOrders.active() ? myOrders.refresh() : myOrders.open();
    try {
        if (myOrders.moveToValue(QStringLiteral("date_in"), QVariant())) {
            myOrders.edit();
            myOrders.fieldByName(QStringLiteral("date_in")).setValue(QDate::currentDate());
            myOrders.post();
        }
        MyBooks.edit();
        MirrorOpenLoan();
        MyBooks.post();
    } catch (const data::DataError &) {
        // Nothing half-done is left to be posted by the next move in the catalogue.
        myOrders.cancel();
        MyBooks.cancel();
        throw;
    }
}

} // namespace store
