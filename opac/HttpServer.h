#pragma once

#include "OpacSettings.h"
#include "OpacSite.h"
#include "RequestDeadlines.h"

#include <QString>
#include <QThreadPool>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>

struct MHD_Daemon;
struct MHD_Connection;

namespace opac {

// GNU libmicrohttpd reading requests and sending replies on a few threads of its own, while
// Threads= workers shared by all connections make the pages: a connection waits, suspended, for
// its page, so one slow search never holds up the connections behind it. The library reads the
// requests, their query strings and forms, drops clients silent for Timeout= seconds and refuses
// connections beyond the limits, and (RequestDeadlines) those slower than it for a whole request. Each connection keeps the library's own 32 KB for its request: a
// longer query string is answered 414 by the library, far beyond what a form sends.
class HttpServer {
public:
    using Handler = std::function<Reply(const Request &)>;
    // A form larger than this is refused: the sign-in form is a card number and a PIN.
    static constexpr qsizetype MaxFormBytes = 4096;

    explicit HttpServer(Handler handler) : handler_(std::move(handler)) {}
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Listens where the settings say; false, with the reason in `error`, when it cannot.
    bool start(const OpacSettings &settings, QString *error);
    void stop();

    // GET and HEAD for pages, POST for the forms of "Мои книги"; anything else is 405.
    Reply respond(const Request &request) const;
    // The proxies whose X-Real-IP and X-Forwarded-Proto are believed.
    const QStringList &proxies() const { return proxies_; }
    // Suspends the connection and gives its page to a worker; false once the server is stopping.
    bool handOver(MHD_Connection *connection, const std::function<void()> &work);
    RequestDeadlines *deadlines() const { return deadlines_.get(); }

private:
    Handler handler_;
    QStringList proxies_;
    QThreadPool workers_;
    std::unique_ptr<RequestDeadlines> deadlines_;
    std::mutex handing_;
    bool stopping_ = false;
    MHD_Daemon *daemon_ = nullptr;
};

} // namespace opac
