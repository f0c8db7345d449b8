// The first show of the main window, the access mode, and the view state kept in library.ini.
#include "Main.h"

#include "BookFormUnit.h"
#include "DBModUnit.h"
#include "ErrorBox.h"
#include "ImageList.h"
#include "IniFile.h"
#include "LendingDesk.h"
#include "LoanTerms.h"
#include "Readers.h"
#include "SchemaCreation.h"
#include "MainGridView.h"
#include "Platform.h"
#include "ProcessValues.h"
#include "data/DataError.h"

#include <QStatusBar>
#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {
const QString General = QStringLiteral("General");
}

bool TMainForm::runGuarded(const std::function<void()> &action) { return ui::runGuarded(this, action); }

void TMainForm::FormShow()
{
    store::ProcessValues &p = store::process();
    if (p.ConnectFailed || !dbMod_) {
        // Closed from the event loop: closing inside the show event would leave the loop running.
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    if (p.AutoLogon)
        p.ViewOnly = false;
    else
        p.ViewOnly = !loginForm_ || ui::platform().runModal(*loginForm_) != QDialog::Accepted;
    if (p.ViewOnly)
        applyViewOnly();

    store::IniFile *ini = p.SettingsFile;
    auto readBool = [ini](const QString &key, bool def) { return ini ? ini->readBool(General, key, def) : def; };
    if (readBool(QStringLiteral("IsMaximized"), false))
        setWindowState(windowState() | Qt::WindowMaximized);
    fillKindTabs();
    miRubricTree->setChecked(readBool(QStringLiteral("Rubricator"), true));
    showLeftPane(miRubricTree->isChecked() ? tvRubrics : nullptr);
    miAnnotation->setChecked(readBool(QStringLiteral("Annotation"), true));
    gbDetails->setVisible(miAnnotation->isChecked());
    QFont gridFont = MainGrid->font();
    gridFont.setFamily(ini ? ini->readString(General, QStringLiteral("FontName"), QStringLiteral("Tahoma"))
                           : QStringLiteral("Tahoma"));
    gridFont.setPointSize(ini ? ini->readInteger(General, QStringLiteral("FontSize"), 10) : 10);
    MainGrid->setFont(gridFont);
    QFont annotationFont = edAnnotation->font();
    annotationFont.setPointSize(gridFont.pointSize());
    edAnnotation->setFont(annotationFont);

    miNewItem->setIcon(ui::sharedImage(0));
    btnNewItem->setIcon(ui::sharedImage(0));
    N3->setIcon(ui::sharedImage(4));
    N9->setIcon(ui::sharedImage(3));
    N8->setIcon(ui::sharedImage(2));

    // Due dates and the readers register get their tables, the desk and the ISBN search their
    // indexes, in an older catalogue; never in view mode.
    if (!p.ViewOnly)
        runGuarded([this] {
            store::ensureLoanTerms(dbMod_->MyServer);
            store::ensureReaders(dbMod_->MyServer);
            store::ensureHoldingNumberIndex(dbMod_->MyServer);
            store::ensureIsbnIndex(dbMod_->MyServer);
        });
    for (data::Dataset *ds : {&dbMod_->MyCats, &dbMod_->MyBooks, &dbMod_->myOrders, &dbMod_->myItemKinds})
        runGuarded([ds] { ds->open(); });
    MainGrid->setFocus();
    markInitialSort();
    ShowRecordCount();
    openRubricRoot();
    miFontLarger->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Up));
    miFontSmaller->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Down));
}

// View mode: nothing that changes the catalogue can be reached.
void TMainForm::applyViewOnly()
{
    btnNewItem->setEnabled(false);
    miNewItem->setEnabled(false);
    miBackup->setEnabled(false);
    miRestore->setEnabled(false);
    miMarcImport->setEnabled(false);
    N8->setEnabled(false);
    miExtendLoan->setEnabled(false);
    N9->setEnabled(false);
    for (QAction *a : {N24, N25, N26, N31})
        a->setEnabled(false);
    miSetup->setEnabled(false);
    miSetup->menuAction()->setEnabled(false);
    miPassword->setEnabled(false);
    miChangeKind->setEnabled(false);
    miChangeKind->menuAction()->setEnabled(false);
    if (bookForm_)
        bookForm_->applyViewOnly();
    if (dbMod_)
        dbMod_->MyBooks.setReadOnly(true);
}

void TMainForm::FormClose()
{
    if (closeWritten_)
        return;
    closeWritten_ = true;
    store::IniFile *ini = store::process().SettingsFile;
    if (!ini)
        return;
    const QRect outer = frameGeometry();
    ini->writeInteger(General, QStringLiteral("MainWidth"), outer.width());
    ini->writeInteger(General, QStringLiteral("MainHeight"), outer.height());
    const QSize card = bookForm_ ? bookForm_->frameGeometry().size() : QSize(550, 462);
    ini->writeInteger(General, QStringLiteral("CardWidth"), card.width());
    ini->writeInteger(General, QStringLiteral("CardHeight"), card.height());
    ini->writeInteger(General, QStringLiteral("FontSize"), MainGrid->font().pointSize());
    ini->writeBool(General, QStringLiteral("IsMaximized"), isMaximized());
    ini->writeBool(General, QStringLiteral("Rubricator"), tvRubrics->isVisibleTo(this) && Splitter1->widget(0)->isVisibleTo(this));
    ini->writeBool(General, QStringLiteral("Annotation"), gbDetails->isVisibleTo(this));
}

void TMainForm::FormDestroy() { KindIds.clear(); }

void TMainForm::ShowRecordCount()
{
    sbStatusCount->setText(QStringLiteral("Кол-во записей: ") +
                           QString::number(dbMod_ ? dbMod_->MyBooks.recordCount() : 0));
    showSessionSecurity();
}

// A server session says whether the catalogue and the password cross the network readable.
void TMainForm::showSessionSecurity()
{
    const data::TlsState state = dbMod_ ? dbMod_->MyServer.tlsState() : data::TlsState::NotServer;
    if (state == data::TlsState::NotServer) {
        if (sbSession)
            sbSession->hide();
        return;
    }
    if (!sbSession) {
        sbSession = new QLabel(this);
        sbSession->setObjectName(QStringLiteral("sbSession"));
        statusBar()->addPermanentWidget(sbSession);
    }
    switch (state) {
    case data::TlsState::Plain: sbSession->setText(QStringLiteral("Сервер: соединение не зашифровано")); break;
    case data::TlsState::Unverified:
        sbSession->setText(QStringLiteral("Сервер: зашифровано, сертификат не проверен"));
        break;
    default: sbSession->setText(QStringLiteral("Сервер: зашифровано, сертификат проверен")); break;
    }
    sbSession->setAccessibleName(sbSession->text());
    sbSession->show();
}

void TMainForm::miPasswordClick()
{
    if (passwordForm_)
        ui::platform().runModal(*passwordForm_);
}
