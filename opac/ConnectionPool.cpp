#include "ConnectionPool.h"

#include "CatalogueReading.h"
#include "data/Connection.h"

namespace opac {

ConnectionPool::~ConnectionPool() = default;

ConnectionPool::Lease::Lease(ConnectionPool &pool, std::unique_ptr<data::Connection> connection)
    : pool_(pool), connection_(std::move(connection))
{
}

ConnectionPool::Lease::~Lease()
{
    if (discarded_)
        return;
    const std::lock_guard lock(pool_.mutex_);
    pool_.idle_.push_back(std::move(connection_));
}

ConnectionPool::Lease ConnectionPool::take()
{
    {
        const std::lock_guard lock(mutex_);
        if (!idle_.empty()) {
            std::unique_ptr<data::Connection> c = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(c));
        }
    }
    return Lease(*this, store::openCatalogueForReading(iniPath_));
}

} // namespace opac
