#pragma once

#include "MailBatch.h"
#include "OverdueLoans.h"

#include <QByteArray>
#include <QDate>
#include <QDialog>
#include <functional>

class QDateEdit;
class QLabel;
class QPushButton;

namespace store {
class TDBMod;
}

// "Должники": the day to look at, and from it the list of overdue loans by reader and the
// reminder letters, for the browser, the print preview or a PDF file, or sent by e-mail to the
// readers who have an address (in edit mode only: addresses stay with the librarian). Stays open
// until closed, so that the librarian can have the list and then the letters.
class TOverdueForm : public QDialog {
    Q_OBJECT
public:
    explicit TOverdueForm(QWidget *parent = nullptr);

    void setDataModule(store::TDBMod *module) { dbMod_ = module; }
    // Writes a page into the temporary folder and opens it in the browser (the main window's way).
    std::function<void(const QString &fileName, const QByteArray &page)> openPage;
    // A reader's e-mail address, by her name as the loans hold it; empty when she has none. When
    // not set, the address her record in the register gives.
    std::function<QString(const QString &readerName)> readerAddress;

    void FormShow();
    void btnListClick();
    void btnLettersClick();
    void btnPrintLettersClick();
    void btnLettersPdfClick();
    // Sends each late reader with an address her letter, on a worker thread with progress and
    // "Отмена", then says what became of each; one batch at a time.
    void btnSendMailClick();

    QLabel *Label1;
    QDateEdit *dtDay;
    QPushButton *btnList;
    QPushButton *btnLetters;
    QPushButton *btnPrintLetters;
    QPushButton *btnLettersPdf;
    QPushButton *btnSendMail;
    QPushButton *btnClose;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The letters written into the temporary folder; empty when there was an error.
    QString writeLetters();
    bool runGuarded(const std::function<void()> &action);
    QList<store::ReaderDebt> readDebts(const QDate &day);
    // The letters of the readers with a name, each with the address she has (or none).
    QList<store::MailLetter> reminderMails(const QDate &day, const QList<store::ReaderDebt> &debts);
    bool confirmSending(const QList<store::MailLetter> &letters);
    QList<store::LetterResult> sendInBackground(const store::MailSettings &settings,
                                                const QList<store::MailLetter> &letters);
    void showOutcome(const QDate &day, const QList<store::MailLetter> &letters,
                     const QList<store::LetterResult> &results);
    store::TDBMod *dbMod_ = nullptr;
    store::BatchGuard sending_;
};
