#pragma once

// The yardstick of the desk's figures: the statements a desk action needs, with their values
// written in, run through each engine's own client library with nothing of ours in between.
#include <QString>
#include <QStringList>
#include <memory>

namespace bench::desk {

class RawEngine {
public:
    virtual ~RawEngine() = default;
    // Runs one statement and reads every value of its rows; returns how many values were read.
    virtual long long run(const QString &sql) = 0;
    long long runAll(const QStringList &statements);

    virtual QString begin() const = 0;
    virtual QString lockClause() const = 0; // what locks the rows read until the end of the transaction
    virtual QString lastInsertId() const = 0;
};

// The catalogue file, opened as the store opens it.
std::unique_ptr<RawEngine> rawSqlite(const QString &file);
// A database on a MariaDB server: "host:port".
std::unique_ptr<RawEngine> rawMaria(const QString &address, const QString &user, const QString &password,
                                    const QString &database);

// A value as an SQL literal of both engines.
QString literal(const QString &text);

// What the desk reads and writes, by the store's own statements.
struct DeskStatements {
    const RawEngine &engine;
    QString readerColumns = QStringLiteral("id, card_number, full_name, category, department, phone, email, address,"
                                           " registered_on, valid_until, blocked, block_reason, note");

    QStringList readersOpen() const;
    QStringList readersSearch(const QString &typed) const;
    QStringList scanReader(const QString &card, const QString &name) const;
    QStringList lend(qint64 bookId, qint64 readerId, const QString &name, const QString &today, const QString &due) const;
    QStringList giveBack(qint64 bookId, qint64 orderId, const QString &today) const;
};

} // namespace bench::desk
