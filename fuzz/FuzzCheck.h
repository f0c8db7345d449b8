#pragma once

// What every fuzz target shares: a failed check prints what was expected and aborts, so that
// libFuzzer keeps the input as a crash to be replayed.
#include "MyLower.h"

#include <QString>
#include <cstdio>
#include <fuzzer/FuzzedDataProvider.h>
#include <cstdlib>
#include <sqlite3.h>

namespace fuzzcheck {

[[noreturn]] inline void fail(const char *what, const QString &detail)
{
    std::fprintf(stderr, "CHECK FAILED: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

inline void check(bool ok, const char *what, const QString &detail = QString())
{
    if (!ok)
        fail(what, detail);
}

// Up to `most` bytes of the input taken as UTF-8 text (invalid bytes become replacement characters).
inline QString consumeText(FuzzedDataProvider &in, std::size_t most)
{
    const std::string bytes = in.ConsumeRandomLengthString(most);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Text shown with its control characters escaped, so a failing input can be read and copied.
inline QString shown(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.isSurrogate())
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return u'"' + out + u'"';
}

// An in-memory database made by the script, with my_lower as the program registers it.
inline sqlite3 *memoryDatabase(const char *script)
{
    sqlite3 *db = nullptr;
    check(sqlite3_open(":memory:", &db) == SQLITE_OK, "an in-memory database opens");
    sqlite3_create_function(db, "my_lower", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, store::myLowerSqlFunction,
                            nullptr, nullptr);
    check(sqlite3_exec(db, script, nullptr, nullptr, nullptr) == SQLITE_OK, "the database script runs",
          QString::fromUtf8(script));
    return db;
}

} // namespace fuzzcheck
