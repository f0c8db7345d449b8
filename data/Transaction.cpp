#include "data/Transaction.h"

#include "data/DataError.h"

namespace data {

Transaction::Transaction(Connection &connection) : conn_(connection), outermost_(connection.transactionDepth_ == 0)
{
    if (outermost_)
        conn_.runStatement(conn_.isServer() ? QStringLiteral("START TRANSACTION") : QStringLiteral("BEGIN IMMEDIATE"));
    ++conn_.transactionDepth_;
}

Transaction::~Transaction()
{
    if (open_)
        --conn_.transactionDepth_;
    if (!open_ || !outermost_)
        return;
    try {
        conn_.runStatement(QStringLiteral("ROLLBACK"));
    } catch (const DataError &) {
        // The session is gone, and the transaction with it.
    }
}

void Transaction::commit()
{
    if (outermost_)
        conn_.runStatement(QStringLiteral("COMMIT"));
    --conn_.transactionDepth_;
    open_ = false;
}

} // namespace data
