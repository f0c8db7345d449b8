#include "ServerBench.h"

#include "MyLower.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

void configure(data::Connection &c, const Server &s, const QString &database)
{
    c.setProviderName(QStringLiteral("MySQL"));
    c.setServerName(s.address);
    c.setUserName(s.user);
    c.setPassword(s.password);
    c.setDatabase(database);
    c.options() = {QStringLiteral("SQLite.BusyTimeout=1500")};
}

void openBenchDatabase(data::Connection &c, const Server &s)
{
    configure(c, s, QString::fromLatin1(ServerDatabase));
    c.open();
    c.addSqlFunction(QStringLiteral("my_lower"), 1, store::myLowerSqlFunction, store::MyLowerOnServer);
}

// The reference: the statement through the client library, every value copied out.
long long plainRead(MYSQL *db, const QByteArray &sql)
{
    if (mysql_real_query(db, sql.constData(), sql.size()) != 0)
        throw std::runtime_error(mysql_error(db));
    MYSQL_RES *res = mysql_store_result(db);
    if (!res)
        throw std::runtime_error(mysql_error(db));
    const unsigned n = mysql_num_fields(res);
    std::vector<std::string> copy;
    copy.reserve(mysql_num_rows(res) * n);
    while (MYSQL_ROW row = mysql_fetch_row(res)) {
        const unsigned long *lengths = mysql_fetch_lengths(res);
        for (unsigned c = 0; c < n; ++c)
            copy.emplace_back(row[c] ? row[c] : "", row[c] ? lengths[c] : 0);
    }
    mysql_free_result(res);
    return (long long)copy.size();
}

MYSQL *plainConnection(const Server &s)
{
    MYSQL *db = mysql_init(nullptr);
    mysql_optionsv(db, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    const QByteArray host = s.address.section(u':', 0, 0).toUtf8(), user = s.user.toUtf8(), pass = s.password.toUtf8();
    if (!mysql_real_connect(db, host.constData(), user.constData(), pass.constData(), ServerDatabase,
                            s.address.section(u':', 1).toUInt(), nullptr, 0))
        throw std::runtime_error(mysql_error(db));
    return db;
}

} // namespace bench
