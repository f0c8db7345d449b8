#pragma once

// A stand-in for a database server on 127.0.0.1 that records every byte a client sends it (after
// TLS, the decrypted ones): it greets like MariaDB, with or without the offer of TLS, answers a
// TLS request with a certificate of the test's making, and never lets anyone log in. What it
// records shows whether a user name or a password hash left the program.
#include <QByteArray>
#include <QList>
#include <arpa/inet.h>
#include <atomic>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// A certificate and its key, made here: for a host name or address, valid or long expired.
struct TestCertificate {
    std::shared_ptr<EVP_PKEY> key;
    std::shared_ptr<X509> cert;

    static TestCertificate make(const char *subjectAltName, bool expired = false)
    {
        TestCertificate t;
        t.key.reset(EVP_EC_gen("P-256"), EVP_PKEY_free);
        t.cert.reset(X509_new(), X509_free);
        X509 *x = t.cert.get();
        X509_set_version(x, 2);
        static int serial = 1;
        ASN1_INTEGER_set(X509_get_serialNumber(x), serial++);
        const long day = 24 * 3600;
        X509_gmtime_adj(X509_getm_notBefore(x), expired ? -10 * day : -day);
        X509_gmtime_adj(X509_getm_notAfter(x), expired ? -5 * day : 30 * day);
        X509_NAME *name = X509_get_subject_name(x);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char *>("Test server"), -1,
                                   -1, 0);
        X509_set_issuer_name(x, name);
        X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, nullptr, NID_subject_alt_name, subjectAltName);
        X509_add_ext(x, ext, -1);
        X509_EXTENSION_free(ext);
        X509_set_pubkey(x, t.key.get());
        X509_sign(x, t.key.get(), EVP_sha256());
        return t;
    }

    // The fingerprint as the program prints it, "AB:CD:…".
    QByteArray sha256Text() const
    {
        unsigned char md[EVP_MAX_MD_SIZE];
        unsigned size = 0;
        X509_digest(cert.get(), EVP_sha256(), md, &size);
        return QByteArray(reinterpret_cast<const char *>(md), int(size)).toHex(':').toUpper();
    }

    bool writePem(const QString &file) const
    {
        FILE *f = fopen(file.toLocal8Bit().constData(), "w");
        if (!f)
            return false;
        const bool ok = PEM_write_X509(f, cert.get()) == 1;
        fclose(f);
        return ok;
    }
};

class FakeMariaServer {
public:
    // What the server does on each connection, in turn (the last one repeats).
    struct Turn {
        bool offerTls = true;
        const TestCertificate *certificate = nullptr;
        bool dropDuringHandshake = false;
    };

    explicit FakeMariaServer(QList<Turn> turns) : turns_(std::move(turns))
    {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr *>(&a), sizeof a);
        ::listen(listener_, 8);
        socklen_t size = sizeof a;
        getsockname(listener_, reinterpret_cast<sockaddr *>(&a), &size);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeMariaServer()
    {
        stop_ = true;
        thread_.join();
        ::close(listener_);
    }

    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(port_); }
    // Everything received after the greeting, on every connection so far.
    QByteArray received() const
    {
        std::lock_guard lock(mutex_);
        return received_;
    }
    int connections() const { return connections_; }

private:
    void serve()
    {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            const Turn turn = turns_[std::min<qsizetype>(connections_, turns_.size() - 1)];
            ++connections_;
            timeval limit{2, 0};
            setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            converse(fd, turn);
            ::close(fd);
        }
    }

    static QByteArray greeting(bool offerTls)
    {
        QByteArray p;
        p += char(10);
        p += QByteArray("10.11.99-MariaDB-fake") + '\0';
        p += QByteArray("\x01\x00\x00\x00", 4);                // connection id
        p += QByteArray("abcdefgh") + '\0';                    // scramble, first part, and filler
        const unsigned caps = 0x0001 | 0x0200 | 0x8000 | 0x80000 | (offerTls ? 0x0800 : 0);
        p += char(caps & 0xFF);
        p += char((caps >> 8) & 0xFF);
        p += char(45);                                         // utf8mb4
        p += QByteArray("\x02\x00", 2);                        // status
        p += char((caps >> 16) & 0xFF);
        p += char((caps >> 24) & 0xFF);
        p += char(21);                                         // scramble length
        p += QByteArray(10, '\0');
        p += QByteArray("ijklmnopqrst") + '\0';
        p += QByteArray("mysql_native_password") + '\0';
        QByteArray packet;
        packet += char(p.size() & 0xFF);
        packet += char((p.size() >> 8) & 0xFF);
        packet += char((p.size() >> 16) & 0xFF);
        packet += char(0);
        return packet + p;
    }

    void record(const char *data, qsizetype size)
    {
        std::lock_guard lock(mutex_);
        received_.append(data, size);
    }

    // Reads whatever the client sends until it stops (two seconds of silence or the end).
    void recordRest(int fd, SSL *ssl)
    {
        char buffer[4096];
        for (;;) {
            const int got = ssl ? SSL_read(ssl, buffer, sizeof buffer) : int(::recv(fd, buffer, sizeof buffer, 0));
            if (got <= 0)
                return;
            record(buffer, got);
        }
    }

    void converse(int fd, const Turn &turn)
    {
        const QByteArray hello = greeting(turn.offerTls);
        if (::send(fd, hello.constData(), size_t(hello.size()), MSG_NOSIGNAL) != hello.size())
            return;
        char header[4];
        if (::recv(fd, header, 4, MSG_WAITALL) != 4)
            return;
        record(header, 4);
        const int size = (unsigned char)header[0] | (unsigned char)header[1] << 8 | (unsigned char)header[2] << 16;
        QByteArray payload(size, '\0');
        if (size > 0 && ::recv(fd, payload.data(), size_t(size), MSG_WAITALL) != size)
            return;
        record(payload.constData(), payload.size());
        const bool asksForTls = size == 32 && (payload[1] & 0x08);
        if (!asksForTls || !turn.offerTls || !turn.certificate) {
            recordRest(fd, nullptr);
            return;
        }
        if (turn.dropDuringHandshake)
            return;
        std::unique_ptr<SSL_CTX, decltype(&SSL_CTX_free)> ctx(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
        SSL_CTX_use_certificate(ctx.get(), turn.certificate->cert.get());
        SSL_CTX_use_PrivateKey(ctx.get(), turn.certificate->key.get());
        std::unique_ptr<SSL, decltype(&SSL_free)> ssl(SSL_new(ctx.get()), SSL_free);
        SSL_set_fd(ssl.get(), fd);
        if (SSL_accept(ssl.get()) == 1)
            recordRest(fd, ssl.get());
    }

    QList<Turn> turns_;
    int listener_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_ = false;
    std::atomic<int> connections_ = 0;
    mutable std::mutex mutex_;
    QByteArray received_;
};
