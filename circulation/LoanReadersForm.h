#pragma once

#include "ReadersFromLoans.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

// "Читатели из выдач": the names of past loans grouped as one reader (letter case, Ё and blanks
// aside), each group with its variants and the name proposed for her record, for the librarian to
// confirm, deselect or correct (F2 on a group edits the name) before anything is written.
class TLoanReadersForm : public QDialog {
    Q_OBJECT
public:
    TLoanReadersForm(const QList<store::LoanReader> &groups, QWidget *parent = nullptr);

    // The groups ticked, with the names as edited.
    QList<store::LoanReader> chosen() const;
    void checkAll(bool on);

    QLabel *lblExplain;
    QTreeWidget *twGroups;
    QPushButton *btnAll, *btnNone, *btnOk, *btnCancel;

private:
    QList<store::LoanReader> groups_;
};

// The groups there is something to do for: a reader not registered yet, or one whose loans carry
// more than her one name.
QList<store::LoanReader> groupsToRegister(const QList<store::LoanReader> &groups);
