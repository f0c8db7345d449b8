#pragma once

#include "OpacSettings.h"
#include "OpacSite.h"

#include <QString>
#include <QStringList>
#include <functional>

struct MHD_Daemon;

namespace opac {

// GNU libmicrohttpd serving pages made by a handler: its own pool of threads, each taking the
// requests of its connections; the library reads the requests, their query strings and forms,
// drops clients silent for Timeout= seconds and refuses connections beyond the limits. Each
// connection keeps the library's own 32 KB for its request: a longer query string is answered 414
// by the library (a larger pool measured ten times slower with wrk), far beyond what a form sends.
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

private:
    Handler handler_;
    QStringList proxies_;
    MHD_Daemon *daemon_ = nullptr;
};

} // namespace opac
