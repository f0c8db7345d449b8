#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about dialog: the program's name, version, the maker's links and the emblem.
class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget *parent = nullptr);

    static QString supportMail() { return QStringLiteral("support@lirma.example"); }
    static QString webSite() { return QStringLiteral("https://lirma.example/"); }
    // The emblem, drawn rather than kept as a picture: an open book under a lamp.
    static QPixmap emblem();

    void lblEmailClick();
    void lblWebClick();

    QLabel *Image1;
    QLabel *lblProgramName;
    QLabel *Label8, *lblVersionStr;
    QLabel *Label2, *lblEmail;
    QLabel *Label4, *lblWeb;
    QLabel *lblNotice;
    QPushButton *btnOk;
};
