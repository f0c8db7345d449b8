#pragma once

#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QStringList>
#include <QTableView>

class QComboBox;
class QValidator;

namespace card {

// The year of publication: any number may be typed, and leaving the box brings it into
// 0 … the current year (2100 becomes this year) instead of refusing the keystrokes. Text put in
// while the box has no focus (by a screen reader) is taken at once.
class YearBox : public QSpinBox {
    Q_OBJECT
public:
    explicit YearBox(QWidget *parent = nullptr);

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
};

// A price typed with a comma or a full stop.
class PriceBox : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit PriceBox(QWidget *parent = nullptr);

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    double valueFromText(const QString &text) const override;
};

// A date that may be empty: the blank minimum stands for no date; Delete or Backspace with the
// whole text selected empties it.
class DateBox : public QDateEdit {
    Q_OBJECT
public:
    explicit DateBox(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// The loan history: cells edited in place; Ctrl+Del deletes the current loan after asking.
class LoanGridView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// The box also offers, while typing, what was typed into it earlier in this run.
void offerTypedEarlier(QComboBox *box);
// Replaces a drop-down's list and keeps the text it shows (the record's value).
void replaceList(QComboBox *box, const QStringList &items);
// A whole number of up to nine digits (the inventory number, the cost of a loan): other keys are ignored.
QValidator *digitsValidator(QObject *parent);

QStringList initialLocations();
QStringList initialSources();

} // namespace card
