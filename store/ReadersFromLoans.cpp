#include "ReadersFromLoans.h"

#include "Readers.h"
#include "data/Connection.h"
#include "data/Transaction.h"
#include "data/dataset/Dataset.h"

#include <QHash>

namespace store {

QList<LoanReader> readersInLoans(data::Connection &connection)
{
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT loaner, COUNT(*) FROM orders WHERE loaner <> '' GROUP BY loaner ORDER BY loaner"));
    q.open();
    QList<LoanName> names;
    for (q.first(); !q.eof(); q.next())
        names.push_back({q.field(0).asString(), q.field(1).asInteger()});
    // The register read once by name key: a look-up per name costs seconds for 20,000 readers.
    QHash<QString, std::pair<qint64, QString>> registered;
    if (readersExist(connection)) {
        data::Dataset r(&connection);
        r.setSql(QStringLiteral("SELECT name_key, id, full_name FROM readers"));
        r.open();
        for (int row = 0; row < r.recordCount(); ++row)
            registered.insert(r.valueAt(row, 0).toString(), {r.valueAt(row, 1).toLongLong(), r.valueAt(row, 2).toString()});
    }
    QList<LoanReader> found;
    for (NameGroup &group : groupLoanNames(names)) {
        LoanReader r{std::move(group), 0, {}};
        if (const auto known = registered.constFind(readerNameKey(r.names.proposed)); known != registered.cend()) {
            r.readerId = known->first;
            r.readerName = known->second;
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
