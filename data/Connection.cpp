#include "data/Connection.h"

#include "data/DataError.h"
#include "data/dataset/Dataset.h"
#include "data/engines/MariaEngine.h"
#include "data/engines/SqliteEngine.h"

#include <algorithm>

namespace data {

Connection::Connection(QObject *parent) : QObject(parent) {}

Connection::~Connection()
{
    for (auto *ds : datasets_)
        ds->connectionGone();
}

void Connection::setProviderName(const QString &name)
{
    const QString provider = name.compare(u"MySQL", Qt::CaseInsensitive) == 0 ? QStringLiteral("MySQL")
                                                                                : QStringLiteral("SQLite");
    if (provider == provider_)
        return;
    close();
    engine_.reset();
    provider_ = provider;
}

void Connection::setDatabase(const QString &path)
{
    if (isOpen())
        close();
    settings_.database = path;
}

QString Connection::option(const QString &name) const
{
    const QString prefix = QStringLiteral("SQLite.") + name + u'=';
    for (const auto &line : options_)
        if (line.startsWith(prefix, Qt::CaseInsensitive))
            return line.mid(prefix.size()).trimmed();
    return {};
}

static bool optionTrue(const QString &v) { return v.compare(u"True", Qt::CaseInsensitive) == 0 || v == u"1"; }

int Connection::busyTimeout() const
{
    bool ok = false;
    const int ms = option(QStringLiteral("BusyTimeout")).toInt(&ok);
    return ok ? ms : 0;
}

bool Connection::readUncommitted() const { return optionTrue(option(QStringLiteral("ReadUncommitted"))); }
bool Connection::sharedCache() const { return optionTrue(option(QStringLiteral("EnableSharedCache"))); }
bool Connection::readOnly() const { return optionTrue(option(QStringLiteral("ReadOnly"))); }

ConnectionSettings Connection::effectiveSettings() const
{
    ConnectionSettings s = settings_;
    s.busyTimeoutMs = busyTimeout();
    s.readUncommitted = readUncommitted();
    s.sharedCache = sharedCache();
    s.readOnly = readOnly();
    return s;
}

void Connection::open()
{
    if (isOpen())
        return;
    engineForProvider().open(effectiveSettings());
}

void Connection::close()
{
    if (!isOpen())
        return;
    for (auto *ds : datasets_)
        ds->close();
    engine_->close();
}

Engine &Connection::engineForProvider()
{
    if (!engine_) {
        if (isServer())
            engine_ = std::make_unique<MariaEngine>();
        else
            engine_ = std::make_unique<SqliteEngine>();
    }
    return *engine_;
}

Engine &Connection::engine() const
{
    if (!isOpen())
        throw DataError(QString::fromLatin1(errors::ConnectionClosed));
    return *engine_;
}

sqlite3 *Connection::handle() const
{
    auto *sqlite = dynamic_cast<SqliteEngine *>(&engine());
    if (!sqlite)
        throw DataError(QStringLiteral("This operation needs an SQLite database"));
    return sqlite->handle();
}

void Connection::runStatement(const QString &sql, const QVariantList &params) { engine().run(sql, params); }

std::unique_ptr<EngineStatement> Connection::prepare(const QString &sql) { return engine().prepare(sql); }

void Connection::addSqlFunction(const QString &name, int argumentCount, SqlScalarFunction function,
                                const InlineCall &onServer)
{
    engine().addFunction(name, argumentCount, function, onServer);
}

QStringList Connection::tableNames() const { return engine().tableNames(false); }
QStringList Connection::tableAndViewNames() const { return engine().tableNames(true); }
QStringList Connection::viewNames() const { return engine().viewNames(); }

QStringList Connection::databaseNames()
{
    return engineForProvider().databaseNames(effectiveSettings());
}

QByteArray Connection::sqlName(const QByteArray &name) const { return engine().sqlName(name); }

QString Connection::engineVersion() const
{
    if (!isServer())
        return QString::fromLatin1(sqlite3_libversion());
    return engine().serverVersion();
}

QString Connection::clientVersion() const
{
    if (!isServer())
        return QString::fromLatin1(sqlite3_libversion());
    return engine().clientVersion();
}

QString Connection::tlsCipher() const
{
    auto *maria = isServer() ? dynamic_cast<MariaEngine *>(engine_.get()) : nullptr;
    return maria && isOpen() ? maria->tlsCipher() : QString();
}

TlsState Connection::tlsState() const
{
    auto *maria = isServer() ? dynamic_cast<MariaEngine *>(engine_.get()) : nullptr;
    return maria && isOpen() ? maria->tlsState() : TlsState::NotServer;
}

qint64 Connection::lastInsertRowId() const { return engine().lastInsertId(); }
int Connection::changes() const { return engine().changes(); }

void Connection::attach(Dataset *dataset) { datasets_.push_back(dataset); }
void Connection::detach(Dataset *dataset) { std::erase(datasets_, dataset); }

} // namespace data
