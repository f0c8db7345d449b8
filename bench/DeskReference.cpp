#include "DeskReference.h"

#include "BenchUtil.h"

#include <mysql.h>
#include <sqlite3.h>
#include <stdexcept>

namespace bench::desk {

namespace {

class RawSqlite : public RawEngine {
public:
    explicit RawSqlite(const QString &file)
    {
        if (sqlite3_open_v2(file.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db_));
        sqlite3_busy_timeout(db_, 1500);
    }
    ~RawSqlite() override { sqlite3_close_v2(db_); }

    long long run(const QString &sql) override
    {
        sqlite3_stmt *st = nullptr;
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(db_, text.constData(), int(text.size()), &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + ": " + text.toStdString());
        long long values = 0;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(st); ++c, ++values)
                keep(sqlite3_column_bytes(st, c));
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + ": " + text.toStdString());
        return values;
    }
    QString begin() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    QString lockClause() const override { return {}; }
    QString lastInsertId() const override { return QStringLiteral("last_insert_rowid()"); }

private:
    sqlite3 *db_ = nullptr;
};

class RawMaria : public RawEngine {
public:
    RawMaria(const QString &address, const QString &user, const QString &password, const QString &database)
        : db_(mysql_init(nullptr))
    {
        mysql_optionsv(db_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
        const QByteArray host = address.section(u':', 0, 0).toUtf8(), u = user.toUtf8(), p = password.toUtf8(),
                         d = database.toUtf8();
        if (!mysql_real_connect(db_, host.constData(), u.constData(), p.constData(), d.constData(),
                                address.section(u':', 1).toUInt(), nullptr, 0))
            throw std::runtime_error(mysql_error(db_));
        // The quoting the store's sessions use, so that the same texts mean the same.
        run(QStringLiteral("SET SESSION sql_mode = 'ANSI_QUOTES,PIPES_AS_CONCAT,NO_BACKSLASH_ESCAPES'"));
    }
    ~RawMaria() override { mysql_close(db_); }

    long long run(const QString &sql) override
    {
        const QByteArray text = sql.toUtf8();
        if (mysql_real_query(db_, text.constData(), text.size()) != 0)
            throw std::runtime_error(std::string(mysql_error(db_)) + ": " + text.toStdString());
        MYSQL_RES *res = mysql_store_result(db_);
        if (!res)
            return 0;
        long long values = 0;
        const unsigned n = mysql_num_fields(res);
        while (MYSQL_ROW row = mysql_fetch_row(res)) {
            const unsigned long *lengths = mysql_fetch_lengths(res);
            for (unsigned c = 0; c < n; ++c, ++values)
                keep((long long)(row[c] ? lengths[c] : 0));
        }
        mysql_free_result(res);
        return values;
    }
    QString begin() const override { return QStringLiteral("START TRANSACTION"); }
    QString lockClause() const override { return QStringLiteral(" FOR UPDATE"); }
    QString lastInsertId() const override { return QStringLiteral("LAST_INSERT_ID()"); }

private:
    MYSQL *db_;
};

} // namespace

long long RawEngine::runAll(const QStringList &statements)
{
    long long values = 0;
    for (const QString &sql : statements)
        values += run(sql);
    return values;
}

std::unique_ptr<RawEngine> rawSqlite(const QString &file) { return std::make_unique<RawSqlite>(file); }

std::unique_ptr<RawEngine> rawMaria(const QString &address, const QString &user, const QString &password,
                                    const QString &database)
{
    return std::make_unique<RawMaria>(address, user, password, database);
}

QString literal(const QString &text) { return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\''; }

QStringList DeskStatements::readersOpen() const
{
    return {QStringLiteral("SELECT ") + readerColumns + QStringLiteral(" FROM readers ORDER BY name_key")};
}

QStringList DeskStatements::readersSearch(const QString &typed) const
{
    const QString pattern = literal(u'%' + typed.toLower() + u'%');
    return {QStringLiteral("SELECT ") + readerColumns +
            QStringLiteral(" FROM readers WHERE name_key LIKE %1 OR LOWER(card_number) LIKE %1 OR phone LIKE %1 OR"
                           " LOWER(email) LIKE %1 ORDER BY name_key").arg(pattern)};
}

QStringList DeskStatements::scanReader(const QString &card, const QString &name) const
{
    return {QStringLiteral("SELECT ") + readerColumns + QStringLiteral(" FROM readers WHERE card_number = ") + literal(card),
            QStringLiteral("SELECT o.id, o.book_id, b.liter, b.inv_num, b.title, b.author, o.date_out, o.date_in, o.status,"
                           " (SELECT x.due_date FROM loan_terms x WHERE x.order_id = o.id AND x.book_id = o.book_id AND"
                           " x.date_out = o.date_out ORDER BY x.seq DESC LIMIT 1) FROM orders o LEFT JOIN books b ON"
                           " b.id = o.book_id WHERE o.loaner = ") + literal(name) + QStringLiteral(" AND o.date_in IS NULL")};
}

QStringList DeskStatements::lend(qint64 bookId, qint64 readerId, const QString &name, const QString &today,
                                 const QString &due) const
{
    const QString book = QString::number(bookId);
    return {engine.begin(),
            QStringLiteral("SELECT id FROM books WHERE id = ") + book + engine.lockClause(),
            QStringLiteral("SELECT id, loaner, date_out, status FROM orders WHERE book_id = ") + book +
                QStringLiteral(" AND date_in IS NULL ORDER BY id") + engine.lockClause(),
            QStringLiteral("SELECT ") + readerColumns + QStringLiteral(" FROM readers WHERE id = ") + QString::number(readerId),
            QStringLiteral("SELECT COUNT(*) FROM orders WHERE loaner = ") + literal(name) + QStringLiteral(" AND date_in IS NULL"),
            QStringLiteral("INSERT INTO orders (book_id, loaner, date_out, status) VALUES (%1, %2, %3, 0)")
                .arg(book, literal(name), literal(today)),
            QStringLiteral("INSERT INTO loan_terms (order_id, seq, book_id, date_out, due_date, extended_on) VALUES"
                           " (%1, 0, %2, %3, %4, %3)").arg(engine.lastInsertId(), book, literal(today), literal(due)),
            QStringLiteral("UPDATE books SET onloan = 1, loaner = %1, date_out = %2 WHERE id = %3")
                .arg(literal(name), literal(today), book),
            QStringLiteral("COMMIT")};
}

QStringList DeskStatements::giveBack(qint64 bookId, qint64 orderId, const QString &today) const
{
    const QString book = QString::number(bookId);
    return {engine.begin(),
            QStringLiteral("SELECT id FROM books WHERE id = ") + book + engine.lockClause(),
            QStringLiteral("SELECT id, loaner, date_out, status FROM orders WHERE book_id = ") + book +
                QStringLiteral(" AND date_in IS NULL ORDER BY id") + engine.lockClause(),
            QStringLiteral("UPDATE orders SET date_in = %1 WHERE id = %2").arg(literal(today)).arg(orderId),
            QStringLiteral("SELECT loaner, date_out FROM orders WHERE book_id = ") + book +
                QStringLiteral(" AND date_in IS NULL ORDER BY id LIMIT 1"),
            QStringLiteral("UPDATE books SET onloan = 0, loaner = '', date_out = NULL WHERE id = ") + book,
            QStringLiteral("COMMIT")};
}

} // namespace bench::desk
