#include "ExtendLoanForm.h"

#include "DialogLook.h"
#include "ErrorBox.h"
#include "LoanTerms.h"
#include "Platform.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

TExtendLoanForm::TExtendLoanForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ExtendLoanForm"));
    setWindowTitle(QStringLiteral("Продление выдачи"));
    ui::useFixedDialogFrame(this);
    auto *grid = new QGridLayout(this);
    lblLoan = new QLabel(this);
    lblLoan->setObjectName(QStringLiteral("lblLoan"));
    lblLoan->setTextFormat(Qt::PlainText);
    grid->addWidget(lblLoan, 0, 0, 1, 2);
    Label1 = new QLabel(QStringLiteral("Продлить &до:"), this);
    dtDue = new QDateEdit(this);
    dtDue->setObjectName(QStringLiteral("dtDue"));
    dtDue->setCalendarPopup(true);
    dtDue->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    dtDue->setAccessibleName(QStringLiteral("Продлить до"));
    Label1->setBuddy(dtDue);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(dtDue, 1, 1);
    QHBoxLayout *buttons = ui::okCancelRow(this, QStringLiteral("Продлить"), btnOk, btnCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(btnOk, &QPushButton::clicked, this, &TExtendLoanForm::accept);
}

void TExtendLoanForm::showLoan(const QString &reader, const QDate &lent, const QDate &due, int periodDays,
                               const QDate &today)
{
    lent_ = lent;
    due_ = due;
    lblLoan->setText(QStringLiteral("Читатель: %1\nВыдано: %2\nСрок возврата: %3\nСрок выдачи по виду заявки: %4 дн.")
                         .arg(reader, store::shownDate(lent), store::shownDate(due))
                         .arg(periodDays));
    // Today plus the period, never before the date in force.
    dtDue->setDate(std::max(today.addDays(periodDays), due.isValid() ? due : today));
    setFixedSize(sizeHint().expandedTo(QSize(320, 0))); // the whole title shows
}

QDate TExtendLoanForm::newDue() const { return dtDue->date(); }

void TExtendLoanForm::accept()
{
    // An extension never shortens a loan.
    const QDate earliest = due_.isValid() ? due_ : lent_;
    if (earliest.isValid() && dtDue->date() < earliest) {
        ui::platform().messageBox(this,
                                  QStringLiteral("Новый срок возврата не может быть раньше нынешнего (%1): продление не "
                                                 "сокращает срок.").arg(store::shownDate(earliest)),
                                  windowTitle(), ui::MsgIcon::Warning, ui::Ok);
        return;
    }
    QDialog::accept();
}

bool extendLoanInteractively(QWidget *owner, data::Connection &connection, const store::LoanPeriods &periods,
                             const store::OpenLoan &loan)
{
    const QDate today = QDate::currentDate();
    TExtendLoanForm form(owner);
    form.showLoan(loan.reader, loan.lent, loan.due, periods.forStatus(loan.status), today);
    if (ui::platform().runModal(form) != QDialog::Accepted)
        return false;
    return ui::runGuarded(owner, [&] { store::extendLoan(connection, loan.orderId, form.newDue(), today, periods); });
}
