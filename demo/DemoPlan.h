#pragma once

#include "DemoRandom.h"

#include <QDate>
#include <QString>
#include <vector>

// The skeleton of a demonstration catalogue: which holdings there are, when they were registered
// and how they were lent. The texts are filled in while writing.
namespace demo {

struct Holding {
    int kind = 0;
    int invNum = 0;
    qint64 dateReg = 0;  // Julian day
    int openLoan = -1;   // index into Plan::loans, -1 when on the shelf
    bool electronic = false;
    QString extension;   // of the electronic version; may be empty
};

struct Loan {
    int holding = 0;     // index into Plan::holdings
    int reader = 0;
    qint64 dateOut = 0;  // Julian day
    qint64 dateIn = 0;   // Julian day, 0 while the item is still out
    int status = 0;
    int cost = 0;
};

struct PlanSizes {
    int holdings = 0;
    int loans = 0;
    int electronicVersions = 0;
    int readers = 0;
};

struct Plan {
    std::vector<Holding> holdings; // in order of registration
    std::vector<Loan> loans;       // in order of lending
};

// kinds are the item kinds' ids, the first being the usual one.
Plan planCatalogue(Rng &rng, const PlanSizes &sizes, const std::vector<int> &kinds);

// Registration dates and the date the catalogue is "now" at.
inline const QDate firstRegistration{2000, 1, 1};
inline const QDate lastRegistration{2026, 12, 1};
inline const QDate horizon{2026, 12, 31};

} // namespace demo
