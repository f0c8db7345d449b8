#pragma once

#include "data/DataError.h"
#include "data/engines/Engine.h"

#include <QByteArray>
#include <memory>
#include <vector>
#include <sqlite3.h>

namespace data {

// Binds a value to a prepared statement's placeholder (1-based): numbers as numbers, dates as
// yyyy-mm-dd text, byte arrays as blobs, everything else as UTF-8 text.
void bindSqlValue(sqlite3_stmt *stmt, int index, const QVariant &value);

// What an SQLite result code means for the librarian.
ErrorKind sqliteErrorKind(int code); // from a primary or an extended result code

struct StatementCloser {
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementCloser>;

// The embedded engine: one SQLite file.
class SqliteEngine : public Engine {
public:
    ~SqliteEngine() override;

    QString providerName() const override { return QStringLiteral("SQLite"); }
    void open(const ConnectionSettings &settings) override;
    void close() override;
    bool isOpen() const override { return db_ != nullptr; }

    std::unique_ptr<EngineStatement> prepare(const QString &sql) override;
    void addFunction(const QString &name, int argumentCount, SqlScalarFunction function,
                     const InlineCall &onServer) override;
    void run(const QString &sql, const QVariantList &params) override;
    qint64 lastInsertId() override { return sqlite3_last_insert_rowid(db_); }
    int changes() override { return sqlite3_changes(db_); }

    QString serverVersion() override { return QString::fromLatin1(sqlite3_libversion()); }
    QString clientVersion() override { return serverVersion(); }
    QStringList tableNames(bool withViews) override;
    QStringList viewNames() override;
    QStringList databaseNames(const ConnectionSettings &) override { return {}; }
    QByteArray sqlName(const QByteArray &name) override;

    sqlite3 *handle() const { return db_; }
    [[noreturn]] void raise(int code) const;
    // Takes back a statement its user is done with, to hand it out again for the same text:
    // pages and reports run the same few statements over and over, and preparing is a good part
    // of their cost.
    void keep(QByteArray sql, sqlite3_stmt *stmt);

private:
    static constexpr std::size_t SpareStatements = 32;
    sqlite3 *db_ = nullptr;
    std::vector<std::pair<QByteArray, sqlite3_stmt *>> spare_;  // the most recently used last
};

} // namespace data
