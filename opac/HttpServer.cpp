#include "HttpServer.h"

#include <QFile>
#include <QHostAddress>
#include <arpa/inet.h>
#include <cstring>
#include <fcntl.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <unistd.h>

namespace opac {

namespace {

// Reading requests and writing replies takes little: two threads do it for every connection.
constexpr unsigned IoThreads = 2;

MHD_Result addArgument(void *cls, MHD_ValueKind, const char *key, size_t keySize, const char *value, size_t valueSize)
{
    auto *params = static_cast<Params *>(cls);
    params->add(QString::fromUtf8(key, qsizetype(keySize)),
                value ? QString::fromUtf8(value, qsizetype(valueSize)) : QString());
    return MHD_YES;
}

// One request on its way: its form as it arrives, in as many pieces as the library hands it
// over, then the page a worker makes for it.
struct Exchange {
    MHD_PostProcessor *processor = nullptr;
    QList<std::pair<QByteArray, QByteArray>> fields;
    qsizetype bytes = 0;
    bool tooLarge = false;
    bool handedOver = false;
    Reply reply;

    ~Exchange()
    {
        if (processor)
            MHD_destroy_post_processor(processor);
    }
};

MHD_Result addFormField(void *cls, MHD_ValueKind, const char *key, const char *, const char *, const char *,
                        const char *data, uint64_t offset, size_t size)
{
    auto *exchange = static_cast<Exchange *>(cls);
    if (offset > 0 && !exchange->fields.isEmpty() && exchange->fields.last().first == key)
        exchange->fields.last().second.append(data, qsizetype(size));
    else if (exchange->fields.size() < MaxParams)
        exchange->fields.append({QByteArray(key), QByteArray(data, qsizetype(size))});
    return MHD_YES;
}

void exchangeDone(void *cls, MHD_Connection *connection, void **state, MHD_RequestTerminationCode)
{
    delete static_cast<Exchange *>(*state);
    *state = nullptr;
    static_cast<const HttpServer *>(cls)->deadlines()->answered(connection);
}

void connectionChanged(void *cls, MHD_Connection *connection, void **, MHD_ConnectionNotificationCode change)
{
    RequestDeadlines *deadlines = static_cast<const HttpServer *>(cls)->deadlines();
    if (change == MHD_CONNECTION_NOTIFY_CLOSED) {
        deadlines->closed(connection);
    } else if (const MHD_ConnectionInfo *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD)) {
        deadlines->opened(connection, info->connect_fd);
    }
}

// Nothing of a page is ever loaded from elsewhere, run as a script or shown in another site's frame.
constexpr const char *SecurityHeaders[][2] = {
    {"Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "same-origin"},
};

MHD_Response *responseOf(const Reply &reply)
{
    if (!reply.file.isEmpty()) {
        const int fd = ::open(QFile::encodeName(reply.file).constData(), O_RDONLY | O_CLOEXEC);
        struct stat st {};
        if (fd >= 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
            return MHD_create_response_from_fd(uint64_t(st.st_size), fd);
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }
    return MHD_create_response_from_buffer(std::size_t(reply.body.size()), const_cast<char *>(reply.body.constData()),
                                           MHD_RESPMEM_MUST_COPY);
}

QString clientAddress(MHD_Connection *connection)
{
    const MHD_ConnectionInfo *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr)
        return {};
    QHostAddress address(info->client_addr);
    // An IPv4 client of a dual-stack socket comes as ::ffff:a.b.c.d.
    bool mapped = false;
    const quint32 v4 = address.toIPv4Address(&mapped);
    return mapped ? QHostAddress(v4).toString() : address.toString();
}

Request requestOf(const HttpServer &server, MHD_Connection *connection, const char *url, const char *method)
{
    Request request;
    request.method = method;
    request.path = QString::fromUtf8(url);
    MHD_get_connection_values_n(connection, MHD_GET_ARGUMENT_KIND, addArgument, &request.params);
    request.session = MHD_lookup_connection_value(connection, MHD_COOKIE_KIND, "opac_session");
    request.address = clientAddress(connection);
    if (server.proxies().contains(request.address)) {
        if (const char *real = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "X-Real-IP"))
            request.address = QString::fromLatin1(real).trimmed().left(64);
        const char *proto = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "X-Forwarded-Proto");
        request.secure = proto && std::strcmp(proto, "https") == 0;
    }
    return request;
}

MHD_Result queue(MHD_Connection *connection, const Reply &reply)
{
    MHD_Response *response = responseOf(reply);
    if (!response)
        return MHD_NO;
    MHD_add_response_header(response, "Content-Type", reply.contentType.constData());
    for (const auto &header : SecurityHeaders)
        MHD_add_response_header(response, header[0], header[1]);
    for (const auto &[name, value] : reply.headers)
        MHD_add_response_header(response, name.constData(), value.constData());
    if (reply.status == 405)
        MHD_add_response_header(response, "Allow", "GET, HEAD, POST");
    const MHD_Result queued = MHD_queue_response(connection, unsigned(reply.status), response);
    MHD_destroy_response(response);
    return queued;
}

MHD_Result serve(void *cls, MHD_Connection *connection, const char *url, const char *method, const char *,
                 const char *uploadData, size_t *uploadSize, void **state)
{
    auto *server = static_cast<HttpServer *>(cls);
    auto *exchange = static_cast<Exchange *>(*state);
    if (!exchange) {
        // The first call only says a request has come; answering it now would close the connection.
        exchange = new Exchange;
        if (std::strcmp(method, "POST") == 0)
            exchange->processor = MHD_create_post_processor(connection, 1024, addFormField, exchange);
        *state = exchange;
        return MHD_YES;
    }
    if (*uploadSize) {
        exchange->bytes += qsizetype(*uploadSize);
        exchange->tooLarge = exchange->tooLarge || exchange->bytes > HttpServer::MaxFormBytes;
        if (!exchange->tooLarge && exchange->processor)
            MHD_post_process(exchange->processor, uploadData, *uploadSize);
        *uploadSize = 0;
        return MHD_YES;
    }
    if (exchange->handedOver)  // the worker has made the page and woken the connection
        return queue(connection, exchange->reply);
    server->deadlines()->arrived(connection);
    if (exchange->tooLarge)
        return queue(connection, {413, QByteArray()});
    Request request = requestOf(*server, connection, url, method);
    if (exchange->processor) {
        request.params = Params();
        for (const auto &[key, value] : exchange->fields)
            request.params.add(QString::fromUtf8(key), QString::fromUtf8(value));
    }
    exchange->handedOver = true;
    const auto work = [server, connection, exchange, request = std::move(request)] {
        exchange->reply = server->respond(request);
        MHD_resume_connection(connection);
    };
    if (!server->handOver(connection, work))
        return queue(connection, {503, QByteArray()});
    return MHD_YES;
}

} // namespace

HttpServer::~HttpServer() { stop(); }

bool HttpServer::handOver(MHD_Connection *connection, const std::function<void()> &work)
{
    const std::lock_guard lock(handing_);
    if (stopping_)
        return false;
    MHD_suspend_connection(connection);
    workers_.start(work);
    return true;
}

Reply HttpServer::respond(const Request &request) const
{
    if (request.method != "GET" && request.method != "HEAD" && request.method != "POST")
        return {405, QByteArray()};
    return handler_(request);
}

bool HttpServer::start(const OpacSettings &settings, QString *error)
{
    // Written as the connections will show them, so that "::1" and "0:0::1" are one address.
    stopping_ = false;
    deadlines_ = std::make_unique<RequestDeadlines>(std::chrono::seconds(settings.timeoutSeconds));
    proxies_.clear();
    workers_.setMaxThreadCount(settings.threads);
    workers_.setExpiryTimeout(-1);
    for (const QString &proxy : settings.proxies)
        if (const QHostAddress address(proxy); !address.isNull())
            proxies_.append(address.toString());
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ERROR_LOG | MHD_ALLOW_SUSPEND_RESUME;
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
                               MHD_OPTION_THREAD_POOL_SIZE, IoThreads,
                               MHD_OPTION_CONNECTION_TIMEOUT, unsigned(settings.timeoutSeconds),
                               MHD_OPTION_CONNECTION_LIMIT, unsigned(settings.connectionLimit),
                               // Behind a proxy every connection comes from it: the proxy limits each reader instead.
                               MHD_OPTION_PER_IP_CONNECTION_LIMIT, settings.proxies.isEmpty() ? unsigned(settings.perAddressLimit) : 0u,
                               MHD_OPTION_NOTIFY_COMPLETED, exchangeDone, this,
                               MHD_OPTION_NOTIFY_CONNECTION, connectionChanged, this,
                               address ? MHD_OPTION_SOCK_ADDR : MHD_OPTION_END, address, MHD_OPTION_END);
    if (!daemon_) {
        *error = QStringLiteral("не удалось слушать порт %1%2").arg(settings.port).arg(settings.listen.isEmpty() ? QString() : QStringLiteral(" на ") + settings.listen);
        return false;
    }
    return true;
}

void HttpServer::stop()
{
    if (!daemon_)
        return;
    // The pages being made are finished and their connections woken, since the library cannot
    // stop with a connection suspended; a request that comes meanwhile is told to come back.
    {
        const std::lock_guard lock(handing_);
        stopping_ = true;
    }
    workers_.waitForDone();
    MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
}

} // namespace opac
