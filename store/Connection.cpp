#include "Connection.h"

#include "Dataset.h"
#include "StoreError.h"

#include <QDate>
#include <QDateTime>
#include <algorithm>

namespace store {

Connection::Connection(QObject *parent) : QObject(parent) {}

Connection::~Connection()
{
    for (auto *ds : datasets_)
        ds->connectionGone();
    if (db_)
        sqlite3_close_v2(db_);
}

void Connection::setDatabase(const QString &path)
{
    if (isOpen())
        close();
    database_ = path;
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

void Connection::open()
{
    if (db_)
        return;
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    flags |= sharedCache() ? SQLITE_OPEN_SHAREDCACHE : SQLITE_OPEN_PRIVATECACHE;
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(database_.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close_v2(db);
        throw StoreError(msg, rc);
    }
    db_ = db;
    sqlite3_extended_result_codes(db_, 0);
    try {
        sqlite3_busy_timeout(db_, busyTimeout());
        if (readUncommitted())
            runStatement(QStringLiteral("PRAGMA read_uncommitted = true"));
        runStatement(QStringLiteral("PRAGMA foreign_keys = OFF"));
        // The engine reads the file lazily; reading the schema here makes a file that is not a
        // database fail at open, where the caller expects it, not at the first query.
        runStatement(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"));
    } catch (...) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw;
    }
}

void Connection::close()
{
    if (!db_)
        return;
    for (auto *ds : datasets_)
        ds->close();
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

sqlite3 *Connection::handle() const
{
    if (!db_)
        throw StoreError(QString::fromLatin1(errors::ConnectionClosed));
    return db_;
}

void Connection::raiseEngineError(int code) const
{
    throw StoreError(db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(code)), code);
}

void bindSqlValue(sqlite3_stmt *stmt, int index, const QVariant &value)
{
    if (value.isNull() || !value.isValid()) {
        sqlite3_bind_null(stmt, index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        sqlite3_bind_int64(stmt, index, value.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(stmt, index, value.toDouble());
        return;
    case QMetaType::QDate: {
        const QByteArray t = value.toDate().toString(QStringLiteral("yyyy-MM-dd")).toUtf8();
        sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        return;
    }
    case QMetaType::QDateTime: {
        const QByteArray t = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toUtf8();
        sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        return;
    }
    case QMetaType::QByteArray: {
        const QByteArray b = value.toByteArray();
        sqlite3_bind_blob(stmt, index, b.constData(), int(b.size()), SQLITE_TRANSIENT);
        return;
    }
    default: {
        const QByteArray t = value.toString().toUtf8();
        sqlite3_bind_text(stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        return;
    }
    }
}

void Connection::runStatement(const QString &sql, const QVariantList &params)
{
    sqlite3 *db = handle();
    const QByteArray text = sql.toUtf8();
    const char *tail = text.constData();
    const char *end = tail + text.size();
    int bound = 0;
    while (tail < end) {
        sqlite3_stmt *raw = nullptr;
        const char *next = nullptr;
        int rc = sqlite3_prepare_v2(db, tail, int(end - tail), &raw, &next);
        if (rc != SQLITE_OK)
            raiseEngineError(rc);
        StatementPtr stmt(raw);
        tail = next;
        if (!stmt) // only blanks or comments were left
            continue;
        const int count = sqlite3_bind_parameter_count(stmt.get());
        for (int i = 1; i <= count && bound < params.size(); ++i)
            bindSqlValue(stmt.get(), i, params[bound++]);
        while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            raiseEngineError(rc);
    }
}

void Connection::addSqlFunction(const QString &name, int argumentCount, SqlScalarFunction function)
{
    const int rc = sqlite3_create_function_v2(handle(), name.toUtf8().constData(), argumentCount,
                                              SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, function, nullptr,
                                              nullptr, nullptr);
    if (rc != SQLITE_OK)
        raiseEngineError(rc);
}

QStringList Connection::tableNames() const
{
    QStringList names;
    sqlite3_stmt *raw = nullptr;
    const char *sql = "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
                      "ORDER BY name";
    int rc = sqlite3_prepare_v2(handle(), sql, -1, &raw, nullptr);
    if (rc != SQLITE_OK)
        raiseEngineError(rc);
    StatementPtr stmt(raw);
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), 0)));
    if (rc != SQLITE_DONE)
        raiseEngineError(rc);
    return names;
}

QString Connection::engineVersion() const { return QString::fromLatin1(sqlite3_libversion()); }
qint64 Connection::lastInsertRowId() const { return sqlite3_last_insert_rowid(handle()); }
int Connection::changes() const { return sqlite3_changes(handle()); }

void Connection::attach(Dataset *dataset) { datasets_.push_back(dataset); }
void Connection::detach(Dataset *dataset) { std::erase(datasets_, dataset); }

} // namespace store
