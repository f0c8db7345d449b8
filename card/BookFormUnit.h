#pragma once

#include <QDialog>

// The record card. Created at start in its place in the creation order; its
// controls come with the work that builds it.
class TBookForm : public QDialog {
    Q_OBJECT
public:
    explicit TBookForm(QWidget *parent = nullptr) : QDialog(parent)
    {
        setObjectName(QStringLiteral("BookForm"));
        setWindowTitle(QStringLiteral("Карточка издания"));
    }
};
