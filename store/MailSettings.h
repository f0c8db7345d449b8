#pragma once

#include <QString>

namespace store {

class IniFile;

// How letters leave: section [Mail] of library.ini. The password is kept as the server's is
// under [MySQL], in a file that is then its owner's alone (see IniFile).
struct MailSettings {
    QString server;
    int port = 587;
    QString user;
    QString password;
    QString from;            // "address" or "Name <address>"
    bool requireTls = true;  // never log in or send over a connection that is not encrypted
    QString caCertificate;   // the authority that signed the server's certificate, when not a public one
    int connectTimeoutSeconds = 15;
    int timeoutSeconds = 60; // for one whole letter, or one check, from connecting to the server's last reply

    bool operator==(const MailSettings &) const = default;
};

inline constexpr int LongestMailTimeout = 600;

// A port or timeout that is not a whole number in range reads as its default.
MailSettings readMailSettings(const IniFile *settings);
// The six settings and the authority file (the timeouts are set in the file only); false when the
// file could not be written.
bool writeMailSettings(IniFile &settings, const MailSettings &mail);

// What the librarian must fill in before a letter can go, in Russian; empty when nothing is missing.
QString missingMailSettings(const MailSettings &mail);

} // namespace store
