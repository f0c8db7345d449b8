#pragma once

#include <QDialog>

class QAbstractItemView;
class QCheckBox;
class QLineEdit;

namespace ui {

// The grid's find dialog (Ctrl+F): looks for a text in the current column, from the row after
// the current one down, and makes the first row that holds it current.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QAbstractItemView *view);
    static FindDialog *showFor(QAbstractItemView *view);

    // Returns false when no further row holds the text.
    bool findNext(const QString &text);

private:
    QAbstractItemView *view_;
    QLineEdit *text_;
    QCheckBox *caseSensitive_;
};

} // namespace ui
