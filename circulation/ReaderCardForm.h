#pragma once

#include "Readers.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class ReaderLoansModel;

namespace data {
class Connection;
}

// A reader's card: her details and her loans, the open ones first. In view mode the card only
// shows, and shows no phone, e-mail or address; in edit mode "ОК" saves her, and a refusal of the
// register (a card number taken, an e-mail without "@") keeps the card open with the reason.
class TReaderCardForm : public QDialog {
    Q_OBJECT
public:
    TReaderCardForm(data::Connection &connection, bool viewOnly, QWidget *parent = nullptr);

    // A reader to show (id 0: a new one, with what is known of her already).
    void showReader(const store::Reader &reader);
    // The reader as the boxes now say.
    store::Reader reader() const;
    qint64 savedId() const { return savedId_; }

    void accept() override;

    QLineEdit *edCard, *edName, *edDepartment;
    QComboBox *cbCategory;
    QLineEdit *edPhone = nullptr, *edEmail = nullptr, *edAddress = nullptr; // edit mode only
    // The PIN of "Мои книги": typed to set or replace it, never shown; edit mode only.
    QLineEdit *edPin = nullptr;
    QCheckBox *chbClearPin = nullptr;
    QDateEdit *dtRegistered, *dtValidUntil;
    QCheckBox *chbValidUntil, *chbBlocked;
    QLineEdit *edBlockReason;
    QPlainTextEdit *edNote;
    QLabel *lblLoans;
    QTableView *grLoans;
    QPushButton *btnOk, *btnCancel;

private:
    QWidget *buildDetails();
    void showLoans(const QString &name);
    void setEditable(bool on);
    void showPinState(qint64 readerId);
    void savePin(qint64 readerId);

    data::Connection &connection_;
    bool viewOnly_;
    store::Reader shown_;
    qint64 savedId_ = 0;
    ReaderLoansModel *loans_;
};

// The reader of a new name, prefilled: the next card number, registered today.
store::Reader newReaderNamed(data::Connection &connection, const QString &name);
