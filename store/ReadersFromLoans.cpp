#include "ReadersFromLoans.h"

#include "Readers.h"
#include "data/Connection.h"
#include "data/Transaction.h"
#include "data/dataset/Dataset.h"

namespace store {

QList<LoanReader> readersInLoans(data::Connection &connection)
{
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT loaner, COUNT(*) FROM orders WHERE loaner <> '' GROUP BY loaner ORDER BY loaner"));
    q.open();
    QList<LoanName> names;
    for (q.first(); !q.eof(); q.next())
        names.push_back({q.field(0).asString(), q.field(1).asInteger()});
    QList<LoanReader> found;
    for (NameGroup &group : groupLoanNames(names)) {
        LoanReader r{std::move(group), 0, {}};
        if (const auto registered = readerByName(connection, r.names.proposed)) {
            r.readerId = registered->id;
            r.readerName = registered->name;
        }
        found.push_back(std::move(r));
    }
    return found;
}

int registerLoanReaders(data::Connection &connection, const QList<LoanReader> &readers, const QDate &today)
{
    ensureReaders(connection);
    data::Transaction transaction(connection);
    int made = 0;
    qint64 card = nextCardNumber(connection).toLongLong();
    for (const LoanReader &r : readers) {
        QString name = r.readerName;
        if (r.readerId == 0) {
            Reader reader;
            reader.card = QString::number(card++);
            reader.name = r.names.proposed;
            reader.registeredOn = today;
            saveReader(connection, reader);
            name = reader.name.simplified();
            ++made;
        }
        for (const LoanName &variant : r.names.variants)
            moveLoansToName(connection, variant.name, name);
    }
    transaction.commit();
    return made;
}

} // namespace store
