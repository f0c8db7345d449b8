#pragma once

#include "data/dataset/Row.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <sqlite3.h>

namespace data {

// What a connection is told before it opens: the file of an embedded database, or the server,
// the account and the database of a shared one.
struct ConnectionSettings {
    QString server;   // "host", "host:port" or the path of a socket; empty for a file
    QString user;
    QString password;
    QString database; // the file path, or the server's database name
    bool requireTls = false; // refuse a server that offers no encrypted connection
    QString caCertificate;   // the authority that signed the server's certificate; verified when given
    QString serverFingerprint; // SHA-256 of a certificate the librarian confirmed by hand
    int busyTimeoutMs = 0;
    bool readUncommitted = false;
    bool sharedCache = false;
    // For reading only: a file is never created or written, a server session refuses changes.
    bool readOnly = false;
};

// How a server session crosses the network: in clear, encrypted with a certificate nobody vouched
// for, or encrypted with one verified by an authority or confirmed by the librarian.
enum class TlsState { NotServer, Plain, Unverified, Verified };

// A scalar SQL function as the embedded engine calls it.
using SqlScalarFunction = void (*)(sqlite3_context *, int, sqlite3_value **);

// A server has the program's functions installed with its database; a call of one may instead be
// written inline, as before + argument + after, which spares the server a stored-function call
// for every row. Empty: the server's own function is called.
struct InlineCall {
    QByteArray before, after;
    bool isEmpty() const { return before.isEmpty(); }
};

// One statement of an engine. Rows are read one at a time; the cells of the current row stay
// valid until the next call of next(), reset() or the statement's end.
class EngineStatement {
public:
    virtual ~EngineStatement() = default;

    // Placeholders, 1-based; a name comes without its ":" and is empty for "?".
    virtual int parameterCount() = 0;
    virtual QString parameterName(int index) = 0;
    virtual void bind(int index, const QVariant &value) = 0;

    virtual void execute() = 0;
    virtual bool next() = 0; // moves to the next row of the executed statement; false past the last

    // The result's columns; known before execute().
    virtual int columnCount() = 0;
    virtual QString columnName(int column) = 0;
    virtual QString declaredType(int column) = 0;

    // The cells of the current row, all columns at once.
    virtual void readRow(CellView *cells) = 0;

    // Drops the rows and any lock they hold, keeping the statement and its bindings for another run.
    virtual void reset() = 0;
};

// A database engine behind the connection.
class Engine {
public:
    virtual ~Engine() = default;

    virtual QString providerName() const = 0;
    virtual void open(const ConnectionSettings &settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    virtual std::unique_ptr<EngineStatement> prepare(const QString &sql) = 0;
    // Every statement of the text; values go to the placeholders in order.
    virtual void run(const QString &sql, const QVariantList &params) = 0;
    virtual void addFunction(const QString &name, int argumentCount, SqlScalarFunction function,
                             const InlineCall &onServer) = 0;
    virtual qint64 lastInsertId() = 0;
    virtual int changes() = 0; // rows the last statement matched

    virtual QString serverVersion() = 0;
    virtual QString clientVersion() = 0;
    // The tables of the database, by name; with the views when asked.
    virtual QStringList tableNames(bool withViews) = 0;
    virtual QStringList viewNames() = 0;
    virtual QStringList databaseNames(const ConnectionSettings &settings) = 0;
    // A name as a statement needs it: bare when the engine takes it so, else quoted.
    virtual QByteArray sqlName(const QByteArray &name) = 0;
};

// The first column of every row of the statement, run here, as text.
QStringList firstColumnTexts(EngineStatement &statement);
// A name of letters, digits and "_" that does not begin with a digit: one no quotes are needed for
// unless it is a keyword.
bool isPlainSqlName(const QByteArray &name);

} // namespace data
