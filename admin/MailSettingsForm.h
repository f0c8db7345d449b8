#pragma once

#include "MailSettings.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

// "Почта": how reminders leave by e-mail, stored under [Mail] of library.ini. "Проверить"
// connects to the server with the values typed, on a worker thread, and says what it found.
class TMailSettingsForm : public QDialog {
    Q_OBJECT
public:
    explicit TMailSettingsForm(QWidget *parent = nullptr);

    // Fills the boxes from the settings file.
    void FormShow();
    // Connects, encrypts and logs in with the values typed, sending nothing.
    void btnCheckClick();
    void btnCaCertificateClick();
    // Writes the settings and closes; a file that cannot be written is said so and the dialog stays.
    void btnOkClick();

    // The values typed; the timeouts as the file has them.
    store::MailSettings settings() const;

    QLineEdit *edServer;
    QSpinBox *edPort;
    QLineEdit *edUser;
    QLineEdit *edPassword;
    QLineEdit *edFrom;
    QCheckBox *chbRequireTls;
    QLineEdit *edCaCertificate;
    QPushButton *btnCaCertificate;
    QPushButton *btnCheck;
    QPushButton *btnOk;
    QPushButton *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;
};
