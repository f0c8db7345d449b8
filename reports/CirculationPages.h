#pragma once

#include "LoanStatistics.h"
#include "OverdueLoans.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

// The circulation pages as the bytes written to the file (code page 1251, CR LF, every stored
// value escaped), made from the rows alone so that no window is needed to check one.
namespace reports {

// The head of a circulation page up to and including "<body>", with its title and style; the
// pages are written in code page 1251, a letter sent by e-mail in UTF-8.
QString circulationPageHead(const QString &title, const QString &charset = QStringLiteral("windows-1251"));
extern const QString CirculationPageEnd;

// The overdue loans on a day, by reader (with her card), each reader's count and the totals; her
// phone and e-mail only when asked (never at a terminal open to readers).
QByteArray overdueReportPage(const QDate &day, const QList<store::ReaderDebt> &debts, bool withContacts = false);

// One reader's reminder letter as a block of a page: the first printed one, one that starts a new
// printed page, or the letter of an e-mail (no line to sign on).
enum class LetterForm { FirstPrinted, NextPrinted, Mail };
QString reminderLetterHtml(const QDate &day, const store::ReaderDebt &debt, const store::LibraryLetterhead &letterhead,
                           LetterForm form);

// One letter per reader with a name, each starting on a new printed page; loans that name no
// reader get none.
QByteArray reminderLettersPage(const QDate &day, const QList<store::ReaderDebt> &debts,
                               const store::LibraryLetterhead &letterhead);

// Loans per month by request kind (a chart and its table), the most lent holdings, the most
// active readers and the holdings not lent in the period.
QByteArray loanStatisticsPage(const store::LoanStatistics &statistics);

} // namespace reports
