#pragma once

#include "LoanTerms.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>

namespace store {

class IniFile;
struct Reader;

// How many holdings a reader may have out, by her category: keys "Limit.<category>" of section
// [Loans] of library.ini ("Limit.Студент=5"), and "Limit" for the categories without a key of
// their own. 0 means no limit.
struct LoanLimits {
    static constexpr int BuiltInDefault = 10;
    int byDefault = BuiltInDefault;
    QHash<QString, int> byCategory; // by the category lower-cased, without blanks around it
    int forCategory(const QString &category) const;
};
// A value that is not a whole number from 0 to 9999 is passed over.
LoanLimits readLoanLimits(const IniFile *settings);

// The request kind the desk lends with, remembered between runs (section [Desk]).
int readDeskRequestKind(const IniFile *settings);
bool writeDeskRequestKind(IniFile &settings, int kind);

// What the desk lends by: the periods and limits of the settings, the request kind, the day.
struct DeskRules {
    LoanPeriods periods;
    LoanLimits limits;
    int requestKind = 0;
    QDate today;
};
DeskRules readDeskRules(const IniFile *settings, const QDate &today);

// What the librarian is told when a reader comes to the desk: her block, her card's end, her
// category's limit reached, her overdue loans.
QStringList readerWarnings(const Reader &reader, int openLoans, int overdueLoans, const DeskRules &rules);

// The warnings that come with lending her one more (the card's end, the limit passed); a block
// is a refusal, not a warning.
QStringList lendingWarnings(const Reader &reader, int openLoansBefore, const DeskRules &rules);

} // namespace store
