#pragma once

#include <QDialog>

// The item kinds dialog. Created at start in its place in the creation order; its
// controls come with the work that builds it.
class TItemKindsForm : public QDialog {
    Q_OBJECT
public:
    explicit TItemKindsForm(QWidget *parent = nullptr) : QDialog(parent)
    {
        setObjectName(QStringLiteral("ItemKindsForm"));
        setWindowTitle(QStringLiteral("Виды изданий"));
    }
};
