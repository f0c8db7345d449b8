#include "DbEditBinder.h"

#include "Dataset.h"
#include "ErrorBox.h"
#include "StoreError.h"

#include <QLineEdit>
#include <QPlainTextEdit>

namespace ui {

DbEditBinder::DbEditBinder(QLineEdit *edit, store::Dataset *dataset, const QString &field)
    : QObject(edit), line_(edit), ds_(dataset), field_(field)
{
    connect(edit, &QLineEdit::textEdited, this, &DbEditBinder::userChanged);
    connectDataset();
}

DbEditBinder::DbEditBinder(QPlainTextEdit *edit, store::Dataset *dataset, const QString &field)
    : QObject(edit), plain_(edit), ds_(dataset), field_(field)
{
    connect(edit, &QPlainTextEdit::textChanged, this, [this] {
        if (!updating_)
            userChanged(plain_->toPlainText());
    });
    connectDataset();
}

void DbEditBinder::connectDataset()
{
    connect(ds_, &store::Dataset::currentChanged, this, &DbEditBinder::refresh);
    connect(ds_, &store::Dataset::rowsReset, this, &DbEditBinder::refresh);
    connect(ds_, &store::Dataset::stateChanged, this, &DbEditBinder::refresh);
    connect(ds_, &store::Dataset::fieldChanged, this, [this](int column) {
        if (ds_->active() && column == ds_->fieldIndex(field_))
            refresh();
    });
    refresh();
}

void DbEditBinder::setShown(const QString &text)
{
    updating_ = true;
    if (line_ && line_->text() != text)
        line_->setText(text);
    if (plain_ && plain_->toPlainText() != text)
        plain_->setPlainText(text);
    updating_ = false;
}

void DbEditBinder::refresh()
{
    const bool usable = ds_->active() && ds_->fieldIndex(field_) >= 0 && !ds_->isEmpty();
    setShown(usable ? ds_->fieldByName(field_).asString() : QString());
    const bool readOnly = !usable || ds_->readOnly();
    if (line_)
        line_->setReadOnly(readOnly);
    if (plain_)
        plain_->setReadOnly(readOnly);
}

void DbEditBinder::userChanged(const QString &text)
{
    if (updating_)
        return;
    try {
        if (ds_->state() == store::DatasetState::Browse)
            ds_->edit();
        ds_->fieldByName(field_).setValue(text);
    } catch (const store::StoreError &e) {
        showApplicationError(e.message(), line_ ? static_cast<QWidget *>(line_) : plain_);
        refresh();
    }
}

} // namespace ui
