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

MHD_Result addArgument(void *cls, MHD_ValueKind, const char *key, size_t keySize, const char *value, size_t valueSize)
{
    auto *params = static_cast<Params *>(cls);
    params->add(QString::fromUtf8(key, qsizetype(keySize)),
                value ? QString::fromUtf8(value, qsizetype(valueSize)) : QString());
    return MHD_YES;
}

// A POST's form as it arrives, in as many pieces as the library hands it over.
struct PendingForm {
    MHD_PostProcessor *processor = nullptr;
    QList<std::pair<QByteArray, QByteArray>> fields;
    qsizetype bytes = 0;
    bool tooLarge = false;

    ~PendingForm()
    {
        if (processor)
            MHD_destroy_post_processor(processor);
    }
};

MHD_Result addFormField(void *cls, MHD_ValueKind, const char *key, const char *, const char *, const char *,
                        const char *data, uint64_t offset, size_t size)
{
    auto *form = static_cast<PendingForm *>(cls);
    if (offset > 0 && !form->fields.isEmpty() && form->fields.last().first == key)
        form->fields.last().second.append(data, qsizetype(size));
    else if (form->fields.size() < MaxParams)
        form->fields.append({QByteArray(key), QByteArray(data, qsizetype(size))});
    return MHD_YES;
}

void formDone(void *, MHD_Connection *, void **state, MHD_RequestTerminationCode)
{
    delete static_cast<PendingForm *>(*state);
    *state = nullptr;
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
    const auto *server = static_cast<const HttpServer *>(cls);
    const bool post = std::strcmp(method, "POST") == 0;
    if (post && !*state) {
        // The first call only says a form is coming; its bytes follow in the next calls.
        auto *form = new PendingForm;
        form->processor = MHD_create_post_processor(connection, 1024, addFormField, form);
        *state = form;
        return MHD_YES;
    }
    if (post && *uploadSize) {
        auto *form = static_cast<PendingForm *>(*state);
        form->bytes += qsizetype(*uploadSize);
        form->tooLarge = form->tooLarge || form->bytes > HttpServer::MaxFormBytes;
        if (!form->tooLarge && form->processor)
            MHD_post_process(form->processor, uploadData, *uploadSize);
        *uploadSize = 0;
        return MHD_YES;
    }
    Request request = requestOf(*server, connection, url, method);
    if (post) {
        const auto *form = static_cast<PendingForm *>(*state);
        if (form->tooLarge)
            return queue(connection, {413, QByteArray()});
        request.params = Params();
        for (const auto &[key, value] : form->fields)
            request.params.add(QString::fromUtf8(key), QString::fromUtf8(value));
    }
    return queue(connection, server->respond(request));
}

} // namespace

HttpServer::~HttpServer() { stop(); }

Reply HttpServer::respond(const Request &request) const
{
    if (request.method != "GET" && request.method != "HEAD" && request.method != "POST")
        return {405, QByteArray()};
    return handler_(request);
}

bool HttpServer::start(const OpacSettings &settings, QString *error)
{
    // Written as the connections will show them, so that "::1" and "0:0::1" are one address.
    proxies_.clear();
    for (const QString &proxy : settings.proxies)
        if (const QHostAddress address(proxy); !address.isNull())
            proxies_.append(address.toString());
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
                               // Behind a proxy every connection comes from it: the proxy limits each reader instead.
                               MHD_OPTION_PER_IP_CONNECTION_LIMIT, settings.proxies.isEmpty() ? unsigned(settings.perAddressLimit) : 0u,
                               MHD_OPTION_NOTIFY_COMPLETED, formDone, nullptr,
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
