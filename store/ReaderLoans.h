#pragma once

#include "LoanTerms.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

namespace data {
class Connection;
}

namespace store {

// One loan of a reader as her card and the desk show it.
struct ReaderLoan {
    qint64 orderId = 0;
    qint64 bookId = 0;
    bool holdingKnown = false; // false when the holding has been deleted since
    QString liter;
    qint64 invNum = 0;
    QString title, author;
    QDate lent, returned;
    bool open = false;
    QVariant status;
    QDate due;           // the stored due date, else the rule's
    int daysOverdue = 0; // open loans only, on the day asked about
};

// The loans that carry her name: the open ones first, the most urgent first, then the returned
// ones, the latest first; `openOnly` leaves the history out. Overdue days count on `today`.
QList<ReaderLoan> readerLoans(data::Connection &connection, const QString &name, const LoanPeriods &periods,
                              const QDate &today, bool openOnly);

} // namespace store
