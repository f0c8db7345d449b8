#pragma once

#include "LoanTerms.h"

#include <QDialog>
#include <QList>

class QLabel;
class QPushButton;
class QSpinBox;

// "Сроки выдачи": the days a loan of each request kind may be kept, stored in library.ini.
// Shown from the settings menu in edit mode.
class TLoanPeriodsForm : public QDialog {
    Q_OBJECT
public:
    explicit TLoanPeriodsForm(QWidget *parent = nullptr);

    // Fills the boxes from the settings file; a value there that is no period is named in a
    // message and its default shown instead.
    void FormShow();
    // Writes the periods and closes; a file that cannot be written is said so and the dialog stays.
    void btnOkClick();

    store::LoanPeriods periods() const;

    QList<QSpinBox *> edDays; // one per request kind, in the order of their values
    QPushButton *btnOk;
    QPushButton *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;
};
