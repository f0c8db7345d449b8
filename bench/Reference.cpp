#include "Reference.h"

#include <cstring>
#include <stdexcept>

namespace bench::ref {

namespace {

[[noreturn]] void fail(sqlite3 *db)
{
    throw std::runtime_error(db ? sqlite3_errmsg(db) : "out of memory");
}

sqlite3_stmt *prepare(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
        fail(db);
    return st;
}

} // namespace

sqlite3 *openDatabase(const std::string &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close_v2(db);
        throw std::runtime_error(msg);
    }
    sqlite3_busy_timeout(db, 1500);
    return db;
}

Rows readRows(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *st = prepare(db, sql);
    const int columns = sqlite3_column_count(st);
    Rows rows;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::vector<Value> row;
        row.reserve(std::size_t(columns));
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                row.emplace_back(std::int64_t(sqlite3_column_int64(st, c)));
                break;
            case SQLITE_FLOAT:
                row.emplace_back(sqlite3_column_double(st, c));
                break;
            case SQLITE_TEXT: {
                const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st, c));
                row.emplace_back(std::string(p, std::size_t(sqlite3_column_bytes(st, c))));
                break;
            }
            case SQLITE_BLOB: {
                const auto *p = static_cast<const char *>(sqlite3_column_blob(st, c));
                const auto n = std::size_t(sqlite3_column_bytes(st, c));
                row.emplace_back(n ? std::string(p, n) : std::string());
                break;
            }
            default:
                row.emplace_back(std::monostate{});
                break;
            }
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        fail(db);
    return rows;
}

int columnIndex(sqlite3 *db, const char *sql, const char *name)
{
    sqlite3_stmt *st = prepare(db, sql);
    int found = -1;
    for (int c = 0; c < sqlite3_column_count(st) && found < 0; ++c)
        if (std::strcmp(sqlite3_column_name(st, c), name) == 0)
            found = c;
    sqlite3_finalize(st);
    return found;
}

std::int64_t scalar(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *st = prepare(db, sql);
    std::int64_t v = 0;
    if (sqlite3_step(st) == SQLITE_ROW)
        v = sqlite3_column_int64(st, 0);
    sqlite3_finalize(st);
    return v;
}

} // namespace bench::ref
