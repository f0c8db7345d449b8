#include "MailSettingsForm.h"

#include "BackgroundWork.h"
#include "DialogLook.h"
#include "IniFile.h"
#include "Mailer.h"
#include "Platform.h"
#include "ProcessValues.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>

namespace {

QLineEdit *lineEdit(QWidget *parent, const QString &name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

} // namespace

TMailSettingsForm::TMailSettingsForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MailSettingsForm"));
    setWindowTitle(QStringLiteral("Почта"));
    ui::useFixedDialogFrame(this);
    auto *grid = new QGridLayout(this);
    const auto addRow = [grid](const QString &caption, QWidget *box, QWidget *beside = nullptr) {
        const int row = grid->rowCount();
        grid->addWidget(ui::buddyLabel(caption, box), row, 0);
        grid->addWidget(box, row, 1, 1, beside ? 1 : 2);
        if (beside)
            grid->addWidget(beside, row, 2);
    };
    edServer = lineEdit(this, QStringLiteral("edServer"));
    edServer->setPlaceholderText(QStringLiteral("smtp.example.ru"));
    addRow(QStringLiteral("&Сервер:"), edServer);
    edPort = new QSpinBox(this);
    edPort->setObjectName(QStringLiteral("edPort"));
    edPort->setRange(1, 65535);
    edPort->setToolTip(QStringLiteral("587 — с шифрованием STARTTLS; 465 — шифрование с первого байта"));
    addRow(QStringLiteral("&Порт:"), edPort);
    edUser = lineEdit(this, QStringLiteral("edUser"));
    addRow(QStringLiteral("По&льзователь:"), edUser);
    edPassword = lineEdit(this, QStringLiteral("edPassword"));
    edPassword->setEchoMode(QLineEdit::Password);
    addRow(QStringLiteral("Па&роль:"), edPassword);
    edFrom = lineEdit(this, QStringLiteral("edFrom"));
    edFrom->setPlaceholderText(QStringLiteral("Библиотека <library@example.ru>"));
    addRow(QStringLiteral("&От кого:"), edFrom);
    chbRequireTls = new QCheckBox(QStringLiteral("Только &защищённое соединение (STARTTLS)"), this);
    chbRequireTls->setObjectName(QStringLiteral("chbRequireTls"));
    chbRequireTls->setToolTip(QStringLiteral("Без шифрования имя, пароль и письма не передаются"));
    grid->addWidget(chbRequireTls, grid->rowCount(), 1, 1, 2);
    edCaCertificate = lineEdit(this, QStringLiteral("edCaCertificate"));
    edCaCertificate->setToolTip(QStringLiteral("Нужен, только если сертификат сервера выдан центром самой организации"));
    btnCaCertificate = new QPushButton(QStringLiteral("О&бзор…"), this);
    btnCaCertificate->setObjectName(QStringLiteral("btnCaCertificate"));
    btnCaCertificate->setAccessibleName(QStringLiteral("Выбрать файл сертификата центра"));
    btnCaCertificate->setAutoDefault(false);
    addRow(QStringLiteral("Сертификат &центра:"), edCaCertificate, btnCaCertificate);

    btnCheck = new QPushButton(QStringLiteral("Про&верить"), this);
    btnCheck->setObjectName(QStringLiteral("btnCheck"));
    btnCheck->setAutoDefault(false);
    QHBoxLayout *buttons = ui::okCancelRow(this, QStringLiteral("ОК"), btnOk, btnCancel);
    buttons->insertWidget(0, btnCheck);
    grid->addLayout(buttons, grid->rowCount(), 0, 1, 3);
    grid->setColumnStretch(1, 1);
    connect(btnCaCertificate, &QPushButton::clicked, this, &TMailSettingsForm::btnCaCertificateClick);
    connect(btnCheck, &QPushButton::clicked, this, &TMailSettingsForm::btnCheckClick);
    connect(btnOk, &QPushButton::clicked, this, &TMailSettingsForm::btnOkClick);
    setFixedSize(sizeHint().expandedTo(QSize(420, 0)));
}

void TMailSettingsForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TMailSettingsForm::FormShow()
{
    const store::MailSettings mail = store::readMailSettings(store::process().SettingsFile);
    edServer->setText(mail.server);
    edPort->setValue(mail.port);
    edUser->setText(mail.user);
    edPassword->setText(mail.password);
    edFrom->setText(mail.from);
    chbRequireTls->setChecked(mail.requireTls);
    edCaCertificate->setText(mail.caCertificate);
    edServer->setFocus();
}

store::MailSettings TMailSettingsForm::settings() const
{
    store::MailSettings mail = store::readMailSettings(store::process().SettingsFile);
    mail.server = edServer->text().trimmed();
    mail.port = edPort->value();
    mail.user = edUser->text();
    mail.password = edPassword->text();
    mail.from = edFrom->text().trimmed();
    mail.requireTls = chbRequireTls->isChecked();
    mail.caCertificate = edCaCertificate->text().trimmed();
    return mail;
}

void TMailSettingsForm::btnCaCertificateClick()
{
    const QString file = ui::platform().openFileName(this, QStringLiteral("Сертификат центра"), QString(),
                                                     QStringLiteral("Сертификаты|*.pem;*.crt;*.cer|Все файлы|*.*"));
    if (!file.isEmpty())
        edCaCertificate->setText(QDir::toNativeSeparators(file));
}

void TMailSettingsForm::btnCheckClick()
{
    const store::MailSettings mail = settings();
    if (const QString missing = store::missingMailSettings(mail); !missing.isEmpty()) {
        ui::platform().messageBox(this, missing, windowTitle(), ui::MsgIcon::Warning, ui::Ok);
        return;
    }
    const std::unique_ptr<store::Mailer> mailer = store::makeMailer(mail);
    ui::BackgroundWork work(this, QStringLiteral("Проверка связи с сервером почты %1…").arg(mail.server));
    work.allowCancel([&mailer] { mailer->stop(); });
    try {
        work.run([&mailer] { mailer->check(); });
    } catch (const store::MailError &e) {
        if (e.scope() != store::MailError::Scope::Stopped)
            ui::platform().messageBox(this, e.message(), windowTitle(), ui::MsgIcon::Warning, ui::Ok);
        return;
    }
    ui::platform().messageBox(this,
                              mail.user.isEmpty()
                                  ? QStringLiteral("Сервер почты %1 отвечает. Настройки верны.").arg(mail.server)
                                  : QStringLiteral("Сервер почты %1 отвечает, имя и пароль приняты. Настройки верны.")
                                        .arg(mail.server),
                              windowTitle(), ui::MsgIcon::Information, ui::Ok);
}

void TMailSettingsForm::btnOkClick()
{
    store::IniFile *file = store::process().SettingsFile;
    if (!file || !store::writeMailSettings(*file, settings())) {
        ui::platform().messageBox(this,
                                  QStringLiteral("Не удалось записать настройки почты в файл настроек %1.")
                                      .arg(file ? file->fileName() : QStringLiteral("library.ini")),
                                  windowTitle(), ui::MsgIcon::Warning, ui::Ok);
        return;
    }
    accept();
}
