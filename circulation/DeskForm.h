#pragma once

#include "LendingDesk.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class ReaderLoansModel;

namespace data {
class Connection;
}
namespace ui {
class ReaderCompleter;
}

// "Выдача и возврат": the lending desk. A reader's card number scanned or typed, or her name
// chosen, shows her and her open loans; then each holding's code scanned lends it to her, returns
// it, or extends it (F6), each one transaction, listed at once; "Отменить последнее" undoes.
// A scanner is a keyboard that types a code and Enter: nothing in the way of a scan is modal, so
// that codes typed one after another are each taken on their own.
class TDeskForm : public QDialog {
    Q_OBJECT
public:
    TDeskForm(data::Connection &connection, bool viewOnly, QWidget *parent = nullptr);

    // Handlers, public so that the program's tests drive them.
    void edScanReturn();
    void edReaderReturn();
    void chooseReader(const store::Reader &reader);
    void lstChoicesActivate(int row);
    void btnReturnClick();
    void btnExtendClick();
    void btnUndoClick();
    void cbRequestKindChange(int kind);

    const std::optional<store::Reader> &currentReader() const { return reader_; }
    const QList<store::DeskAction> &undoable() const { return done_; }

    QLineEdit *edScan, *edReader;
    ui::ReaderCompleter *readerCompleter;
    QLabel *lblReader, *lblCard, *lblCategory, *lblValidUntil, *lblBlock, *lblContacts, *lblWarnings;
    QLabel *lblLoans;
    QTableView *grLoans;
    ReaderLoansModel *loans;
    QPushButton *btnReturn, *btnExtend;
    QCheckBox *chbExtend;
    QComboBox *cbRequestKind;
    QLabel *lblChoices;
    QListWidget *lstChoices;
    QListWidget *lstActions;
    QLabel *lblStatus;
    QPushButton *btnUndo, *btnClose;

signals:
    // A holding's loan changed: the catalogue shows it anew.
    void holdingChanged(qint64 bookId);

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildScanStrip();
    QWidget *buildReaderPane();
    QWidget *buildLoansPane();
    QWidget *buildSessionPane();
    void connectHandlers();
    // DeskFormReader.cpp
    void showReaderState();
    void clearReader();
    // DeskFormActions.cpp
    store::DeskRules rules() const;
    bool attempt(const std::function<void()> &storeCall);
    void refuse(const QString &why);
    void actOn(const store::DeskHolding &holding);
    void actOnSelectedLoan(bool extend);
    void record(const store::DeskAction &action);
    void note(const QString &line, bool refusal);
    void offerChoices(const QString &text, const store::ScanMatch &match);
    void hideChoices();

    data::Connection &connection_;
    bool viewOnly_;
    std::optional<store::Reader> reader_;
    QList<store::DeskAction> done_; // this session's actions that can still be undone, last last
    store::ScanMatch pending_;      // what an ambiguous code matched, until one is chosen
};
