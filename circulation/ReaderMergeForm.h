#pragma once

#include "Readers.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;

// "Объединить читателей": two records of one person; the librarian chooses the one kept. The
// other's loans go under the kept one's name and her empty details are filled from the other's.
class TReaderMergeForm : public QDialog {
    Q_OBJECT
public:
    TReaderMergeForm(const store::Reader &first, const store::Reader &second, QWidget *parent = nullptr);
    qint64 keptId() const;
    qint64 mergedId() const;

    QLabel *lblExplain;
    QRadioButton *rbFirst, *rbSecond;
    QPushButton *btnOk, *btnCancel;

private:
    qint64 first_, second_;
};
