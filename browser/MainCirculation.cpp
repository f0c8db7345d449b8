// The lending desk and the readers window opened from the main window, and the catalogue's rows
// they change shown anew one by one: re-reading a catalogue of 300,000 holdings for one loan
// would cost a second.
#include "Main.h"

#include "DBModUnit.h"
#include "DeskForm.h"
#include "ProcessValues.h"
#include "ReadersForm.h"

#include <QAction>

void TMainForm::miDeskClick()
{
    if (!dbMod_)
        return;
    if (!deskForm) {
        deskForm = new TDeskForm(dbMod_->MyServer, store::process().ViewOnly, this);
        connect(deskForm, &TDeskForm::holdingChanged, this, [this](qint64 id) { showHoldingsChanged({id}); });
    }
    deskForm->show();
    deskForm->raise();
    deskForm->activateWindow();
}

void TMainForm::miReadersClick()
{
    if (!dbMod_)
        return;
    if (!readersForm) {
        readersForm = new TReadersForm(dbMod_->MyServer, store::process().ViewOnly, this);
        connect(readersForm, &TReadersForm::holdingsChanged, this, &TMainForm::showHoldingsChanged);
        connect(readersForm, &TReadersForm::catalogueChanged, this, [this] {
            if (dbMod_->MyBooks.active() && dbMod_->MyBooks.state() == data::DatasetState::Browse)
                runGuarded([this] { dbMod_->MyBooks.refresh(); });
        });
    }
    readersForm->show();
    readersForm->raise();
    readersForm->activateWindow();
}

void TMainForm::showHoldingsChanged(const QList<qint64> &bookIds)
{
    data::Dataset &books = dbMod_->MyBooks;
    if (!books.active())
        return;
    const qint64 current = books.isEmpty() ? 0 : books.fieldByName(QStringLiteral("id")).asInteger();
    runGuarded([&] {
        for (qint64 id : bookIds)
            books.refreshRow(id);
        // The loans of the current holding, should the card be opened on it next.
        if (bookIds.contains(current) && dbMod_->myOrders.active() &&
            dbMod_->myOrders.state() == data::DatasetState::Browse)
            dbMod_->myOrders.refresh();
    });
}
