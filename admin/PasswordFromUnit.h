#pragma once

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace store {
class TDBMod;
}

// "Настройка доступа": shows and changes the edit-mode password.
class TPasswordForm : public QDialog {
    Q_OBJECT
public:
    explicit TPasswordForm(store::TDBMod *dbMod, QWidget *parent = nullptr);

    void FormShow();
    void chbShowPassClick();
    void btnSaveClick();

    QGroupBox *GroupBox1;
    QLabel *Label1;
    QLineEdit *edPassword;
    QCheckBox *chbShowPass;
    QPushButton *btnSave;
    QPushButton *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;

private:
    store::TDBMod *dbMod_;
};
