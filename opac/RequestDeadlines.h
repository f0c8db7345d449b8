#pragma once

#include <QHash>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

struct MHD_Connection;

namespace opac {

// The time a client has to send a whole request. libmicrohttpd drops a client only once it has
// been silent for the timeout; one that sends a byte a second would hold its connection for
// hours. A thread of its own looks every second, and shuts the socket of a connection that has
// waited longer than the timeout for its request: the library then sees it closed and cleans up.
class RequestDeadlines {
public:
    explicit RequestDeadlines(std::chrono::seconds timeout);
    ~RequestDeadlines();
    RequestDeadlines(const RequestDeadlines &) = delete;
    RequestDeadlines &operator=(const RequestDeadlines &) = delete;

    void opened(MHD_Connection *connection, int socket);
    void closed(MHD_Connection *connection);
    // The request has come whole: its page is being made and sent, which has no deadline here.
    void arrived(MHD_Connection *connection);
    // The reply is sent; the next request on the connection has the timeout from now.
    void answered(MHD_Connection *connection);

private:
    struct Waiting {
        int socket = -1;
        std::chrono::steady_clock::time_point since;
        bool busy = false;
    };
    void sweep();

    const std::chrono::seconds timeout_;
    std::mutex mutex_;
    QHash<MHD_Connection *, Waiting> connections_;
    std::condition_variable stop_;
    bool stopping_ = false;
    std::thread sweeper_;
};

} // namespace opac
