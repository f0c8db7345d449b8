#include "DbEditBinder.h"

#include "ErrorBox.h"
#include "LineBreaks.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QValidator>

namespace ui {

namespace {

// An empty date is the box's minimum, so its calendar would open at that long-gone month: it is
// turned to today without choosing it, and only a date the librarian picks fills the box.
class CalendarAtToday : public QObject {
public:
    CalendarAtToday(QDateEdit *box, QCalendarWidget *calendar) : QObject(calendar), box_(box) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && box_->date() == box_->minimumDate()) {
            auto *calendar = static_cast<QCalendarWidget *>(watched);
            const QSignalBlocker quiet(calendar);
            calendar->setSelectedDate(QDate::currentDate());
        }
        return false;
    }

private:
    QDateEdit *box_;
};

} // namespace

DbEditBinder::DbEditBinder(QLineEdit *edit, data::Dataset *dataset, const QString &field)
    : QObject(edit), widget_(edit), ds_(dataset), field_(field)
{
    show_ = [edit](const QVariant &v) {
        if (edit->text() != v.toString())
            edit->setText(v.toString());
    };
    setReadOnly_ = [edit](bool on) { edit->setReadOnly(on); };
    textual_ = true;
    followText(edit);
    connectDataset();
}

DbEditBinder::DbEditBinder(QPlainTextEdit *edit, data::Dataset *dataset, const QString &field)
    : QObject(edit), widget_(edit), ds_(dataset), field_(field)
{
    show_ = [edit](const QVariant &v) {
        const QString text = shownLineBreaks(v.toString());
        if (edit->toPlainText() != text)
            edit->setPlainText(text);
    };
    setReadOnly_ = [edit](bool on) { edit->setReadOnly(on); };
    textual_ = true;
    connect(edit, &QPlainTextEdit::textChanged, this, [this, edit] {
        const QString text = storedLineBreaks(edit->toPlainText());
        if (!updating_ && !holds(text))
            userChanged(text);
    });
    connectDataset();
}

DbEditBinder::DbEditBinder(QComboBox *box, data::Dataset *dataset, const QString &field)
    : QObject(box), widget_(box), ds_(dataset), field_(field)
{
    if (box->isEditable()) {
        show_ = [box](const QVariant &v) {
            if (box->currentText() != v.toString())
                box->setCurrentText(v.toString());
        };
        setReadOnly_ = [box](bool on) {
            if (box->lineEdit())
                box->lineEdit()->setReadOnly(on);
        };
        textual_ = true;
        followText(box->lineEdit());
        followList(box);
    } else {
        show_ = [box](const QVariant &v) {
            int index = -1;
            for (int i = 0; i < box->count() && !v.isNull(); ++i)
                if (box->itemData(i).toString() == v.toString())
                    index = i;
            box->setCurrentIndex(index);
        };
        setReadOnly_ = [box](bool on) { box->setProperty("readOnlyField", on); };
        connect(box, &QComboBox::activated, this, [this, box](int index) {
            if (box->property("readOnlyField").toBool()) {
                refresh();
                return;
            }
            userChanged(box->itemData(index));
        });
    }
    connectDataset();
}

DbEditBinder::DbEditBinder(QSpinBox *box, data::Dataset *dataset, const QString &field)
    : QObject(box), widget_(box), ds_(dataset), field_(field)
{
    // The box is only set when the value differs, so that the text being typed is never rewritten.
    show_ = [box](const QVariant &v) {
        if (box->value() != v.toInt())
            box->setValue(v.toInt());
    };
    setReadOnly_ = [box](bool on) { box->setReadOnly(on); };
    connect(box, &QSpinBox::valueChanged, this, [this](int value) { userChanged(value); });
    connectDataset();
}

DbEditBinder::DbEditBinder(QDoubleSpinBox *box, data::Dataset *dataset, const QString &field)
    : QObject(box), widget_(box), ds_(dataset), field_(field)
{
    show_ = [box](const QVariant &v) {
        if (box->value() != v.toDouble())
            box->setValue(v.toDouble());
    };
    setReadOnly_ = [box](bool on) { box->setReadOnly(on); };
    connect(box, &QDoubleSpinBox::valueChanged, this, [this](double value) { userChanged(value); });
    connectDataset();
}

DbEditBinder::DbEditBinder(QDateEdit *box, data::Dataset *dataset, const QString &field)
    : QObject(box), widget_(box), ds_(dataset), field_(field)
{
    box->setSpecialValueText(QStringLiteral(" "));
    box->setMinimumDate(QDate(1752, 9, 14));
    show_ = [box](const QVariant &v) {
        const QDate d = v.toDate().isValid() ? v.toDate() : box->minimumDate();
        if (box->date() != d)
            box->setDate(d);
    };
    setReadOnly_ = [box](bool on) { box->setReadOnly(on); };
    connect(box, &QDateEdit::dateChanged, this, [this, box](QDate d) {
        userChanged(d == box->minimumDate() ? QVariant() : QVariant(d));
    });
    if (QCalendarWidget *calendar = box->calendarWidget())
        calendar->installEventFilter(new CalendarAtToday(box, calendar));
    connectDataset();
}

// Typing, pasting, a completion and a screen reader's "set text" all end in textChanged.
void DbEditBinder::followText(QLineEdit *edit)
{
    connect(edit, &QLineEdit::textChanged, this, [this, edit](const QString &text) {
        if (updating_ || listChanging_ || holds(text))
            return;
        // Keys the validator refuses never arrive; text set from outside the keyboard may.
        if (const QValidator *validator = edit->validator()) {
            QString checked = text;
            int position = 0;
            if (validator->validate(checked, position) == QValidator::Invalid) {
                refresh();
                return;
            }
        }
        userChanged(text);
    });
}

// Refilling an editable drop-down's list makes Qt show other texts on the way; none is a change,
// and the box shows the field again once the list is in place.
void DbEditBinder::followList(QComboBox *box)
{
    QAbstractItemModel *list = box->model();
    const auto begin = [this] { ++listChanging_; };
    const auto end = [this] {
        if (listChanging_ > 0 && --listChanging_ == 0)
            refresh();
    };
    connect(list, &QAbstractItemModel::rowsAboutToBeInserted, this, begin);
    connect(list, &QAbstractItemModel::rowsInserted, this, end);
    connect(list, &QAbstractItemModel::rowsAboutToBeRemoved, this, begin);
    connect(list, &QAbstractItemModel::rowsRemoved, this, end);
    connect(list, &QAbstractItemModel::modelAboutToBeReset, this, begin);
    connect(list, &QAbstractItemModel::modelReset, this, end);
}

void DbEditBinder::connectDataset()
{
    connect(ds_, &data::Dataset::currentChanged, this, &DbEditBinder::refresh);
    connect(ds_, &data::Dataset::rowsReset, this, &DbEditBinder::refresh);
    connect(ds_, &data::Dataset::stateChanged, this, &DbEditBinder::refresh);
    connect(ds_, &data::Dataset::fieldChanged, this, [this](int column) {
        if (ds_->active() && column == ds_->fieldIndex(field_))
            refresh();
    });
    refresh();
}

void DbEditBinder::setShown(const QVariant &value)
{
    updating_ = true;
    show_(value);
    updating_ = false;
}

bool DbEditBinder::takesChanges() const
{
    return ds_->active() && ds_->fieldIndex(field_) >= 0 && !ds_->isEmpty() && !ds_->readOnly();
}

// The box already shows what the field holds: nothing was changed.
bool DbEditBinder::holds(const QString &text) const
{
    return ds_->active() && ds_->fieldIndex(field_) >= 0 && !ds_->isEmpty() &&
           ds_->fieldByName(field_).asString() == text;
}

void DbEditBinder::refresh()
{
    // While the box's own change is being applied, the box already shows it.
    if (applying_)
        return;
    const bool usable = ds_->active() && ds_->fieldIndex(field_) >= 0 && !ds_->isEmpty();
    QVariant value;
    if (usable)
        value = textual_ ? QVariant(ds_->fieldByName(field_).asString()) : ds_->fieldByName(field_).asVariant();
    setShown(value);
    setReadOnly_(!usable || ds_->readOnly());
}

void DbEditBinder::userChanged(const QVariant &value)
{
    if (updating_ || listChanging_)
        return;
    // A read-only record (view mode) takes nothing, even from a screen reader.
    if (!takesChanges()) {
        refresh();
        return;
    }
    applying_ = true;
    try {
        if (ds_->state() == data::DatasetState::Browse)
            ds_->edit();
        ds_->fieldByName(field_).setValue(value);
        applying_ = false;
    } catch (const data::DataError &e) {
        applying_ = false;
        showApplicationError(e, widget_);
        refresh();
    }
}

} // namespace ui
