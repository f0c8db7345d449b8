#pragma once

#include <QString>
#include <sqlite3.h>

// Just enough of the SQLite C interface for a bulk write; every failure becomes a std::runtime_error.
namespace demo {

class Database {
public:
    // Creates the file (or opens it if it exists: the caller checks beforehand).
    explicit Database(const QString &path);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Runs every statement of the text.
    void exec(const QString &sql);
    // Closes the connection, reporting a failure to do so; the destructor closes silently.
    void close();

    sqlite3 *handle() const { return db_; }
    const QString &path() const { return path_; }
    [[noreturn]] void fail(const QString &doing) const;

private:
    QString path_;
    sqlite3 *db_ = nullptr;
};

// A prepared statement run many times over with new values.
class Statement {
public:
    Statement(Database &db, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    void bindText(int index, const QString &text); // always text: a null QString gives ''
    void bindTextOrNull(int index, const QString &text); // a null QString gives NULL
    void bindInt(int index, qint64 value);
    void bindReal(int index, double value);
    void bindNull(int index);
    // Executes with the values bound, then clears them for the next row.
    void run();
    // Steps once; true while a row is there to read.
    bool nextRow();
    sqlite3_stmt *handle() const { return stmt_; }

private:
    void check(int rc) const;

    Database &db_;
    sqlite3_stmt *stmt_ = nullptr;
};

} // namespace demo
