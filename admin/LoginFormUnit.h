#pragma once

#include <QDialog>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace store {
class TDBMod;
}

// "Вход в программу": the choice of the access mode at start. Accepted means edit mode.
class TLoginForm : public QDialog {
    Q_OBJECT
public:
    explicit TLoginForm(store::TDBMod *dbMod, QWidget *parent = nullptr);

    void rgAccessModeClick();
    void btnOKClick();

    QGroupBox *rgAccessMode;
    QRadioButton *rbView;
    QRadioButton *rbEdit;
    QLabel *lblPassword;
    QLineEdit *edPassword;
    QPushButton *btnOK;

private:
    store::TDBMod *dbMod_;
};
