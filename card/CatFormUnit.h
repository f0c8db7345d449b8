#pragma once

#include <QDialog>

// The rubric picker of the record card. Created at start in its place in the creation order; its
// controls come with the work that builds it.
class TCatForm : public QDialog {
    Q_OBJECT
public:
    explicit TCatForm(QWidget *parent = nullptr) : QDialog(parent)
    {
        setObjectName(QStringLiteral("CatForm"));
        setWindowTitle(QStringLiteral("Рубрикатор"));
    }
};
