#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>

class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QWidget;

namespace data {
class Dataset;
}

namespace ui {

// Binds a control to a field of a dataset's current record. Showing the field's value never
// counts as a user's change; a user's change (typed, pasted, picked from a list or set by a
// screen reader) puts the dataset in edit state and sets the field. The control accepts no
// change while the dataset is read-only: it shows the field again.
class DbEditBinder : public QObject {
    Q_OBJECT
public:
    // A box with a validator takes no text the validator refuses.
    DbEditBinder(QLineEdit *edit, data::Dataset *dataset, const QString &field);
    // The field holds its line breaks as CR LF, as the catalogue does; the box shows them.
    DbEditBinder(QPlainTextEdit *edit, data::Dataset *dataset, const QString &field);
    // An editable drop-down holds the field's text; one that is not editable is a lookup whose
    // items carry the stored values as their data (Qt::UserRole) and show their texts.
    DbEditBinder(QComboBox *box, data::Dataset *dataset, const QString &field);
    DbEditBinder(QSpinBox *box, data::Dataset *dataset, const QString &field);
    DbEditBinder(QDoubleSpinBox *box, data::Dataset *dataset, const QString &field);
    // A date box shows an empty field as its minimum date with a blank text; its calendar then
    // opens at today, and the field stays empty unless a date is chosen there.
    DbEditBinder(QDateEdit *box, data::Dataset *dataset, const QString &field);

    // Shows the field's current value again (after the dataset changed state or read-only flag).
    void refresh();

private:
    void connectDataset();
    void followText(QLineEdit *edit);
    void followList(QComboBox *box);
    bool takesChanges() const;
    bool holds(const QString &text) const;
    void userChanged(const QVariant &value);
    void setShown(const QVariant &value);

    QWidget *widget_;
    data::Dataset *ds_;
    QString field_;
    bool updating_ = false;
    bool applying_ = false; // the box's own change is being set on the field
    int listChanging_ = 0;  // a drop-down's list is being replaced, which rewrites its text
    bool textual_ = false; // shows the field as text (dates in the short date format)
    std::function<void(const QVariant &)> show_;
    std::function<void(bool)> setReadOnly_;
};

} // namespace ui
