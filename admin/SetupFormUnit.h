#pragma once

#include <QDialog>

// The server settings dialog, shown when the database cannot be opened. Created at start in its place in the creation order; its
// controls come with the work that builds it.
class TSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TSetupForm(QWidget *parent = nullptr) : QDialog(parent)
    {
        setObjectName(QStringLiteral("SetupForm"));
        setWindowTitle(QStringLiteral("Настройте параметры MySQL"));
    }
};
