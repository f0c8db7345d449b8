#pragma once

#include <QDialog>

// The report period dialog. Created at start in its place in the creation order; its
// controls come with the work that builds it.
class TPeriodFm : public QDialog {
    Q_OBJECT
public:
    explicit TPeriodFm(QWidget *parent = nullptr) : QDialog(parent)
    {
        setObjectName(QStringLiteral("PeriodFm"));
        setWindowTitle(QStringLiteral("Укажите отчетный период"));
    }
};
