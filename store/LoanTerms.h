#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>

namespace data {
class Connection;
}

namespace store {

class IniFile;

// Where due dates live: a table of its own beside the loans, so that the loans and a copy of the
// program that knows nothing of due dates go on exactly as before. A loan's due date is stored
// when it is made (seq 0) and again at each extension (seq 1, 2 ...); the newest is in force, on
// every desk whatever its periods. A loan made before due dates were stored has no row: its due
// date is worked out by the rule.
inline const QString LoanTermsTable = QStringLiteral("loan_terms");

// The request kinds of a loan, in the order of their values 0 to 3.
inline constexpr int LoanKindCount = 4;
QStringList loanKindNames();
// The kind of a loan's status; a loan without a request kind, or with one the program does not
// know, counts as the first kind.
int loanKindOf(const QVariant &status);

// Days a loan of each request kind may be kept; 0 means it is due back the day it was lent.
struct LoanPeriods {
    std::array<int, LoanKindCount> days{30, 30, 14, 0};
    int forStatus(const QVariant &status) const;
    bool operator==(const LoanPeriods &) const = default;
};

inline constexpr int LongestLoanPeriod = 3650;

// The periods of section [Loans] of library.ini. A value that is not a whole number from 0 to
// LongestLoanPeriod reads as its default, and the kind's name goes into *refused.
LoanPeriods readLoanPeriods(const IniFile *settings, QStringList *refused = nullptr);
// False when the file could not be written.
bool writeLoanPeriods(IniFile &settings, const LoanPeriods &periods);

// The library's name and the signature line of the reminder letters, section [Library].
struct LibraryLetterhead {
    QString name;
    QString signature;
};
LibraryLetterhead readLetterhead(const IniFile *settings);

// One extension of a loan: the new due date and the day it was given.
struct LoanExtension {
    QDate due;
    QDate extendedOn;
};

// A loan's due date: the last extension's date, else the lending date plus its kind's period.
// An invalid date when the loan has no lending date.
QDate dueDate(const QDate &lent, const QVariant &status, const LoanPeriods &periods, const QDate &extendedTo = {});
// Days past the due date on a day; 0 on the due day itself and before it.
int daysOverdue(const QDate &due, const QDate &day);

// True when the catalogue keeps extensions (a catalogue made before them has no such table).
bool loanTermsExist(data::Connection &connection);
// Makes the table when it is missing; a catalogue opened in edit mode gets it.
void ensureLoanTerms(data::Connection &connection);
// The extensions of a loan, oldest first. Only those given to this very lending count: a loan
// row whose holding or lending date was changed since, or whose number was reused, has none.
QList<LoanExtension> loanExtensions(data::Connection &connection, qint64 orderId);
// The due date in force for a loan: the newest stored for this very lending, else the rule.
QDate currentDueDate(data::Connection &connection, qint64 orderId, const QDate &lent, const QVariant &status,
                     const LoanPeriods &periods);
// Stores the due date of a loan just made, by its kind's period; nothing for a loan that has one
// already or no lending date.
void recordDueDate(data::Connection &connection, qint64 orderId, const LoanPeriods &periods);
// Extends an open loan to a new due date, keeping the earlier ones; the check and the write are
// one transaction. Raises DataError with the reason when the loan is missing or returned, has no
// lending date, or the date is before its current due date.
void extendLoan(data::Connection &connection, qint64 orderId, const QDate &due, const QDate &today,
                const LoanPeriods &periods);

// The open loan of a holding that the catalogue shows (its first one), with what the
// extension dialog needs; orderId 0 when there is none.
struct OpenLoan {
    qint64 orderId = 0;
    QString reader;
    QDate lent;
    QVariant status;
    QDate due;
    QList<LoanExtension> extensions;
};
OpenLoan firstOpenLoan(data::Connection &connection, const LoanPeriods &periods, qint64 bookId);

// Dates as the pages and the windows show them.
QString shownDate(const QDate &date);

} // namespace store
