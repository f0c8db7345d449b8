#include "OpacSettings.h"

#include "IniFile.h"

#include <algorithm>

namespace opac {

OpacSettings readOpacSettings(const QString &iniPath)
{
    const store::IniFile ini(iniPath);
    const QString section = QStringLiteral("Opac");
    const auto number = [&](const char *key, int fallback, int least, int most) {
        return std::clamp(ini.readInteger(section, QLatin1String(key), fallback), least, most);
    };
    OpacSettings s;
    s.iniPath = iniPath;
    s.listen = ini.readString(section, QStringLiteral("Listen"), QString()).trimmed();
    s.port = number("Port", s.port, 1, 65535);
    s.libraryName = ini.readString(QStringLiteral("Library"), QStringLiteral("Name"), QString()).trimmed();
    if (s.libraryName.isEmpty())
        s.libraryName = QStringLiteral("Электронный каталог");
    s.threads = number("Threads", s.threads, 1, 64);
    s.connectionLimit = number("Connections", s.connectionLimit, 4, 10000);
    s.perAddressLimit = number("ConnectionsPerAddress", s.perAddressLimit, 1, 10000);
    s.timeoutSeconds = number("Timeout", s.timeoutSeconds, 1, 600);
    s.newDays = number("NewDays", s.newDays, 1, 3660);
    s.refreshSeconds = number("Refresh", s.refreshSeconds, 10, 86400);
    // Files= is written by hand: "1", "yes" and "да" all mean yes.
    static const QStringList yes{QStringLiteral("1"), QStringLiteral("yes"), QStringLiteral("true"), QStringLiteral("да")};
    s.files = yes.contains(ini.readString(section, QStringLiteral("Files"), QString()).trimmed().toLower());
    for (const QString &address : ini.readString(section, QStringLiteral("Proxy"), QString()).split(u',', Qt::SkipEmptyParts))
        s.proxies.append(address.trimmed());
    s.sessionMinutes = number("SessionMinutes", s.sessionMinutes, 1, 24 * 60);
    return s;
}

} // namespace opac
