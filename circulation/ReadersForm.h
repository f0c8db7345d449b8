#pragma once

#include "Readers.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class ReaderListModel;
class TReaderCardForm;

namespace data {
class Connection;
}

// "Читатели": the register, searched as the librarian types a part of a name, a card number, a
// phone or an e-mail; a reader's card opens on Enter or a double click. In view mode the list
// holds no phone or e-mail, is searched by name and card only, and nothing can be changed.
class TReadersForm : public QDialog {
    Q_OBJECT
public:
    TReadersForm(data::Connection &connection, bool viewOnly, QWidget *parent = nullptr);

    void edSearchChange(); // the search runs when the typing pauses
    void search();         // the search at once
    void btnNewClick();
    void btnEditClick();
    void btnDeleteClick();
    void btnMergeClick();
    void btnFromLoansClick();
    void btnPrintCardsClick(); // the cards of the selected readers, or of the current one
    // The reader of the current row; nullptr when none.
    const store::Reader *currentReader() const;
    // Makes the reader of this id current, if she is listed.
    void selectReader(qint64 id);

    QLineEdit *edSearch;
    QLabel *lblCount;
    QTableView *grReaders;
    ReaderListModel *readers;
    QPushButton *btnNew, *btnEdit, *btnDelete, *btnMerge, *btnFromLoans, *btnPrintCards, *btnClose;
    TReaderCardForm *cardForm = nullptr; // made at its first use

signals:
    // The holdings whose loan fields now carry another name (a reader renamed or merged).
    void holdingsChanged(const QList<qint64> &bookIds);
    // Loan names changed all over the catalogue ("Читатели из выдач").
    void catalogueChanged();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLayout *buildButtons();
    bool openCard(store::Reader reader);
    void announceHoldingsOf(const QString &name);
    QList<store::Reader> selectedReaders() const;

    data::Connection &connection_;
    bool viewOnly_;
    QTimer *searchTimer_;
};
