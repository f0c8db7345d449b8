#include "ScriptDump.h"

#include "Connection.h"
#include "Cp1251.h"
#include "StoreError.h"

#include <QDateTime>
#include <QLocale>
#include <QSaveFile>
#include <QStringList>
#include <charconv>
#include <cstdio>
#include <string>

namespace store {

namespace {

// A name as the engine's syntax needs it: bare when it is a plain word, else between quotes.
QByteArray sqlName(const QByteArray &name)
{
    bool plain = !name.isEmpty() && !(name[0] >= '0' && name[0] <= '9');
    for (char c : name)
        plain = plain && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_');
    if (plain && !sqlite3_keyword_check(name.constData(), int(name.size())))
        return name;
    return '"' + QByteArray(name).replace("\"", "\"\"") + '"';
}

QByteArrayList tableNames(sqlite3 *db, const Connection &conn)
{
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name", -1,
                           &raw, nullptr) != SQLITE_OK)
        conn.raiseEngineError(sqlite3_errcode(db));
    StatementPtr stmt(raw);
    QByteArrayList names;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
        names << QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), 0)));
    if (rc != SQLITE_DONE)
        conn.raiseEngineError(rc);
    return names;
}

StatementPtr prepared(sqlite3 *db, const Connection &conn, const QByteArray &sql)
{
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK)
        conn.raiseEngineError(sqlite3_errcode(db));
    return StatementPtr(raw);
}

void appendValue(std::string &out, sqlite3_stmt *stmt, int column)
{
    static const char hex[] = "0123456789ABCDEF";
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL: out += "NULL"; break;
    case SQLITE_INTEGER: {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, sqlite3_column_int64(stmt, column)).ptr;
        out.append(digits, end);
        break;
    }
    case SQLITE_FLOAT: out += scriptReal(sqlite3_column_double(stmt, column)).toStdString(); break;
    case SQLITE_TEXT:
        appendScriptText(out, reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                         sqlite3_column_bytes(stmt, column));
        break;
    default: {
        const auto *bytes = static_cast<const unsigned char *>(sqlite3_column_blob(stmt, column));
        const int size = sqlite3_column_bytes(stmt, column);
        out += "X'";
        for (int i = 0; i < size; ++i) {
            out += hex[bytes[i] >> 4];
            out += hex[bytes[i] & 15];
        }
        out += '\'';
    }
    }
}

// Next code point of UTF-8 text; a byte that starts no valid sequence stands for itself.
char32_t nextCodePoint(const unsigned char *s, int size, int &i)
{
    const unsigned char b = s[i];
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (b < 0x80 || i + extra >= size) {
        ++i;
        return b;
    }
    char32_t c = b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k)
        c = (c << 6) | (s[i + k] & 0x3F);
    i += extra + 1;
    return c;
}

} // namespace

QByteArray scriptReal(double value)
{
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    QByteArray text(buffer);
    // "1E+20" and "1E-05" are written 1E20 and 1E-5.
    const qsizetype e = text.indexOf('E');
    if (e >= 0) {
        QByteArray exponent = text.mid(e + 1);
        const bool negative = exponent.startsWith('-');
        exponent.remove(0, exponent.startsWith('+') || negative ? 1 : 0);
        while (exponent.size() > 1 && exponent.startsWith('0'))
            exponent.remove(0, 1);
        text = text.left(e + 1) + (negative ? "-" : "") + exponent;
    }
    return text;
}

void appendScriptText(std::string &out, const char *utf8, int size)
{
    const auto *s = reinterpret_cast<const unsigned char *>(utf8);
    const std::size_t start = out.size();
    out += '\'';
    bool concatenated = false; // some character went out as char(): the value is an expression
    bool inQuote = true;
    auto put = [&](int b) {
        if (!inQuote)
            out += ")||'";
        inQuote = true;
        out += char(b);
        if (b == '\'')
            out += '\'';
    };
    for (int i = 0; i < size;) {
        const unsigned char b = s[i];
        // A NUL would end the statement for whoever reads the script: it goes out as char(0).
        if (b < 0x80 && b != 0) {
            put(b);
            ++i;
            continue;
        }
        // А to я, two bytes each: the bulk of every Russian text.
        if ((b == 0xD0 || b == 0xD1) && i + 1 < size) {
            const char32_t c = char32_t((b & 0x1F) << 6 | (s[i + 1] & 0x3F));
            if (c >= 0x410 && c <= 0x44F) {
                put(int(c - 0x410 + 0xC0));
                i += 2;
                continue;
            }
        }
        const char32_t c = nextCodePoint(s, size, i);
        if (const int mapped = cp1251Byte(c); mapped >= 0 && c != 0) {
            put(mapped);
            continue;
        }
        concatenated = true;
        out += inQuote ? "'||char(" : ",";
        inQuote = false;
        out += std::to_string(quint32(c));
    }
    out += inQuote ? "'" : ")";
    if (concatenated) {
        out.insert(start, 1, '(');
        out += ')';
    }
}

QByteArray ScriptDump::scriptHeader(const QString &engineVersion, const QString &dateTime, const QString &database)
{
    const QString text =
        QStringLiteral("-- %1 version: %2\r\n-- SQLite server version: %3\r\n-- SQLite client version: %3\r\n"
                       "-- Script date %4\r\n-- %5 \r\n-- Server: \r\n-- Database: %6\r\n\r\n")
            .arg(layerName(), layerVersion(), engineVersion, dateTime, QString(70, u'-'), database);
    return encodeCp1251Html(text);
}

void ScriptDump::BackupToScript(const QString &fileName, const Progress &progress)
{
    if (!conn_->isOpen())
        conn_->open();
    sqlite3 *db = conn_->handle();
    const QByteArrayList tables = tableNames(db, *conn_);
    long long total = 0, done = 0;
    for (const QByteArray &t : tables) {
        StatementPtr count = prepared(db, *conn_, "SELECT COUNT(*) FROM " + sqlName(t));
        if (sqlite3_step(count.get()) == SQLITE_ROW)
            total += sqlite3_column_int64(count.get(), 0);
    }

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw StoreError(QStringLiteral("Не удается создать файл «%1»: %2").arg(fileName, file.errorString()));
    const QLocale locale;
    const QDateTime now = QDateTime::currentDateTime();
    std::string out = scriptHeader(conn_->engineVersion(),
                                   locale.toString(now.date(), QLocale::ShortFormat) + u' ' +
                                       locale.toString(now.time(), QLocale::LongFormat),
                                   conn_->database())
                          .toStdString();
    auto flush = [&] {
        if (file.write(out.data(), qint64(out.size())) != qint64(out.size()))
            throw StoreError(QStringLiteral("Не удается записать файл «%1»: %2").arg(fileName, file.errorString()));
        out.clear();
    };
    for (const QByteArray &t : tables) {
        const QByteArray name = sqlName(t);
        out += ("\r\nDELETE FROM " + name + ";\r\n").toStdString();
        const std::string insert = ("INSERT INTO " + name + " VALUES (").toStdString();
        StatementPtr rows = prepared(db, *conn_, "SELECT * FROM " + name);
        const int columns = sqlite3_column_count(rows.get());
        int rc;
        while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
            out += insert;
            for (int c = 0; c < columns; ++c) {
                if (c > 0)
                    out += ", ";
                appendValue(out, rows.get(), c);
            }
            out += ");\r\n";
            if (out.size() > (1u << 20))
                flush();
            if (progress && ++done % 5000 == 0)
                progress(done, total);
        }
        if (rc != SQLITE_DONE)
            conn_->raiseEngineError(rc);
    }
    flush();
    if (!file.commit())
        throw StoreError(QStringLiteral("Не удается записать файл «%1»: %2").arg(fileName, file.errorString()));
}

} // namespace store
