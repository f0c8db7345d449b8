#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

#include <functional>

namespace data {
class Connection;
class DataError;
}

// "Настройте параметры MySQL": the server, account and database of a catalogue on a MariaDB or
// MySQL server, shown when the catalogue cannot be opened at start. It can create the database
// and fill it from install_db.sql, and it is accepted only once the connection is open.
class TSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TSetupForm(QWidget *parent = nullptr);

    // The connection the dialog reads its values from and sets up (`MyServer`).
    void setConnection(data::Connection *connection) { conn_ = connection; }

    void FormShow();
    void cbDatabaseEnter();
    void btnOkClick();

    // True when the database box holds a name chosen from its list and not edited since.
    bool namePicked() const { return picked_; }

    QLabel *lblHost;
    QLineEdit *edHost;
    QLabel *lblUser;
    QLineEdit *edUser;
    QLabel *lblPass;
    QLineEdit *edPass;
    QLabel *lblDatabase;
    QComboBox *cbDatabase;
    QPushButton *btnOk;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyServerValues();
    void createDatabase(const QString &name);
    // Runs what talks to the server; a certificate nobody vouches for is shown to the librarian,
    // and trusted and tried once more when she confirms it. False when it failed (and was told).
    // Other errors go to the connection warning, or to the application's error box when asked.
    bool talkToServer(const std::function<void()> &action, bool inErrorBox = false);
    bool trustCertificate(const data::DataError &error);
    void showConnectionError(const data::DataError &error);

    data::Connection *conn_ = nullptr;
    bool picked_ = false;
};
