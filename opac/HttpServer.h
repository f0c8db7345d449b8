#pragma once

#include "OpacRequest.h"
#include "OpacSettings.h"
#include "OpacSite.h"

#include <QString>
#include <functional>

struct MHD_Daemon;

namespace opac {

// GNU libmicrohttpd serving pages made by a handler: its own pool of threads, each taking the
// requests of its connections; the library reads the requests and their query strings, drops
// clients silent for Timeout= seconds and refuses connections beyond the limits. Each connection
// keeps the library's own 32 KB for its request: a longer query string is answered 414 by the
// library (a larger pool measured ten times slower with wrk), far beyond what the form sends.
class HttpServer {
public:
    using Handler = std::function<Reply(const QString &path, const Params &params)>;

    explicit HttpServer(Handler handler) : handler_(std::move(handler)) {}
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Listens where the settings say; false, with the reason in `error`, when it cannot.
    bool start(const OpacSettings &settings, QString *error);
    void stop();

    // Only GET and HEAD: the catalogue's pages change nothing.
    Reply respond(const char *method, const char *url, const Params &params) const;

private:
    Handler handler_;
    MHD_Daemon *daemon_ = nullptr;
};

} // namespace opac
