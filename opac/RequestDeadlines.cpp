#include "RequestDeadlines.h"

#include <sys/socket.h>

namespace opac {

using Clock = std::chrono::steady_clock;

RequestDeadlines::RequestDeadlines(std::chrono::seconds timeout) : timeout_(timeout), sweeper_([this] { sweep(); }) {}

RequestDeadlines::~RequestDeadlines()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stop_.notify_all();
    sweeper_.join();
}

void RequestDeadlines::opened(MHD_Connection *connection, int socket)
{
    const std::lock_guard lock(mutex_);
    connections_.insert(connection, {socket, Clock::now(), false});
}

// The library tells of a closed connection before it closes the socket, so a socket shut here
// is never one the system has given to a newer connection.
void RequestDeadlines::closed(MHD_Connection *connection)
{
    const std::lock_guard lock(mutex_);
    connections_.remove(connection);
}

void RequestDeadlines::arrived(MHD_Connection *connection)
{
    const std::lock_guard lock(mutex_);
    if (const auto it = connections_.find(connection); it != connections_.end())
        it->busy = true;
}

void RequestDeadlines::answered(MHD_Connection *connection)
{
    const std::lock_guard lock(mutex_);
    if (const auto it = connections_.find(connection); it != connections_.end())
        *it = {it->socket, Clock::now(), false};
}

void RequestDeadlines::sweep()
{
    std::unique_lock lock(mutex_);
    while (!stop_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; })) {
        const Clock::time_point now = Clock::now();
        for (Waiting &w : connections_)
            if (!w.busy && now - w.since > timeout_) {
                ::shutdown(w.socket, SHUT_RDWR);
                w.since = Clock::time_point::max() - timeout_;  // shut once
            }
    }
}

} // namespace opac
