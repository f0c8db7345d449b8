#pragma once

#include <QDate>
#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

namespace store {
class TDBMod;
}

// The report period dialog: two days and, for the report by reader, the reader. Shown modally
// by the main window's AskPeriod; its defaults are set afresh at every showing.
class TPeriodFm : public QDialog {
    Q_OBJECT
public:
    explicit TPeriodFm(QWidget *parent = nullptr);

    void setDataModule(store::TDBMod *module) { dbMod_ = module; }
    // The report by reader shows the reader box; the other callers hide it.
    void setReaderVisible(bool visible);
    QString reader() const;
    // The tail of the period condition for the two days chosen.
    QString periodClause() const;

    // The period proposed on a given day: from the same day a month before (or that month's
    // last day, when it is shorter) to the day itself.
    static std::pair<QDate, QDate> defaultPeriod(const QDate &today);

    void FormShow();

    QLabel *Label1;
    QDateEdit *dtFrom;
    QLabel *Label2;
    QDateEdit *dtTo;
    QLabel *Label3;
    QComboBox *cbLoaners;
    QPushButton *btnOk;
    QPushButton *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;

private:
    store::TDBMod *dbMod_ = nullptr;
};
