#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <sqlite3.h>
#include <vector>

namespace store {

class Dataset;

// A scalar SQL function as the engine calls it.
using SqlScalarFunction = void (*)(sqlite3_context *, int, sqlite3_value **);

// The connection to one SQLite database file (`MyServer`). Options are given as
// "SQLite.Name=Value" lines; the ones this layer knows are BusyTimeout, ReadUncommitted and
// EnableSharedCache. Every statement commits on its own: no transaction is ever opened here.
class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    QString providerName() const { return QStringLiteral("SQLite"); }
    void setProviderName(const QString &) {}

    QString database() const { return database_; }
    void setDatabase(const QString &path);

    QStringList &options() { return options_; }
    const QStringList &options() const { return options_; }

    void open();
    void close();
    bool isOpen() const { return db_ != nullptr; }

    // The options actually in force after open, for callers that report them.
    int busyTimeout() const;
    bool readUncommitted() const;
    bool sharedCache() const;

    // Runs every statement of the text at once; values are bound to `?` or `:name` placeholders
    // in order, so user text never becomes part of the statement itself.
    void runStatement(const QString &sql, const QVariantList &params = {});
    void addSqlFunction(const QString &name, int argumentCount, SqlScalarFunction function);

    QStringList tableNames() const;
    QString engineVersion() const;
    qint64 lastInsertRowId() const;
    int changes() const;

    sqlite3 *handle() const;

    // Raises the engine's current error as a StoreError.
    [[noreturn]] void raiseEngineError(int code) const;

private:
    friend class Dataset;
    void attach(Dataset *dataset);
    void detach(Dataset *dataset);
    QString option(const QString &name) const;

    QString database_;
    QStringList options_;
    sqlite3 *db_ = nullptr;
    std::vector<Dataset *> datasets_;
};

// Binds a value to a prepared statement's placeholder (1-based): numbers as numbers, dates as
// yyyy-mm-dd text, byte arrays as blobs, everything else as UTF-8 text.
void bindSqlValue(sqlite3_stmt *stmt, int index, const QVariant &value);

// Owns a prepared statement and finalizes it.
struct StatementCloser {
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using StatementPtr = std::unique_ptr<sqlite3_stmt, StatementCloser>;

} // namespace store
