#pragma once

#include "ReaderNames.h"

#include <QDate>

namespace data {
class Connection;
}

namespace store {

// A reader the past loans name, as the librarian is asked to confirm her: the variants of her
// name, and the register's record her name already has, if any.
struct LoanReader {
    NameGroup names;
    qint64 readerId = 0; // registered already: the variants only join her
    QString readerName;
};

// The readers the loans name, grouped by the key of the name, each with her record if she has one.
QList<LoanReader> readersInLoans(data::Connection &connection);

// Makes a record for each reader not registered yet (the proposed name, the next card numbers,
// registered `today`) and puts every variant's loans under her one name. One transaction; returns
// how many records were made.
int registerLoanReaders(data::Connection &connection, const QList<LoanReader> &readers, const QDate &today);

} // namespace store
