// "Отправить по e-mail" of the overdue dialog: the letters made, sent on a worker thread, and
// what became of each shown.
#include "OverdueForm.h"

#include "BackgroundWork.h"
#include "DBModUnit.h"
#include "ErrorBox.h"
#include "IniFile.h"
#include "MailAddress.h"
#include "Platform.h"
#include "ProcessValues.h"
#include "ReminderMail.h"

#include <QDateEdit>
#include <QPushButton>

namespace {

const QString Caption = QStringLiteral("Напоминания по e-mail");

qsizetype withAddress(const QList<store::MailLetter> &letters)
{
    return std::count_if(letters.begin(), letters.end(),
                         [](const store::MailLetter &l) { return !store::sendableAddress(l.address).isEmpty(); });
}

} // namespace

void TOverdueForm::btnSendMailClick()
{
    const std::optional<store::BatchGuard::Hold> hold = sending_.enter();
    if (!hold || !dbMod_ || store::process().ViewOnly)
        return;
    const store::MailSettings settings = store::readMailSettings(store::process().SettingsFile);
    if (const QString missing = store::missingMailSettings(settings); !missing.isEmpty()) {
        ui::platform().messageBox(this, missing + QStringLiteral(" Настройте почту: «Настройка» → «Почта…»."), Caption,
                                  ui::MsgIcon::Warning, ui::Ok);
        return;
    }
    const QDate day = dtDay->date();
    QList<store::ReaderDebt> debts;
    if (!runGuarded([&] { debts = readDebts(day); }))
        return;
    const QList<store::MailLetter> letters = reminderMails(day, debts);
    if (!confirmSending(letters))
        return;
    btnSendMail->setEnabled(false);
    const QList<store::LetterResult> results = sendInBackground(settings, letters);
    btnSendMail->setEnabled(true);
    if (!results.isEmpty())
        showOutcome(day, letters, results);
}

QList<store::MailLetter> TOverdueForm::reminderMails(const QDate &day, const QList<store::ReaderDebt> &debts)
{
    const store::LibraryLetterhead letterhead = store::readLetterhead(store::process().SettingsFile);
    QList<store::MailLetter> letters;
    for (const store::ReaderDebt &debt : debts)
        if (!debt.reader.trimmed().isEmpty())
            letters << reports::reminderMail(day, debt, letterhead, readerAddress ? readerAddress(debt.reader) : debt.email);
    return letters;
}

bool TOverdueForm::confirmSending(const QList<store::MailLetter> &letters)
{
    const qsizetype sendable = withAddress(letters);
    if (letters.isEmpty() || sendable == 0) {
        ui::platform().messageBox(this,
                                  letters.isEmpty()
                                      ? QStringLiteral("Должников на этот день нет: отправлять нечего.")
                                      : QStringLiteral("Ни у одного из должников (%1) нет адреса электронной почты: им "
                                                       "нужны бумажные напоминания.").arg(letters.size()),
                                  Caption, ui::MsgIcon::Information, ui::Ok);
        return false;
    }
    QString question = QStringLiteral("Отправить напоминания по электронной почте: писем — %1?").arg(sendable);
    if (sendable < letters.size())
        question += QStringLiteral("\nБез адреса: %1 — им нужны бумажные напоминания.").arg(letters.size() - sendable);
    return ui::platform().messageBox(this, question, Caption, ui::MsgIcon::Question, ui::Yes | ui::No) == ui::Yes;
}

QList<store::LetterResult> TOverdueForm::sendInBackground(const store::MailSettings &settings,
                                                          const QList<store::MailLetter> &letters)
{
    const std::unique_ptr<store::Mailer> mailer = store::makeMailer(settings);
    const QString log = store::mailLogFile(*store::process().SettingsFile);
    ui::BackgroundWork work(this, QStringLiteral("Отправка напоминаний…"));
    work.allowCancel([&mailer] { mailer->stop(); });
    QList<store::LetterResult> results;
    runGuarded([&] {
        work.run([&] {
            results = store::sendLetters(*mailer, letters, log, [&work](int done, int total) {
                work.report(done, total);
                return !work.cancelled();
            });
        });
    });
    return results;
}

void TOverdueForm::showOutcome(const QDate &day, const QList<store::MailLetter> &letters,
                               const QList<store::LetterResult> &results)
{
    QList<reports::ReminderOutcome> outcomes;
    for (qsizetype i = 0; i < letters.size() && i < results.size(); ++i)
        outcomes << reports::ReminderOutcome{letters[i].recipientName, letters[i].address, results[i]};
    ui::platform().messageBox(this, reports::mailOutcomeSummary(outcomes), Caption, ui::MsgIcon::Information, ui::Ok);
    runGuarded([&] {
        if (openPage)
            openPage(store::process().TempDir + QStringLiteral("/mail-reminders.html"), reports::mailOutcomePage(day, outcomes));
    });
}
