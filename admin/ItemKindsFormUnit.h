#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace store {
class TDBMod;
}
namespace ui {
class DatasetModel;
}

// The item kinds dialog: the kinds of myItemKinds edited in place through bound controls.
class TItemKindsForm : public QDialog {
    Q_OBJECT
public:
    explicit TItemKindsForm(store::TDBMod *dbMod, QWidget *parent = nullptr);

    void FormShow();
    void btnAddClick();
    void btnDelClick();

    QTableView *grKindList;
    QLabel *lblName;
    QLineEdit *edKindName;
    QLabel *lblDescription;
    QPlainTextEdit *edKindDescription;
    QPushButton *btnAdd;
    QPushButton *btnDel;
    QPushButton *btnClose;
    ui::DatasetModel *kindModel = nullptr;

    // A change typed but not yet posted is posted as the dialog closes, so that it is not lost
    // when the program ends next; if it cannot be posted the dialog stays open with it.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool guarded(const std::function<void()> &action);
    store::TDBMod *dbMod_;
};
