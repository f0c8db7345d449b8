#pragma once

#include "MailBatch.h"
#include "OverdueLoans.h"

#include <QByteArray>
#include <QDate>
#include <QList>

// Reminders sent by e-mail: each reader's letter, and the page of what became of them.
namespace reports {

// The printed reminder as an e-mail: the same words as plain text and as a page in UTF-8, from the
// library named in the letterhead.
store::MailLetter reminderMail(const QDate &day, const store::ReaderDebt &debt,
                               const store::LibraryLetterhead &letterhead, const QString &address);

// One reader's line of the outcome page.
struct ReminderOutcome {
    QString reader;
    QString address;
    store::LetterResult result;
};

// What became of each reader's letter, in the order given, with the counts; a reader left without
// a letter is marked as one who needs the paper one (code page 1251, like the other pages).
QByteArray mailOutcomePage(const QDate &day, const QList<ReminderOutcome> &outcomes);

// The counts for the message after sending: sent, not sent, without an address.
QString mailOutcomeSummary(const QList<ReminderOutcome> &outcomes);

} // namespace reports
