#pragma once

#include <QDate>
#include <QDialog>

class QDateEdit;
class QLabel;
class QPushButton;

// "Продление выдачи": the loan's reader, lending date and due date, and the new due date, which
// starts at today plus the loan's period and may be set to any day from the current due date on.
class TExtendLoanForm : public QDialog {
    Q_OBJECT
public:
    explicit TExtendLoanForm(QWidget *parent = nullptr);

    // What the dialog shows; the proposed date is today plus the period.
    void showLoan(const QString &reader, const QDate &lent, const QDate &due, int periodDays, const QDate &today);
    QDate newDue() const;

    // A day before the lending date is refused with a message and the dialog stays open.
    void accept() override;

    QLabel *lblLoan;
    QLabel *Label1;
    QDateEdit *dtDue;
    QPushButton *btnOk;
    QPushButton *btnCancel;

private:
    QDate lent_, due_;
};

namespace data {
class Connection;
}
namespace store {
struct LoanPeriods;
struct OpenLoan;
}

// Asks for the new due date of an open loan and stores it; an error is shown. True when the
// loan was extended.
bool extendLoanInteractively(QWidget *owner, data::Connection &connection, const store::LoanPeriods &periods,
                             const store::OpenLoan &loan);
