#pragma once

#include <cstdint>
#include <sqlite3.h>
#include <string>
#include <variant>
#include <vector>

// The yardstick: the plain SQLite C API reading a result into standard containers, with no
// dataset layer in between.
namespace bench::ref {

using Value = std::variant<std::monostate, std::int64_t, double, std::string>;
using Rows = std::vector<std::vector<Value>>;

// Opens the file for reading and writing, as the store does; throws std::runtime_error.
sqlite3 *openDatabase(const std::string &path);

// Prepares, steps and copies every column of every row; throws std::runtime_error.
Rows readRows(sqlite3 *db, const char *sql);

// Position of a column of the statement's result, -1 when there is none.
int columnIndex(sqlite3 *db, const char *sql, const char *name);

// Scalar result of a query such as SELECT COUNT(*).
std::int64_t scalar(sqlite3 *db, const char *sql);

} // namespace bench::ref
