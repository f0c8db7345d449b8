#pragma once

#include "data/engines/Engine.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <sqlite3.h>
#include <vector>

namespace data {

class Dataset;

// The connection (`MyServer`): an SQLite file by default, or a database on a MariaDB/MySQL
// server when the provider is "MySQL". Options are given as "SQLite.Name=Value" lines; the ones
// this layer knows are BusyTimeout, ReadUncommitted, EnableSharedCache and ReadOnly. Every statement
// commits on its own: no transaction is ever opened here.
class Connection : public QObject {
    Q_OBJECT
public:
    explicit Connection(QObject *parent = nullptr);
    ~Connection() override;

    // "SQLite" or "MySQL"; changing it closes the connection.
    QString providerName() const { return provider_; }
    void setProviderName(const QString &name);
    bool isServer() const { return provider_ == QLatin1String("MySQL"); }

    QString serverName() const { return settings_.server; }
    void setServerName(const QString &name) { settings_.server = name; }
    QString userName() const { return settings_.user; }
    void setUserName(const QString &name) { settings_.user = name; }
    QString password() const { return settings_.password; }
    void setPassword(const QString &text) { settings_.password = text; }
    QString database() const { return settings_.database; }
    void setDatabase(const QString &path);
    // A server connection is encrypted whenever the server offers it; these make it a condition.
    void setRequireTls(bool on) { settings_.requireTls = on; }
    void setCaCertificate(const QString &file) { settings_.caCertificate = file; }
    // The SHA-256 fingerprint of a certificate the librarian confirmed ("AB:CD:…"); it is then
    // the only certificate a server it cannot verify otherwise may show.
    QString serverFingerprint() const { return settings_.serverFingerprint; }
    void setServerFingerprint(const QString &text) { settings_.serverFingerprint = text; }
    // How the open session crosses the network; NotServer for a file.
    TlsState tlsState() const;
    // The cipher of the session's encryption, empty when it is not encrypted (or not a server).
    QString tlsCipher() const;

    QStringList &options() { return options_; }
    const QStringList &options() const { return options_; }

    void open();
    void close();
    bool isOpen() const { return engine_ && engine_->isOpen(); }

    // The options actually in force after open, for callers that report them.
    int busyTimeout() const;
    bool readUncommitted() const;
    bool sharedCache() const;
    bool readOnly() const;

    // Runs every statement of the text at once; values are bound to `?` or `:name` placeholders
    // in order, so user text never becomes part of the statement itself.
    void runStatement(const QString &sql, const QVariantList &params = {});
    // Registers a function on the embedded engine; a server has its functions installed with
    // the database, and writes a call inline when told how.
    void addSqlFunction(const QString &name, int argumentCount, SqlScalarFunction function,
                        const InlineCall &onServer = {});
    std::unique_ptr<EngineStatement> prepare(const QString &sql);

    QStringList tableNames() const;                 // the database's tables, by name
    QStringList tableAndViewNames() const;          // what a backup writes, in byte order of names
    QStringList viewNames() const;
    QStringList databaseNames();                    // the server's databases, for the settings dialog
    QByteArray sqlName(const QByteArray &name) const;
    QString engineVersion() const;                  // the server's version on a server
    QString clientVersion() const;
    qint64 lastInsertRowId() const;
    int changes() const;

    // The embedded engine's handle, for what only SQLite does (the online file copy).
    sqlite3 *handle() const;

private:
    friend class Dataset;
    friend class Transaction;
    int transactionDepth_ = 0;
    void attach(Dataset *dataset);
    void detach(Dataset *dataset);
    QString option(const QString &name) const;
    Engine &engine() const; // the open engine, or the layer's error
    Engine &engineForProvider(); // made on first use for the provider set
    ConnectionSettings effectiveSettings() const;

    QString provider_ = QStringLiteral("SQLite");
    ConnectionSettings settings_;
    QStringList options_;
    std::unique_ptr<Engine> engine_;
    std::vector<Dataset *> datasets_;
};

} // namespace data
