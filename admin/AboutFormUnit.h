#pragma once

#include <QDialog>

// The about dialog. Created at start in its place in the creation order; its
// controls come with the work that builds it.
class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget *parent = nullptr) : QDialog(parent)
    {
        setObjectName(QStringLiteral("AboutForm"));
        setWindowTitle(QStringLiteral("О программе"));
    }
};
