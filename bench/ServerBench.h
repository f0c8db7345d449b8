#pragma once

// What the server benchmarks share: the private server's address and account, our connection to
// the benchmark database on it, and the reference reads through the server's own client library.
#include "data/Connection.h"

#include <QByteArray>
#include <QString>
#include <mysql.h>

namespace bench {

inline const char *const ServerDatabase = "library_bench";

struct Server {
    QString address, user, password;
};

void configure(data::Connection &c, const Server &s, const QString &database);
// Our connection to the benchmark database, my_lower written inline as the data module does.
void openBenchDatabase(data::Connection &c, const Server &s);
// The statement through the client library, every value copied out; the rows.
long long plainRead(MYSQL *db, const QByteArray &sql);
MYSQL *plainConnection(const Server &s);

} // namespace bench
