#include "Main.h"

#include "DBModUnit.h"
#include "ErrorBox.h"
#include "ProcessValues.h"
#include "StoreError.h"

#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent), recordCount_(new QLabel(this))
{
    setWindowTitle(QApplication::applicationName());
    statusBar()->addWidget(recordCount_);
    resize(1000, 680);
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    FormShow();
}

void TMainForm::FormShow()
{
    if (store::process().ConnectFailed || !dbMod_) {
        // Closed from the event loop: closing inside the show event would leave the loop running.
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    for (store::Dataset *ds : {&dbMod_->MyCats, &dbMod_->MyBooks, &dbMod_->myOrders, &dbMod_->myItemKinds}) {
        try {
            ds->open();
        } catch (const store::StoreError &e) {
            ui::showApplicationError(e.message(), this);
        }
    }
    ShowRecordCount();
}

void TMainForm::ShowRecordCount()
{
    recordCount_->setText(QStringLiteral("Кол-во записей: ") + QString::number(dbMod_ ? dbMod_->MyBooks.recordCount() : 0));
}
