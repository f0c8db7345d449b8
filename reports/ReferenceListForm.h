#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

// "Список литературы": where the list goes (a page in the browser or a document for the word
// processor) and which holdings it lists.
class TReferenceListForm : public QDialog {
    Q_OBJECT
public:
    TReferenceListForm(int shown, int selected, QWidget *parent = nullptr);

    bool toWordProcessor() const;
    bool selectedOnly() const;

    QComboBox *cbTarget;
    QComboBox *cbWhich;
    QPushButton *btnOk;
    QPushButton *btnCancel;
};
