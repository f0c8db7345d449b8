#include "Catalogues.h"

#include "IniFile.h"

#include <QUrl>

namespace marc {

namespace {

// Documented by the Library of Congress for its Z39.50 and SRU service, records in MARC21, UTF-8.
const char *const DefaultCatalogues[][2] = {
    {"Библиотека Конгресса США (Z39.50)", "z3950:lx2.loc.gov:210/LCDB|MARC21|UTF-8"},
    {"Библиотека Конгресса США (SRU)", "sru:http://lx2.loc.gov:210/LCDB|MARC21|UTF-8"},
};

std::optional<CatalogueConfig> fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return std::nullopt;
}

} // namespace

QString CatalogueConfig::address() const
{
    if (protocol == Protocol::Sru)
        return QStringLiteral("sru:http://%1:%2/%3").arg(host).arg(port).arg(database);
    return QStringLiteral("z3950:%1:%2/%3").arg(host).arg(port).arg(database);
}

std::optional<CatalogueConfig> parseCatalogue(const QString &name, const QString &value, QString *error)
{
    const QStringList parts = value.split(u'|');
    CatalogueConfig c;
    c.name = name.trimmed();
    const QString address = parts.value(0).trimmed();
    if (address.startsWith(QLatin1String("sru:"), Qt::CaseInsensitive)) {
        const QUrl url(address.mid(4));
        if (!url.isValid() || url.scheme() != u"http" || url.host().isEmpty())
            return fail(error, QStringLiteral("адрес SRU пишется как sru:http://узел:порт/путь"));
        c.protocol = Protocol::Sru;
        c.host = url.host();
        c.port = url.port(80);
        c.database = url.path().mid(1);
    } else if (address.startsWith(QLatin1String("z3950:"), Qt::CaseInsensitive)) {
        const QString rest = address.mid(6);
        const qsizetype slash = rest.indexOf(u'/');
        const QStringList hostPort = rest.left(slash).split(u':');
        bool ok = hostPort.size() <= 2;
        c.host = hostPort.value(0);
        if (hostPort.size() == 2)
            c.port = hostPort[1].toInt(&ok);
        c.database = slash < 0 ? QString() : rest.mid(slash + 1);
        if (!ok || c.host.isEmpty() || c.database.isEmpty() || c.port <= 0 || c.port > 65535)
            return fail(error, QStringLiteral("адрес Z39.50 пишется как z3950:узел:порт/база (порт можно не писать: 210)"));
    } else {
        return fail(error, QStringLiteral("адрес начинается с z3950: или sru:"));
    }
    c.format = formatFromName(parts.value(1).trimmed());
    if (c.format == Format::Auto)
        return fail(error, QStringLiteral("после адреса и «|» нужен формат: MARC21, RUSMARC или UNIMARC"));
    if (parts.size() > 2) {
        c.charset = charsetFromName(parts[2]);
        if (c.charset == Charset::Auto && !parts[2].trimmed().isEmpty())
            return fail(error, QStringLiteral("кодировка бывает UTF-8, Windows-1251 или MARC-8"));
    }
    return c;
}

std::vector<CatalogueConfig> configuredCatalogues(const store::IniFile *settings, QStringList *problems)
{
    QList<std::pair<QString, QString>> entries;
    if (settings)
        entries = settings->readSection(QStringLiteral("Catalogues"));
    if (entries.isEmpty())
        for (const auto &[name, value] : DefaultCatalogues)
            entries.push_back({QString::fromUtf8(name), QString::fromLatin1(value)});
    std::vector<CatalogueConfig> out;
    for (const auto &[name, value] : entries) {
        QString why;
        if (auto c = parseCatalogue(name, value, &why))
            out.push_back(*c);
        else if (problems)
            *problems << QStringLiteral("«%1=%2»: %3").arg(name, value, why);
    }
    return out;
}

int catalogueTimeoutSeconds(const store::IniFile *settings)
{
    const int seconds = settings ? settings->readInteger(QStringLiteral("General"), QStringLiteral("CatalogueTimeout"), 15) : 15;
    return seconds > 0 ? seconds : 15;
}

} // namespace marc
