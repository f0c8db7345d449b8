#include "MailSettings.h"

#include "IniFile.h"
#include "MailAddress.h"

#include <algorithm>

namespace store {

namespace {

const QString Section = QStringLiteral("Mail");

int readInRange(const IniFile &settings, const QString &key, int low, int high, int defaultValue)
{
    const int value = settings.readInteger(Section, key, defaultValue);
    return value >= low && value <= high ? value : defaultValue;
}

} // namespace

MailSettings readMailSettings(const IniFile *settings)
{
    MailSettings mail;
    if (!settings)
        return mail;
    mail.server = settings->readString(Section, QStringLiteral("Server"), QString()).trimmed();
    mail.port = readInRange(*settings, QStringLiteral("Port"), 1, 65535, mail.port);
    mail.user = settings->readString(Section, QStringLiteral("User"), QString());
    mail.password = settings->readString(Section, QStringLiteral("Password"), QString());
    mail.from = settings->readString(Section, QStringLiteral("From"), QString()).trimmed();
    mail.requireTls = settings->readBool(Section, QStringLiteral("RequireTLS"), mail.requireTls);
    mail.caCertificate = settings->readString(Section, QStringLiteral("CACertificate"), QString()).trimmed();
    mail.timeoutSeconds = readInRange(*settings, QStringLiteral("Timeout"), 1, LongestMailTimeout, mail.timeoutSeconds);
    mail.connectTimeoutSeconds = std::min(mail.connectTimeoutSeconds, mail.timeoutSeconds);
    return mail;
}

bool writeMailSettings(IniFile &settings, const MailSettings &mail)
{
    return settings.writeString(Section, QStringLiteral("Server"), mail.server) &&
           settings.writeInteger(Section, QStringLiteral("Port"), mail.port) &&
           settings.writeString(Section, QStringLiteral("User"), mail.user) &&
           settings.writeString(Section, QStringLiteral("Password"), mail.password) &&
           settings.writeString(Section, QStringLiteral("From"), mail.from) &&
           settings.writeBool(Section, QStringLiteral("RequireTLS"), mail.requireTls) &&
           settings.writeString(Section, QStringLiteral("CACertificate"), mail.caCertificate);
}

QString missingMailSettings(const MailSettings &mail)
{
    if (mail.server.isEmpty())
        return QStringLiteral("Не указан сервер почты.");
    if (sendableAddress(parseMailbox(mail.from).address).isEmpty())
        return QStringLiteral("Не указан или указан неверно адрес отправителя («От кого»): нужен адрес вида "
                              "library@example.ru.");
    return {};
}

} // namespace store
