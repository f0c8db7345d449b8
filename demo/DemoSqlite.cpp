#include "DemoSqlite.h"

#include <stdexcept>

namespace demo {

Database::Database(const QString &path) : path_(path)
{
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const QString reason = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db_);
        db_ = nullptr;
        throw std::runtime_error(QStringLiteral("Cannot create the database file %1: %2").arg(path, reason).toStdString());
    }
}

Database::~Database()
{
    sqlite3_close(db_);
}

void Database::exec(const QString &sql)
{
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QStringLiteral("running \"%1\"").arg(sql.left(60).simplified()));
}

void Database::close()
{
    if (sqlite3_close(db_) != SQLITE_OK)
        fail(QStringLiteral("closing the file"));
    db_ = nullptr;
}

void Database::fail(const QString &doing) const
{
    const QString reason = QString::fromUtf8(sqlite3_errmsg(db_));
    throw std::runtime_error(QStringLiteral("Database %1, %2: %3").arg(path_, doing, reason).toStdString());
}

Statement::Statement(Database &db, const char *sql) : db_(db)
{
    if (sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK)
        db.fail(QStringLiteral("preparing \"%1\"").arg(QString::fromUtf8(sql).left(60)));
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

void Statement::check(int rc) const
{
    if (rc != SQLITE_OK)
        db_.fail(QStringLiteral("binding a value to \"%1\"").arg(QString::fromUtf8(sqlite3_sql(stmt_)).left(60)));
}

void Statement::bindText(int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    // constData() of an empty array is "" rather than null, so this stays text, not NULL.
    check(sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
}

void Statement::bindTextOrNull(int index, const QString &text)
{
    if (text.isNull())
        bindNull(index);
    else
        bindText(index, text);
}

void Statement::bindInt(int index, qint64 value)
{
    check(sqlite3_bind_int64(stmt_, index, value));
}

void Statement::bindReal(int index, double value)
{
    check(sqlite3_bind_double(stmt_, index, value));
}

void Statement::bindNull(int index)
{
    check(sqlite3_bind_null(stmt_, index));
}

void Statement::run()
{
    if (sqlite3_step(stmt_) != SQLITE_DONE)
        db_.fail(QStringLiteral("running \"%1\"").arg(QString::fromUtf8(sqlite3_sql(stmt_)).left(60)));
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

bool Statement::nextRow()
{
    const int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        db_.fail(QStringLiteral("reading \"%1\"").arg(QString::fromUtf8(sqlite3_sql(stmt_)).left(60)));
    return rc == SQLITE_ROW;
}

} // namespace demo
