#pragma once

#include "data/Connection.h"

namespace data {

// One transaction on a connection, in each engine's words: begun here, undone when the guard
// goes away uncommitted (an error on the way), so that a change spanning statements is whole or
// not at all. On the embedded engine it takes the write lock at once, so that what it read
// first cannot change before it writes. A guard made while another is open on the connection
// joins it: the outermost one commits or undoes the whole.
class Transaction {
public:
    explicit Transaction(Connection &connection);
    ~Transaction();
    void commit();

    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

private:
    Connection &conn_;
    bool outermost_;
    bool open_ = true;
};

} // namespace data
