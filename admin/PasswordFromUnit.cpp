#include "PasswordFromUnit.h"

#include "DBModUnit.h"
#include "DialogLook.h"
#include "ErrorBox.h"
#include "data/DataError.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TPasswordForm::TPasswordForm(store::TDBMod *dbMod, QWidget *parent) : QDialog(parent), dbMod_(dbMod)
{
    setObjectName(QStringLiteral("PasswordForm"));
    setWindowTitle(QStringLiteral("Настройка доступа"));
    ui::useDialogFont(this);
    auto *column = new QVBoxLayout(this);
    GroupBox1 = new QGroupBox(QStringLiteral("Режим редактирования"), this);
    auto *row = new QHBoxLayout(GroupBox1);
    Label1 = new QLabel(QStringLiteral("Пароль "), GroupBox1);
    edPassword = new QLineEdit(GroupBox1);
    edPassword->setEchoMode(QLineEdit::Password);
    Label1->setBuddy(edPassword);
    chbShowPass = new QCheckBox(QStringLiteral("показать"), GroupBox1);
    row->addWidget(Label1);
    row->addWidget(edPassword, 1);
    row->addWidget(chbShowPass);
    column->addWidget(GroupBox1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnSave = new QPushButton(QStringLiteral("Сохранить"), this);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnSave->setDefault(true);
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    column->addLayout(buttons);
    connect(chbShowPass, &QCheckBox::toggled, this, &TPasswordForm::chbShowPassClick);
    connect(btnSave, &QPushButton::clicked, this, &TPasswordForm::btnSaveClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(340, 110);
}

void TPasswordForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TPasswordForm::FormShow()
{
    chbShowPass->setChecked(false);
    edPassword->setEchoMode(QLineEdit::Password);
    try {
        edPassword->setText(dbMod_ ? dbMod_->ReadPassword() : QString());
    } catch (const data::DataError &e) {
        ui::showApplicationError(e, this);
    }
}

void TPasswordForm::chbShowPassClick()
{
    edPassword->setEchoMode(chbShowPass->isChecked() ? QLineEdit::Normal : QLineEdit::Password);
}

void TPasswordForm::btnSaveClick()
{
    // The dialog closes whatever the store answers; an error is shown and nothing is stored.
    accept();
    try {
        if (dbMod_)
            dbMod_->SavePassword(edPassword->text());
    } catch (const data::DataError &e) {
        ui::showApplicationError(e, this);
    }
}
