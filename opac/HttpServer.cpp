#include "HttpServer.h"

#include "Pages.h"

#include <QHostAddress>
#include <arpa/inet.h>
#include <cstring>
#include <microhttpd.h>
#include <netinet/in.h>

namespace opac {

namespace {

MHD_Result addArgument(void *cls, MHD_ValueKind, const char *key, size_t keySize, const char *value, size_t valueSize)
{
    auto *params = static_cast<Params *>(cls);
    params->add(QString::fromUtf8(key, qsizetype(keySize)),
                value ? QString::fromUtf8(value, qsizetype(valueSize)) : QString());
    return MHD_YES;
}

// Nothing of a page is ever loaded from elsewhere, run as a script or shown in another site's frame.
constexpr const char *SecurityHeaders[][2] = {
    {"Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "same-origin"},
};

MHD_Result serve(void *cls, MHD_Connection *connection, const char *url, const char *method, const char *,
                 const char *, size_t *, void **)
{
    const auto *server = static_cast<const HttpServer *>(cls);
    Params params;
    MHD_get_connection_values_n(connection, MHD_GET_ARGUMENT_KIND, addArgument, &params);
    const Reply reply = server->respond(method, url, params);
    MHD_Response *response = MHD_create_response_from_buffer(std::size_t(reply.body.size()),
                                                             const_cast<char *>(reply.body.constData()), MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    MHD_add_response_header(response, "Content-Type", "text/html; charset=utf-8");
    for (const auto &header : SecurityHeaders)
        MHD_add_response_header(response, header[0], header[1]);
    if (reply.status == 405)
        MHD_add_response_header(response, "Allow", "GET, HEAD");
    const MHD_Result queued = MHD_queue_response(connection, unsigned(reply.status), response);
    MHD_destroy_response(response);
    return queued;
}

} // namespace

HttpServer::~HttpServer() { stop(); }

Reply HttpServer::respond(const char *method, const char *url, const Params &params) const
{
    if (std::strcmp(method, "GET") != 0 && std::strcmp(method, "HEAD") != 0)
        return {405, QByteArray()};
    return handler_(QString::fromUtf8(url), params);
}

bool HttpServer::start(const OpacSettings &settings, QString *error)
{
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ERROR_LOG;
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    const sockaddr *address = nullptr;
    if (settings.listen.isEmpty()) {
        flags |= MHD_USE_DUAL_STACK;
    } else {
        const QHostAddress host(settings.listen);
        if (host.protocol() == QAbstractSocket::IPv4Protocol) {
            v4.sin_family = AF_INET;
            v4.sin_port = htons(quint16(settings.port));
            v4.sin_addr.s_addr = htonl(host.toIPv4Address());
            address = reinterpret_cast<const sockaddr *>(&v4);
        } else if (host.protocol() == QAbstractSocket::IPv6Protocol) {
            flags |= MHD_USE_IPv6;
            v6.sin6_family = AF_INET6;
            v6.sin6_port = htons(quint16(settings.port));
            const Q_IPV6ADDR bytes = host.toIPv6Address();
            std::memcpy(&v6.sin6_addr, bytes.c, sizeof bytes.c);
            address = reinterpret_cast<const sockaddr *>(&v6);
        } else {
            *error = QStringLiteral("Listen=%1 не адрес IPv4 или IPv6").arg(settings.listen);
            return false;
        }
    }
    daemon_ = MHD_start_daemon(flags, quint16(settings.port), nullptr, nullptr, serve, this,
                               MHD_OPTION_THREAD_POOL_SIZE, unsigned(settings.threads),
                               MHD_OPTION_CONNECTION_TIMEOUT, unsigned(settings.timeoutSeconds),
                               MHD_OPTION_CONNECTION_LIMIT, unsigned(settings.connectionLimit),
                               MHD_OPTION_PER_IP_CONNECTION_LIMIT, unsigned(settings.perAddressLimit),
                               address ? MHD_OPTION_SOCK_ADDR : MHD_OPTION_END, address, MHD_OPTION_END);
    if (!daemon_) {
        *error = QStringLiteral("не удалось слушать порт %1%2").arg(settings.port).arg(settings.listen.isEmpty() ? QString() : QStringLiteral(" на ") + settings.listen);
        return false;
    }
    return true;
}

void HttpServer::stop()
{
    if (daemon_)
        MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
}

} // namespace opac
