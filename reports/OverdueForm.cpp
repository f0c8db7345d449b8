#include "OverdueForm.h"

#include "CirculationPages.h"
#include "DBModUnit.h"
#include "DialogLook.h"
#include "ErrorBox.h"
#include "HtmlText.h"
#include "Platform.h"
#include "ProcessValues.h"
#include "ReportPrint.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QPushButton *button(QWidget *parent, const QString &name, const QString &caption)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TOverdueForm::TOverdueForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("OverdueForm"));
    setWindowTitle(QStringLiteral("Должники"));
    ui::useFixedDialogFrame(this);
    auto *grid = new QGridLayout(this);
    Label1 = new QLabel(QStringLiteral("&На дату:"), this);
    dtDay = new QDateEdit(this);
    dtDay->setObjectName(QStringLiteral("dtDay"));
    dtDay->setCalendarPopup(true);
    dtDay->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    dtDay->setAccessibleName(QStringLiteral("На дату"));
    Label1->setBuddy(dtDay);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(dtDay, 0, 1);
    btnList = button(this, QStringLiteral("btnList"), QStringLiteral("&Список должников"));
    btnList->setDefault(true);
    btnLetters = button(this, QStringLiteral("btnLetters"), QStringLiteral("&Напоминания"));
    btnPrintLetters = button(this, QStringLiteral("btnPrintLetters"), QStringLiteral("&Печать напоминаний…"));
    btnLettersPdf = button(this, QStringLiteral("btnLettersPdf"), QStringLiteral("Напоминания в &PDF…"));
    btnSendMail = button(this, QStringLiteral("btnSendMail"), QStringLiteral("Отправить по &e-mail…"));
    btnClose = button(this, QStringLiteral("btnClose"), QStringLiteral("Закрыть"));
    int row = 1;
    for (QPushButton *b : {btnList, btnLetters, btnPrintLetters, btnLettersPdf, btnSendMail, btnClose})
        grid->addWidget(b, row++, 0, 1, 2);
    connect(btnList, &QPushButton::clicked, this, &TOverdueForm::btnListClick);
    connect(btnLetters, &QPushButton::clicked, this, &TOverdueForm::btnLettersClick);
    connect(btnPrintLetters, &QPushButton::clicked, this, &TOverdueForm::btnPrintLettersClick);
    connect(btnLettersPdf, &QPushButton::clicked, this, &TOverdueForm::btnLettersPdfClick);
    connect(btnSendMail, &QPushButton::clicked, this, &TOverdueForm::btnSendMailClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject); // Esc closes as well
    setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
}

void TOverdueForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TOverdueForm::FormShow()
{
    dtDay->setDate(QDate::currentDate());
    btnSendMail->setVisible(!store::process().ViewOnly);
    layout()->activate();
    setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
}

bool TOverdueForm::runGuarded(const std::function<void()> &action) { return ui::runGuarded(this, action); }

QList<store::ReaderDebt> TOverdueForm::readDebts(const QDate &day)
{
    const store::LoanPeriods periods = store::readLoanPeriods(store::process().SettingsFile);
    return store::readReaderDebts(dbMod_->MyServer, periods, day);
}

void TOverdueForm::btnListClick()
{
    if (!dbMod_)
        return;
    const QDate day = dtDay->date();
    runGuarded([&] {
        // Contacts stay with the librarian: a view-mode terminal may stand where readers see it.
        const QByteArray page = reports::overdueReportPage(day, readDebts(day), !store::process().ViewOnly);
        const QString file = store::process().TempDir + QStringLiteral("/overdue.html");
        if (openPage)
            openPage(file, page);
    });
}

QString TOverdueForm::writeLetters()
{
    if (!dbMod_)
        return {};
    const QDate day = dtDay->date();
    const QString file = store::process().TempDir + QStringLiteral("/reminders.html");
    int unnamed = 0;
    const bool written = runGuarded([&] {
        const QList<store::ReaderDebt> debts = readDebts(day);
        for (const store::ReaderDebt &d : debts)
            unnamed += d.reader.trimmed().isEmpty() ? int(d.loans.size()) : 0;
        store::writePageFile(file, reports::reminderLettersPage(day, debts, store::readLetterhead(store::process().SettingsFile)));
    });
    if (written && unnamed > 0)
        ui::platform().messageBox(this,
                                  QStringLiteral("Просроченных выдач без читателя: %1. Напоминания для них не "
                                                 "составлены; они есть в списке должников.")
                                      .arg(unnamed),
                                  windowTitle(), ui::MsgIcon::Information, ui::Ok);
    return written ? file : QString();
}

void TOverdueForm::btnLettersClick()
{
    const QString file = writeLetters();
    if (!file.isEmpty())
        ui::platform().shellOpen(file);
}

void TOverdueForm::btnPrintLettersClick()
{
    const QString file = writeLetters();
    if (!file.isEmpty())
        runGuarded([&] { ui::previewAndPrintPage(this, file); });
}

void TOverdueForm::btnLettersPdfClick()
{
    const QString pdf = ui::platform().saveFileName(this, QStringLiteral("Напоминания в PDF"), QString(),
                                                    QStringLiteral("Документы PDF|*.pdf"), QStringLiteral("pdf"));
    if (pdf.isEmpty())
        return;
    const QString file = writeLetters();
    if (!file.isEmpty() && runGuarded([&] { ui::savePageAsPdf(file, pdf); }))
        ui::platform().messageBox(this, QStringLiteral("Напоминания сохранены в файл %1").arg(pdf), windowTitle(),
                                  ui::MsgIcon::Information, ui::Ok);
}
