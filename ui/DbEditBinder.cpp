#include "DbEditBinder.h"

#include "ErrorBox.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

namespace ui {

DbEditBinder::DbEditBinder(QLineEdit *edit, data::Dataset *dataset, const QString &field)
    : QObject(edit), widget_(edit), ds_(dataset), field_(field)
{
    show_ = [edit](const QVariant &v) {
        if (edit->text() != v.toString())
            edit->setText(v.toString());
    };
    setReadOnly_ = [edit](bool on) { edit->setReadOnly(on); };
    textual_ = true;
    connect(edit, &QLineEdit::textEdited, this, [this](const QString &text) { userChanged(text); });
    connectDataset();
}

DbEditBinder::DbEditBinder(QPlainTextEdit *edit, data::Dataset *dataset, const QString &field)
    : QObject(edit), widget_(edit), ds_(dataset), field_(field)
{
    show_ = [edit](const QVariant &v) {
        if (edit->toPlainText() != v.toString())
            edit->setPlainText(v.toString());
    };
    setReadOnly_ = [edit](bool on) { edit->setReadOnly(on); };
    textual_ = true;
    connect(edit, &QPlainTextEdit::textChanged, this, [this, edit] {
        if (!updating_)
            userChanged(edit->toPlainText());
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
        connect(box->lineEdit(), &QLineEdit::textEdited, this, [this](const QString &text) { userChanged(text); });
        // Picking an item from the list is a change as well as typing.
        connect(box, &QComboBox::textActivated, this, [this](const QString &text) { userChanged(text); });
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
    connectDataset();
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
    if (updating_)
        return;
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
