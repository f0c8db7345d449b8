#include "data/engines/ServerGreeting.h"

#include "data/DataError.h"

#include <QFile>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace data {

namespace {

constexpr unsigned ClientSsl = 0x0800, ClientProtocol41 = 0x0200, ClientSecureConnection = 0x8000,
                   ClientLongPassword = 0x0001;

[[noreturn]] void unreachable(const GreetingRequest &r, const QString &why)
{
    throw DataError(QStringLiteral("Не удается подключиться к серверу базы данных %1:%2: %3. Имя пользователя и пароль "
                                   "не отправлены.")
                        .arg(QString::fromUtf8(r.host))
                        .arg(r.port)
                        .arg(why),
                    2003, ErrorKind::ServerGone);
}

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

struct Socket {
    int fd = -1;
    ~Socket()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// A TCP connection within the timeout; reads and writes then wait no longer than it either.
void connectWithin(Socket &s, const GreetingRequest &r)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const QByteArray port = QByteArray::number(r.port);
    if (const int rc = getaddrinfo(r.host.constData(), port.constData(), &hints, &found); rc != 0)
        unreachable(r, QString::fromLocal8Bit(gai_strerror(rc)));
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);
    QString why;
    for (addrinfo *a = found; a; a = a->ai_next) {
        Socket attempt;
        attempt.fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (attempt.fd < 0)
            continue;
        int rc = ::connect(attempt.fd, a->ai_addr, a->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            pollfd p{attempt.fd, POLLOUT, 0};
            rc = ::poll(&p, 1, r.timeoutSeconds * 1000);
            int error = 0;
            socklen_t size = sizeof error;
            if (rc == 0)
                error = ETIMEDOUT;
            else if (rc > 0)
                getsockopt(attempt.fd, SOL_SOCKET, SO_ERROR, &error, &size);
            errno = error;
            rc = error == 0 ? 0 : -1;
        }
        if (rc != 0) {
            why = systemError();
            continue;
        }
        fcntl(attempt.fd, F_SETFL, fcntl(attempt.fd, F_GETFL) & ~O_NONBLOCK);
        timeval limit{r.timeoutSeconds, 0};
        setsockopt(attempt.fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(attempt.fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        std::swap(s.fd, attempt.fd);
        return;
    }
    unreachable(r, why);
}

bool readExactly(int fd, unsigned char *to, std::size_t size)
{
    while (size > 0) {
        const ssize_t got = ::recv(fd, to, size, 0);
        if (got <= 0)
            return false;
        to += got;
        size -= std::size_t(got);
    }
    return true;
}

// The server's first packet; its capability flags say whether it offers TLS.
bool greetingOffersTls(int fd, const GreetingRequest &r)
{
    unsigned char header[4];
    if (!readExactly(fd, header, 4))
        unreachable(r, QStringLiteral("сервер не прислал приветствия"));
    const std::size_t size = header[0] | header[1] << 8 | header[2] << 16;
    QByteArray payload(qsizetype(size), '\0');
    if (size == 0 || !readExactly(fd, reinterpret_cast<unsigned char *>(payload.data()), size))
        unreachable(r, QStringLiteral("сервер не прислал приветствия"));
    if (static_cast<unsigned char>(payload[0]) == 0xFF) // refused before any login, e.g. too many connections
        unreachable(r, QString::fromUtf8(payload.mid(3)));
    const qsizetype versionEnd = payload.indexOf('\0', 1);
    const qsizetype flags = versionEnd + 1 + 4 + 8 + 1;
    if (payload[0] != 10 || versionEnd < 0 || flags + 2 > payload.size())
        unreachable(r, QStringLiteral("по этому адресу отвечает не сервер MariaDB или MySQL"));
    const unsigned capabilities = static_cast<unsigned char>(payload[flags]) | static_cast<unsigned char>(payload[flags + 1]) << 8;
    return (capabilities & ClientSsl) != 0;
}

// The request to switch to TLS: capabilities, packet size and character set, and no user name.
void askForTls(int fd, const GreetingRequest &r)
{
    unsigned char packet[36] = {32, 0, 0, 1};
    const unsigned caps = ClientLongPassword | ClientProtocol41 | ClientSsl | ClientSecureConnection;
    for (int i = 0; i < 4; ++i)
        packet[4 + i] = static_cast<unsigned char>(caps >> (8 * i));
    packet[4 + 4 + 3] = 1; // 16 MB packets
    packet[4 + 8] = 45;    // utf8mb4
    if (::send(fd, packet, sizeof packet, MSG_NOSIGNAL) != ssize_t(sizeof packet))
        unreachable(r, systemError());
}

QString x509Name(X509_NAME *name)
{
    char buffer[512];
    return name ? QString::fromUtf8(X509_NAME_oneline(name, buffer, sizeof buffer)) : QString();
}

QString verifyReason(long result, const GreetingRequest &r)
{
    switch (result) {
    case X509_V_OK: return {};
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return r.caFile.isEmpty() ? QStringLiteral("сертификат подписан центром сертификации, которого этот компьютер не знает "
                                                   "(или самим сервером)")
                                  : QStringLiteral("сертификат подписан не тем центром сертификации, что указан в "
                                                   "CACertificate=");
    case X509_V_ERR_CERT_HAS_EXPIRED: return QStringLiteral("срок действия сертификата истёк");
    case X509_V_ERR_CERT_NOT_YET_VALID: return QStringLiteral("срок действия сертификата ещё не начался");
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return QStringLiteral("сертификат выдан не серверу «%1»").arg(QString::fromUtf8(r.host));
    default: return QString::fromUtf8(X509_verify_cert_error_string(result));
    }
}

QByteArray digest(X509 *cert, const EVP_MD *kind)
{
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    X509_digest(cert, kind, md, &size);
    return QByteArray(reinterpret_cast<const char *>(md), int(size));
}

using Context = std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)>;

Context verifyingContext(const GreetingRequest &r)
{
    Context ctx(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    if (!ctx)
        throw DataError(QStringLiteral("Не удается подготовить шифрованное соединение (OpenSSL)."));
    // The handshake goes through whatever the certificate: it is judged afterwards, by its result.
    SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_NONE, nullptr);
    if (!r.caFile.isEmpty()) {
        if (!QFile::exists(r.caFile) ||
            SSL_CTX_load_verify_locations(ctx.get(), QFile::encodeName(r.caFile).constData(), nullptr) != 1) {
            ERR_clear_error();
            throw DataError(QStringLiteral("Файл центра сертификации «%1» (CACertificate= в library.ini) не найден или не "
                                           "является сертификатом. Подключение отменено, имя пользователя и пароль не "
                                           "отправлены.")
                                .arg(r.caFile),
                            0, ErrorKind::ServerGone);
        }
    } else {
        SSL_CTX_set_default_verify_paths(ctx.get());
    }
    return ctx;
}

void readCertificate(int fd, const GreetingRequest &r, ServerGreeting &g)
{
    const Context ctx = verifyingContext(r);
    std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(ctx.get()), SSL_free);
    SSL_set_fd(ssl.get(), fd);
    in6_addr any;
    const bool address = inet_pton(AF_INET, r.host.constData(), &any) == 1 || inet_pton(AF_INET6, r.host.constData(), &any) == 1;
    if (address) {
        X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl.get()), r.host.constData());
    } else {
        SSL_set1_host(ssl.get(), r.host.constData());
        SSL_set_tlsext_host_name(ssl.get(), r.host.constData());
    }
    if (SSL_connect(ssl.get()) != 1) {
        const unsigned long code = ERR_get_error();
        ERR_clear_error();
        throw DataError(QStringLiteral("Сервер базы данных %1:%2 прервал установку шифрованного соединения (%3). Имя "
                                       "пользователя и пароль не отправлены.")
                            .arg(QString::fromUtf8(r.host))
                            .arg(r.port)
                            .arg(code ? QString::fromUtf8(ERR_reason_error_string(code)) : QStringLiteral("соединение закрыто")),
                        2026, ErrorKind::ServerGone);
    }
    std::unique_ptr<X509, decltype(&X509_free)> cert(SSL_get1_peer_certificate(ssl.get()), X509_free);
    if (!cert)
        throw DataError(QStringLiteral("Сервер базы данных не предъявил сертификата. Имя пользователя и пароль не отправлены."),
                        2026, ErrorKind::ServerGone);
    const long result = SSL_get_verify_result(ssl.get());
    g.verified = result == X509_V_OK;
    g.whyUnverified = verifyReason(result, r);
    g.sha256 = digest(cert.get(), EVP_sha256());
    g.sha1 = digest(cert.get(), EVP_sha1());
    g.subject = x509Name(X509_get_subject_name(cert.get()));
    g.issuer = x509Name(X509_get_issuer_name(cert.get()));
}

} // namespace

ServerGreeting readServerGreeting(const GreetingRequest &request)
{
    Socket s;
    connectWithin(s, request);
    ServerGreeting g;
    g.offersTls = greetingOffersTls(s.fd, request);
    if (g.offersTls) {
        askForTls(s.fd, request);
        readCertificate(s.fd, request, g);
    }
    return g;
}

QString fingerprintText(const QByteArray &sha256)
{
    return QString::fromLatin1(sha256.toHex(':').toUpper());
}

QByteArray fingerprintFromText(const QString &text)
{
    QByteArray hex;
    for (const QChar c : text)
        if (c != u':' && !c.isSpace())
            hex += c.toLatin1();
    const QByteArray bytes = QByteArray::fromHex(hex);
    const bool valid = hex.size() == 64 && bytes.size() == 32 && bytes.toHex() == hex.toLower();
    return valid ? bytes : QByteArray();
}

} // namespace data
