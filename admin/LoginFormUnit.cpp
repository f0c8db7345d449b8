#include "LoginFormUnit.h"

#include "DBModUnit.h"
#include "DialogLook.h"
#include "ErrorBox.h"
#include "Platform.h"
#include "data/DataError.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TLoginForm::TLoginForm(store::TDBMod *dbMod, QWidget *parent) : QDialog(parent), dbMod_(dbMod)
{
    setObjectName(QStringLiteral("LoginForm"));
    setWindowTitle(QStringLiteral("Вход в программу"));
    ui::useDialogFont(this);
    auto *column = new QVBoxLayout(this);
    rgAccessMode = new QGroupBox(QStringLiteral("Режим"), this);
    auto *modes = new QHBoxLayout(rgAccessMode);
    rbView = new QRadioButton(QStringLiteral("просмотр"), rgAccessMode);
    rbEdit = new QRadioButton(QStringLiteral("редактирование"), rgAccessMode);
    rbView->setChecked(true);
    modes->addWidget(rbView);
    modes->addWidget(rbEdit);
    column->addWidget(rgAccessMode);

    auto *passwordRow = new QHBoxLayout;
    lblPassword = new QLabel(QStringLiteral("Пароль"), this);
    edPassword = new QLineEdit(this);
    edPassword->setEchoMode(QLineEdit::Password);
    lblPassword->setBuddy(edPassword);
    passwordRow->addWidget(lblPassword);
    passwordRow->addWidget(edPassword, 1);
    column->addLayout(passwordRow);
    lblPassword->hide();
    edPassword->hide();

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setDefault(true);
    btnOK->setAutoDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addStretch(1);
    column->addStretch(1);
    column->addLayout(buttons);

    connect(rbView, &QRadioButton::clicked, this, &TLoginForm::rgAccessModeClick);
    connect(rbEdit, &QRadioButton::clicked, this, &TLoginForm::rgAccessModeClick);
    connect(btnOK, &QPushButton::clicked, this, &TLoginForm::btnOKClick);
    setFixedSize(260, 136);
}

void TLoginForm::rgAccessModeClick()
{
    const bool edit = rbEdit->isChecked();
    edPassword->setVisible(edit);
    lblPassword->setVisible(edit);
    setFixedSize(width(), edit ? 163 : 136);
    if (edit)
        edPassword->setFocus();
}

void TLoginForm::btnOKClick()
{
    if (!rbEdit->isChecked()) {
        reject();
        return;
    }
    try {
        if (dbMod_ && dbMod_->CheckPassword(edPassword->text())) {
            accept();
            return;
        }
    } catch (const data::DataError &e) {
        ui::showApplicationError(e, this);
        return;
    }
    ui::platform().messageBox(this, QStringLiteral("Пароль не верен"), QStringLiteral("Ошибка"), ui::MsgIcon::None, ui::Ok);
}
