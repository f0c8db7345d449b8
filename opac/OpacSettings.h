#pragma once

#include <QString>
#include <QStringList>

namespace opac {

// Section [Opac] of library.ini, with the library's name from [Library].
struct OpacSettings {
    QString iniPath;
    QString listen;             // Listen=: one address; all of them when empty
    int port = 8080;            // Port=
    QString libraryName;        // [Library] Name=, "Электронный каталог" when none is set
    int threads = 4;            // Threads=: pages made at once
    int connectionLimit = 256;  // Connections=: open connections at most, the rest are refused
    int perAddressLimit = 32;   // ConnectionsPerAddress=; not applied behind a Proxy=
    int timeoutSeconds = 20;    // Timeout=: a client silent this long, or this slow to send a request, is dropped
    int newDays = 30;           // NewDays=: how far back "Новые поступления" reach
    int refreshSeconds = 600;   // Refresh=: how old the word index may grow before it is made anew
    bool files = false;         // Files=yes: readers may download a holding's electronic version
    QStringList proxies;        // Proxy=: reverse proxies whose X-Real-IP names the reader's address
    int sessionMinutes = 30;    // SessionMinutes=: a "Мои книги" sign-in unused this long ends
};

// Values out of their sensible range are brought into it, so that a typo never stops the server.
OpacSettings readOpacSettings(const QString &iniPath);

} // namespace opac
