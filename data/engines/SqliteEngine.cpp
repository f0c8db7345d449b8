#include "data/engines/SqliteEngine.h"

#include "data/DataError.h"

#include <QDate>
#include <QDateTime>

namespace data {

namespace {

class SqliteStatement : public EngineStatement {
public:
    SqliteStatement(SqliteEngine &engine, sqlite3_stmt *stmt, QByteArray sql)
        : engine_(engine), stmt_(stmt), sql_(std::move(sql))
    {
    }
    ~SqliteStatement() override { engine_.keep(std::move(sql_), stmt_.release()); }

    int parameterCount() override { return sqlite3_bind_parameter_count(stmt_.get()); }
    QString parameterName(int index) override
    {
        const char *raw = sqlite3_bind_parameter_name(stmt_.get(), index);
        return raw ? QString::fromUtf8(raw + 1) : QString();
    }
    void bind(int index, const QVariant &value) override { bindSqlValue(stmt_.get(), index, value); }

    void execute() override
    {
        sqlite3_reset(stmt_.get());
        step();
        pending_ = true;
    }
    bool next() override
    {
        if (pending_)
            pending_ = false;
        else if (row_)
            step();
        return row_;
    }

    int columnCount() override { return sqlite3_column_count(stmt_.get()); }
    QString columnName(int column) override { return QString::fromUtf8(sqlite3_column_name(stmt_.get(), column)); }
    QString declaredType(int column) override
    {
        const char *decl = sqlite3_column_decltype(stmt_.get(), column);
        return decl ? QString::fromUtf8(decl) : QString();
    }

    void readRow(CellView *cells) override
    {
        sqlite3_stmt *st = stmt_.get();
        const int n = sqlite3_column_count(st);
        for (int c = 0; c < n; ++c) {
            CellView &v = cells[c];
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER: v = {CellType::Integer, sqlite3_column_int64(st, c), 0, {}}; break;
            case SQLITE_FLOAT: v = {CellType::Float, 0, sqlite3_column_double(st, c), {}}; break;
            case SQLITE_TEXT: {
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(st, c));
                v = {CellType::Text, 0, 0, std::string_view(text, std::size_t(sqlite3_column_bytes(st, c)))};
                break;
            }
            case SQLITE_BLOB: {
                const auto *bytes = static_cast<const char *>(sqlite3_column_blob(st, c));
                v = {CellType::Blob, 0, 0, std::string_view(bytes, std::size_t(sqlite3_column_bytes(st, c)))};
                break;
            }
            default: v = {}; break;
            }
        }
    }

    void reset() override
    {
        sqlite3_reset(stmt_.get());
        row_ = pending_ = false;
    }

private:
    void step()
    {
        const int rc = sqlite3_step(stmt_.get());
        row_ = rc == SQLITE_ROW;
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
            sqlite3_reset(stmt_.get());
            engine_.raise(rc);
        }
    }

    SqliteEngine &engine_;
    StatementPtr stmt_;
    QByteArray sql_;
    bool row_ = false;
    bool pending_ = false;
};

} // namespace

SqliteEngine::~SqliteEngine() { close(); }

void SqliteEngine::open(const ConnectionSettings &settings)
{
    if (db_)
        return;
    // A connection is only ever used by one thread at a time: no lock around every call.
    // A reader never makes an empty file where the catalogue should be.
    int flags = (settings.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) | SQLITE_OPEN_NOMUTEX;
    flags |= settings.sharedCache ? SQLITE_OPEN_SHAREDCACHE : SQLITE_OPEN_PRIVATECACHE;
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(settings.database.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close_v2(db);
        throw DataError(msg, rc);
    }
    db_ = db;
    sqlite3_extended_result_codes(db_, 0);
    try {
        sqlite3_busy_timeout(db_, settings.busyTimeoutMs);
        if (settings.readUncommitted)
            run(QStringLiteral("PRAGMA read_uncommitted = true"), {});
        run(QStringLiteral("PRAGMA foreign_keys = OFF"), {});
        // Reports join the loans with holdings spread over the whole file: read through a mapping
        // of it, pages cost no copy from the system's cache (a file larger than this is read as before).
        run(QStringLiteral("PRAGMA mmap_size = 1073741824"), {});
        // The engine reads the file lazily; reading the schema here makes a file that is not a
        // database fail at open, where the caller expects it, not at the first query.
        run(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"), {});
    } catch (...) {
        close();
        throw;
    }
}

void SqliteEngine::close()
{
    for (const auto &[sql, stmt] : spare_)
        sqlite3_finalize(stmt);
    spare_.clear();
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

void SqliteEngine::keep(QByteArray sql, sqlite3_stmt *stmt)
{
    if (!stmt)
        return;
    // A statement of a connection closed since is finalized, as is the oldest beyond the limit.
    if (!db_ || sqlite3_db_handle(stmt) != db_) {
        sqlite3_finalize(stmt);
        return;
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (spare_.size() >= SpareStatements) {
        sqlite3_finalize(spare_.front().second);
        spare_.erase(spare_.begin());
    }
    spare_.emplace_back(std::move(sql), stmt);
}

ErrorKind sqliteErrorKind(int code)
{
    if (code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY)
        return ErrorKind::Duplicate;
    switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return ErrorKind::Busy;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN: return ErrorKind::ReadOnly;
    case SQLITE_FULL: return ErrorKind::DiskFull;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return ErrorKind::NotADatabase;
    case SQLITE_CONSTRAINT: return ErrorKind::Constraint;
    case SQLITE_TOOBIG: return ErrorKind::TooLong;
    case SQLITE_IOERR: return ErrorKind::IoError;
    default: return ErrorKind::Other;
    }
}

void SqliteEngine::raise(int code) const
{
    throw DataError(db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(code)), code,
                    sqliteErrorKind(db_ ? sqlite3_extended_errcode(db_) : code));
}

void SqliteEngine::addFunction(const QString &name, int argumentCount, SqlScalarFunction function,
                               const InlineCall &)
{
    const int rc = sqlite3_create_function_v2(db_, name.toUtf8().constData(), argumentCount,
                                              SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, function, nullptr,
                                              nullptr, nullptr);
    if (rc != SQLITE_OK)
        raise(rc);
}

std::unique_ptr<EngineStatement> SqliteEngine::prepare(const QString &sql)
{
    QByteArray utf8 = sql.toUtf8();
    for (auto it = spare_.rbegin(); it != spare_.rend(); ++it)
        if (it->first == utf8) {
            sqlite3_stmt *kept = it->second;
            spare_.erase(std::next(it).base());
            return std::make_unique<SqliteStatement>(*this, kept, std::move(utf8));
        }
    sqlite3_stmt *raw = nullptr;
    const int rc = sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &raw, nullptr);
    if (rc != SQLITE_OK)
        raise(rc);
    if (!raw)
        throw DataError(QStringLiteral("The SQL text holds no statement"));
    return std::make_unique<SqliteStatement>(*this, raw, std::move(utf8));
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

void SqliteEngine::run(const QString &sql, const QVariantList &params)
{
    const QByteArray text = sql.toUtf8();
    const char *tail = text.constData();
    const char *end = tail + text.size();
    int bound = 0;
    while (tail < end) {
        sqlite3_stmt *raw = nullptr;
        const char *next = nullptr;
        int rc = sqlite3_prepare_v2(db_, tail, int(end - tail), &raw, &next);
        if (rc != SQLITE_OK)
            raise(rc);
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
            raise(rc);
    }
}

QStringList SqliteEngine::tableNames(bool withViews)
{
    // The engine's own tables go into a backup too, but are not the database's.
    const char *sql = withViews
        ? "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name"
        : "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name";
    auto stmt = prepare(QString::fromLatin1(sql));
    return firstColumnTexts(*stmt);
}

QStringList SqliteEngine::viewNames()
{
    auto stmt = prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'view' ORDER BY name"));
    return firstColumnTexts(*stmt);
}

QByteArray SqliteEngine::sqlName(const QByteArray &name)
{
    const bool plain = isPlainSqlName(name);
    if (plain && !sqlite3_keyword_check(name.constData(), int(name.size())))
        return name;
    return '"' + QByteArray(name).replace("\"", "\"\"") + '"';
}

} // namespace data
