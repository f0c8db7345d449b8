#pragma once

#include <QByteArray>
#include <QString>

namespace data {

// What a database server shows before anyone logs in: whether it offers encryption and, if it
// does, the certificate it presents. Read over a connection of its own that sends no user name
// and no password, so that nothing of the login reaches a server the program must not trust.
struct ServerGreeting {
    bool offersTls = false;
    QByteArray sha256, sha1; // the certificate's fingerprints, raw bytes
    bool verified = false;   // signed by the authority given (else the system's) and for this host name
    QString whyUnverified;   // the verifier's reason, in the librarian's words
    QString subject, issuer;
};

// Where the server listens, and what the certificate is checked against.
struct GreetingRequest {
    QByteArray host;
    unsigned port = 3306;
    QString caFile;     // empty: the system's trusted authorities
    int timeoutSeconds = 5;
};

// Connects, reads the server's greeting and, when it offers TLS, asks for it (a request that names
// nobody) and reads the certificate through the handshake; then closes. Raises DataError (the
// server cannot be reached, refuses, or breaks off the handshake; the authority file is no
// certificate).
ServerGreeting readServerGreeting(const GreetingRequest &request);

// "AB:CD:…" as openssl prints it; and back, empty when the text is no SHA-256 fingerprint (colons,
// blanks and letter case do not matter).
QString fingerprintText(const QByteArray &sha256);
QByteArray fingerprintFromText(const QString &text);

} // namespace data
