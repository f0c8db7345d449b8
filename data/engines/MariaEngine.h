#pragma once

#include "data/engines/Engine.h"

#include <QSet>

struct st_mysql;

namespace data {

// A database on a MariaDB (or MySQL) server, through the server's own client library. The
// session runs with ANSI_QUOTES, PIPES_AS_CONCAT and NO_BACKSLASH_ESCAPES so that the
// program's SQL means there what it means on SQLite; values are sent as literals of that
// dialect. Changed-row counts are the rows matched, as on SQLite.
class MariaEngine : public Engine {
public:
    ~MariaEngine() override;

    QString providerName() const override { return QStringLiteral("MySQL"); }
    void open(const ConnectionSettings &settings) override;
    void close() override;
    bool isOpen() const override { return open_; }

    std::unique_ptr<EngineStatement> prepare(const QString &sql) override;
    void run(const QString &sql, const QVariantList &params) override;
    void addFunction(const QString &name, int argumentCount, SqlScalarFunction function,
                     const InlineCall &onServer) override;
    qint64 lastInsertId() override { return lastInsertId_; }
    int changes() override { return changes_; }

    QString serverVersion() override;
    QString clientVersion() override;
    QStringList tableNames(bool withViews) override;
    QStringList viewNames() override;
    QStringList databaseNames(const ConnectionSettings &settings) override;
    QByteArray sqlName(const QByteArray &name) override;

    // Sends one statement; after a lost connection the next one connects again first.
    void query(const QByteArray &sql);
    st_mysql *liveSession();
    st_mysql *session() const { return db_; }
    QString tlsCipher();
    TlsState tlsState() const { return db_ ? tls_ : TlsState::Plain; }
    void noteResult();
    [[noreturn]] void raise();

private:
    // A session; `state` learns how it is encrypted.
    static st_mysql *connect(const ConnectionSettings &settings, bool withDatabase, TlsState *state);
    QByteArray withCallsInline(const QString &sql) const;

    ConnectionSettings settings_;
    st_mysql *db_ = nullptr;
    bool open_ = false;
    TlsState tls_ = TlsState::Plain;
    qint64 lastInsertId_ = 0;
    int changes_ = 0;
    bool lastWrites_ = false;    // the statement sent last may change what is stored
    bool lastCommits_ = false;
    bool inTransaction_ = false; // a lost session undoes what was sent since START TRANSACTION
    QSet<QByteArray> keywords_;
    QList<std::pair<QByteArray, InlineCall>> inlineCalls_; // by the function's name

};

} // namespace data
