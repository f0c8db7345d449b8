#pragma once

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
// reminder letters, for the browser, the print preview or a PDF file. Stays open until closed,
// so that the librarian can have the list and then the letters.
class TOverdueForm : public QDialog {
    Q_OBJECT
public:
    explicit TOverdueForm(QWidget *parent = nullptr);

    void setDataModule(store::TDBMod *module) { dbMod_ = module; }
    // Writes a page into the temporary folder and opens it in the browser (the main window's way).
    std::function<void(const QString &fileName, const QByteArray &page)> openPage;

    void FormShow();
    void btnListClick();
    void btnLettersClick();
    void btnPrintLettersClick();
    void btnLettersPdfClick();

    QLabel *Label1;
    QDateEdit *dtDay;
    QPushButton *btnList;
    QPushButton *btnLetters;
    QPushButton *btnPrintLetters;
    QPushButton *btnLettersPdf;
    QPushButton *btnClose;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The letters written into the temporary folder; empty when there was an error.
    QString writeLetters();
    bool runGuarded(const std::function<void()> &action);
    store::TDBMod *dbMod_ = nullptr;
};
