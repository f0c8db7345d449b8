#pragma once

#include <QString>
#include <memory>
#include <mutex>
#include <vector>

namespace data {
class Connection;
}

namespace opac {

// Catalogue connections opened for reading, each lent to one page at a time: a connection is
// used by one thread only, and opening one for every page would cost more than the page.
class ConnectionPool {
public:
    explicit ConnectionPool(QString iniPath) : iniPath_(std::move(iniPath)) {}
    ~ConnectionPool();

    class Lease {
    public:
        Lease(ConnectionPool &pool, std::unique_ptr<data::Connection> connection);
        ~Lease();
        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;
        data::Connection &operator*() const { return *connection_; }
        // A connection that failed is not given back: the next page opens a fresh one.
        void discard() { discarded_ = true; }

    private:
        ConnectionPool &pool_;
        std::unique_ptr<data::Connection> connection_;
        bool discarded_ = false;
    };
    // Raises data::DataError when no connection can be opened.
    Lease take();

private:
    QString iniPath_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<data::Connection>> idle_;
};

} // namespace opac
