// The due date of the loan shown on the loan sheet, and its extension.
#include "BookFormUnit.h"

#include "DBModUnit.h"
#include "ExtendLoanForm.h"
#include "LoanTerms.h"
#include "Platform.h"
#include "ProcessValues.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

bool isEditing(const data::Dataset &ds)
{
    return ds.state() == data::DatasetState::Edit || ds.state() == data::DatasetState::Insert;
}

} // namespace

void TBookForm::connectDueDate()
{
    data::Dataset &orders = dbMod_->myOrders;
    for (auto signal : {&data::Dataset::rowsReset, &data::Dataset::stateChanged})
        connect(&orders, signal, this, &TBookForm::showDueDate);
    connect(&orders, &data::Dataset::currentChanged, this, &TBookForm::showDueDate);
    connect(&orders, &data::Dataset::fieldChanged, this, &TBookForm::showDueDate);
    connect(btnExtendLoan, &QPushButton::clicked, this, &TBookForm::btnExtendLoanClick);
}

// The current loan as stored, with the due date its extensions or its kind give it.
store::OpenLoan TBookForm::currentLoan() const
{
    data::Dataset &orders = dbMod_->myOrders;
    store::OpenLoan loan;
    if (!orders.active() || orders.isEmpty())
        return loan;
    loan.orderId = orders.fieldByName(QStringLiteral("id")).asInteger();
    loan.reader = orders.fieldByName(QStringLiteral("loaner")).asString();
    loan.lent = orders.fieldByName(QStringLiteral("date_out")).asDate();
    loan.status = orders.fieldByName(QStringLiteral("status")).asVariant();
    const bool stored = orders.state() != data::DatasetState::Insert;
    if (stored)
        loan.extensions = store::loanExtensions(dbMod_->MyServer, loan.orderId);
    const store::LoanPeriods periods = store::readLoanPeriods(store::process().SettingsFile);
    loan.due = stored ? store::currentDueDate(dbMod_->MyServer, loan.orderId, loan.lent, loan.status, periods)
                      : store::dueDate(loan.lent, loan.status, periods);
    return loan;
}

void TBookForm::showDueDate()
{
    store::OpenLoan loan;
    try {
        loan = currentLoan();
    } catch (const data::DataError &) {
        // The sheet still works without the date; the error shows where the loans are read.
    }
    QString text = store::shownDate(loan.due);
    const bool open = loan.due.isValid() && dbMod_->myOrders.fieldByName(QStringLiteral("date_in")).isNull();
    const int late = open ? store::daysOverdue(loan.due, QDate::currentDate()) : 0;
    if (late > 0)
        text += QStringLiteral(", просрочка %1 дн.").arg(late);
    edDueDate->setText(text);
    edDueDate->setCursorPosition(0); // the date first, should the note not fit
    QStringList history;
    for (const store::LoanExtension &e : loan.extensions)
        history << QStringLiteral("%1: продлено до %2").arg(store::shownDate(e.extendedOn), store::shownDate(e.due));
    edDueDate->setToolTip(history.isEmpty() ? QStringLiteral("Не продлевалось") : history.join(u'\n'));
}

void TBookForm::btnExtendLoanClick()
{
    data::Dataset &orders = dbMod_->myOrders;
    const QString caption = QStringLiteral("Продление выдачи");
    QString refusal;
    if (isEditing(orders))
        refusal = QStringLiteral("Выдача ещё не сохранена: нажмите «ОК», затем продлите её.");
    else if (!orders.active() || orders.isEmpty())
        refusal = QStringLiteral("У издания нет выдач.");
    else if (!orders.fieldByName(QStringLiteral("date_in")).isNull())
        refusal = QStringLiteral("Издание по этой выдаче уже возвращено.");
    if (!refusal.isEmpty()) {
        ui::platform().messageBox(this, refusal, caption, ui::MsgIcon::Warning, ui::Ok);
        return;
    }
    const store::OpenLoan loan = currentLoan();
    if (extendLoanInteractively(this, dbMod_->MyServer, store::readLoanPeriods(store::process().SettingsFile), loan))
        showDueDate();
}
