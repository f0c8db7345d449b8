#pragma once

#include "LoanTerms.h"

#include <QDate>
#include <QList>
#include <QString>
#include <array>

namespace data {
class Connection;
}

namespace store {

// Loans of one calendar month, by request kind; a loan without a known kind counts under the first.
struct MonthLoans {
    int year = 0;
    int month = 0;
    std::array<qint64, LoanKindCount> byKind{};
    qint64 total() const;
};

struct LentHolding {
    QString invNum;
    QString liter;
    QString author;
    QString title;
    qint64 loans = 0;
};

struct ActiveReader {
    QString reader;
    qint64 loans = 0;
};

// Loans of the period by the category of the readers' records; names the register does not hold
// count under an empty category.
struct CategoryLoans {
    QString category;
    qint64 readers = 0;
    qint64 loans = 0;
};

// How the lending went over a period: loans counted by their lending date.
struct LoanStatistics {
    QDate from, to;
    QList<MonthLoans> months;        // every month of the period, also those without loans
    QList<LentHolding> topHoldings;  // the most lent, most first
    QList<ActiveReader> topReaders;  // the readers with most loans, most first (name variants as one)
    QList<CategoryLoans> byCategory; // most loans first; empty when the catalogue has no register
    qint64 holdings = 0;             // holdings received by the period's end (or with no date)
    qint64 lentHoldings = 0;         // of them, lent at least once in the period
    qint64 loans() const;
};

inline constexpr int TopListLength = 20;

// The statements readLoanStatistics runs (the loans of the period, the holdings received by its
// end), their period bound as :first and :last.
QStringList loanStatisticsSql();

LoanStatistics readLoanStatistics(data::Connection &connection, const QDate &from, const QDate &to);

} // namespace store
