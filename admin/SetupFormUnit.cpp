#include "SetupFormUnit.h"

#include "DialogLook.h"
#include "ErrorBox.h"
#include "Platform.h"
#include "ServerDatabase.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/script/ScriptDump.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

TSetupForm::TSetupForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SetupForm"));
    setWindowTitle(QStringLiteral("Настройте параметры MySQL"));
    ui::useFixedDialogFrame(this);

    auto *grid = new QGridLayout(this);
    auto addRow = [this, grid](const QString &caption, QWidget *control, const QString &name) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(control);
        control->setObjectName(name);
        control->setAccessibleName(caption);
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(control, row, 1);
        return label;
    };
    edHost = new QLineEdit(this);
    lblHost = addRow(QStringLiteral("Сервер"), edHost, QStringLiteral("edHost"));
    edUser = new QLineEdit(this);
    edUser->setToolTip(QStringLiteral("Пользователь с правами доступа к нужной базе данных"));
    lblUser = addRow(QStringLiteral("Пользователь"), edUser, QStringLiteral("edUser"));
    edPass = new QLineEdit(this); // shown as typed, so that a mistyped password can be seen
    lblPass = addRow(QStringLiteral("Пароль"), edPass, QStringLiteral("edPass"));
    cbDatabase = new QComboBox(this);
    cbDatabase->setEditable(true);
    // Enter must not add what was typed to the list: a typed name is one to be created.
    cbDatabase->setInsertPolicy(QComboBox::NoInsert);
    cbDatabase->setToolTip(QStringLiteral("Укажите название базы данных (если не существует, то будет создана)"));
    lblDatabase = addRow(QStringLiteral("База данных"), cbDatabase, QStringLiteral("cbDatabase"));
    cbDatabase->lineEdit()->setAccessibleName(lblDatabase->text());

    btnOk = new QPushButton(QStringLiteral("ОК"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addStretch(1);
    grid->addLayout(buttons, grid->rowCount(), 0, 1, 2);
    grid->setColumnStretch(1, 1);

    setTabOrder(edHost, edUser);
    setTabOrder(edUser, edPass);
    setTabOrder(edPass, cbDatabase);
    setTabOrder(cbDatabase, btnOk);

    cbDatabase->installEventFilter(this);
    connect(cbDatabase, &QComboBox::activated, this, [this] { picked_ = true; });
    connect(cbDatabase->lineEdit(), &QLineEdit::textEdited, this, [this] { picked_ = false; });
    connect(btnOk, &QPushButton::clicked, this, &TSetupForm::btnOkClick);
    setFixedSize(sizeHint().expandedTo(QSize(300, 150)));
}

void TSetupForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (QScreen *s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
    FormShow();
}

bool TSetupForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cbDatabase && event->type() == QEvent::FocusIn) {
        // Focus coming back from a message box, another window or the box's own list is no new
        // entry into the box; otherwise a failed listing would be reported over and over.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            cbDatabaseEnter();
    }
    return QDialog::eventFilter(watched, event);
}

void TSetupForm::FormShow()
{
    if (!conn_)
        return;
    edHost->setText(conn_->serverName());
    edUser->setText(conn_->userName());
    edPass->setText(conn_->password());
    cbDatabase->setEditText(conn_->database());
    picked_ = false;
}

void TSetupForm::applyServerValues()
{
    conn_->setProviderName(QStringLiteral("MySQL"));
    conn_->setServerName(edHost->text());
    conn_->setUserName(edUser->text());
    conn_->setPassword(edPass->text());
}

void TSetupForm::cbDatabaseEnter()
{
    if (!conn_)
        return;
    applyServerValues();
    conn_->setDatabase(QString());
    const QString text = cbDatabase->currentText();
    cbDatabase->clear(); // the list holds only names from the server the boxes name
    talkToServer([this] { cbDatabase->addItems(conn_->databaseNames()); });
    // A name picked before stays picked while the server still has it.
    const int index = picked_ ? cbDatabase->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) : -1;
    cbDatabase->setCurrentIndex(index);
    cbDatabase->setEditText(text);
    picked_ = index >= 0;
}

void TSetupForm::createDatabase(const QString &name)
{
    // Looked for before anything is sent, so that a missing script leaves no empty database.
    const QString script = setup::installScriptFile();
    if (script.isEmpty())
        throw data::DataError(setup::missingInstallScriptMessage());
    conn_->setDatabase(QString());
    conn_->open(); // the server alone: the database is yet to be made
    conn_->runStatement(setup::createDatabaseStatement(name));
    conn_->runStatement(setup::useDatabaseStatement(name));
    data::ScriptDump(conn_).RunScriptFile(script);
    conn_->setDatabase(name);
}

void TSetupForm::btnOkClick()
{
    if (!conn_)
        return;
    const QString name = cbDatabase->currentText();
    if (name.isEmpty()) {
        ui::platform().messageBox(this, QStringLiteral("Необходимо указать название базы данных"),
                                  QStringLiteral("Внимание"), ui::MsgIcon::None, ui::Ok);
        return;
    }
    applyServerValues();
    if (!picked_) {
        if (!talkToServer([this, &name] { createDatabase(name); }, true))
            return;
    } else {
        conn_->setDatabase(name);
    }
    talkToServer([this] { conn_->open(); });
    if (conn_->isOpen())
        accept();
}

bool TSetupForm::talkToServer(const std::function<void()> &action, bool inErrorBox)
{
    for (bool retried = false;; retried = true) {
        try {
            action();
            return true;
        } catch (const data::DataError &e) {
            if (!retried && trustCertificate(e))
                continue;
            inErrorBox ? ui::showApplicationError(e, this) : showConnectionError(e);
            return false;
        }
    }
}

bool TSetupForm::trustCertificate(const data::DataError &error)
{
    if (error.kind() != data::ErrorKind::UntrustedCertificate)
        return false;
    const QString question =
        error.message() +
        QStringLiteral("\n\nСверьте этот отпечаток с тем, что назовёт администратор сервера (на сервере: openssl x509 "
                       "-noout -fingerprint -sha256 -in server-cert.pem). Если они совпадают, сертификату можно "
                       "доверять: программа запомнит его отпечаток (ServerFingerprint= в library.ini) и не станет "
                       "подключаться, если сервер предъявит другой.\n\nДоверять этому сертификату?");
    if (ui::platform().messageBox(this, question, QStringLiteral("Сертификат сервера"), ui::MsgIcon::Warning,
                                  ui::Yes | ui::No) != ui::Yes)
        return false;
    conn_->setServerFingerprint(error.detail());
    return true;
}

void TSetupForm::showConnectionError(const data::DataError &error)
{
    ui::platform().messageBox(this,
                              QStringLiteral("Не удается подключиться к базе данных, проверьте запущен ли сервер, а "
                                             "также его параметры, указанные здесь.\n\n") +
                                  ui::explainedErrorText(error),
                              QStringLiteral("Ошибка соединения"), ui::MsgIcon::Warning, ui::Ok);
}
