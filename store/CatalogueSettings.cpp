#include "CatalogueSettings.h"

#include "IniFile.h"
#include "data/Connection.h"

#include <QDir>

namespace store {

void applyCatalogueSettings(data::Connection &connection, const IniFile &settings, const QString &folder)
{
    const QString server = QStringLiteral("MySQL");
    connection.setDatabase(folder + QStringLiteral("/library.sdb"));
    connection.options() = {QStringLiteral("SQLite.BusyTimeout=1500"), QStringLiteral("SQLite.ReadUncommitted=True")};
    // The encryption rules hold for any server session, also one chosen later in the setup dialog.
    connection.setRequireTls(settings.readBool(server, QStringLiteral("RequireTLS"), false));
    if (const QString ca = settings.readString(server, QStringLiteral("CACertificate"), QString()); !ca.isEmpty())
        connection.setCaCertificate(QDir(folder).absoluteFilePath(ca));
    connection.setServerFingerprint(settings.readString(server, QStringLiteral("ServerFingerprint"), QString()));
    // A catalogue shared on a server is chosen by hand in the settings file.
    if (!settings.readBool(server, QStringLiteral("Connect"), false))
        return;
    connection.setProviderName(server);
    connection.setServerName(settings.readString(server, QStringLiteral("hostname"), QString()));
    connection.setUserName(settings.readString(server, QStringLiteral("username"), QString()));
    connection.setPassword(settings.readString(server, QStringLiteral("password"), QString()));
    connection.setDatabase(settings.readString(server, QStringLiteral("database"), QString()));
}

} // namespace store
