#pragma once

#include <QObject>
#include <QString>

class QLineEdit;
class QPlainTextEdit;

namespace store {
class Dataset;
}

namespace ui {

// Binds an edit box to a field of a dataset's current record. Showing the field's value never
// counts as a user's change; a user's change puts the dataset in edit state and sets the field.
// The box is read-only while the dataset is.
class DbEditBinder : public QObject {
    Q_OBJECT
public:
    DbEditBinder(QLineEdit *edit, store::Dataset *dataset, const QString &field);
    DbEditBinder(QPlainTextEdit *edit, store::Dataset *dataset, const QString &field);

    // Shows the field's current value again (after the dataset changed state or read-only flag).
    void refresh();

private:
    void connectDataset();
    void userChanged(const QString &text);
    void setShown(const QString &text);

    QLineEdit *line_ = nullptr;
    QPlainTextEdit *plain_ = nullptr;
    store::Dataset *ds_;
    QString field_;
    bool updating_ = false;
};

} // namespace ui
