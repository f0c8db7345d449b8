#include "data/script/ScriptDump.h"

#include "data/Connection.h"
#include "data/DataError.h"
#include "data/text/Cp1251.h"

#include <QDateTime>
#include <QLocale>
#include <QSaveFile>
#include <QStringList>
#include <charconv>
#include <cmath>
#include <string>

namespace data {

namespace {

void appendValue(std::string &out, const CellView &v, bool server)
{
    static const char hex[] = "0123456789ABCDEF";
    switch (v.type) {
    case CellType::Null: out += "NULL"; break;
    case CellType::Integer: {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, v.integer).ptr;
        out.append(digits, end);
        break;
    }
    case CellType::Float: out += scriptReal(v.real).toStdString(); break;
    case CellType::Text: appendScriptText(out, v.bytes.data(), int(v.bytes.size()), server); break;
    case CellType::Blob:
        out += "X'";
        for (unsigned char b : v.bytes) {
            out += hex[b >> 4];
            out += hex[b & 15];
        }
        out += '\'';
        break;
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
    // SQLite reads a literal too large for a double as an infinity, and stores a NaN as NULL.
    if (std::isnan(value))
        return QByteArrayLiteral("NULL");
    if (std::isinf(value))
        return value > 0 ? QByteArrayLiteral("9e999") : QByteArrayLiteral("-9e999");
    // to_chars, unlike printf, never takes the decimal comma of a Russian desktop.
    char buffer[40];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
    // Fifteen digits are the usual form; a value they do not give back exactly (a third, say) is
    // written in the shortest form that does, up to seventeen digits, so that a restore loses no bit.
    double back = 0;
    std::from_chars(buffer, end, back);
    if (back != value)
        end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general).ptr;
    QByteArray text = QByteArray(buffer, end - buffer).toUpper();
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

void appendScriptText(std::string &out, const char *utf8, int size, bool server)
{
    const auto *s = reinterpret_cast<const unsigned char *>(utf8);
    const std::size_t start = out.size();
    out += '\'';
    bool concatenated = false; // some character went out as char(): the value is an expression
    bool inQuote = true;
    auto put = [&](int b) {
        if (!inQuote)
            out += server ? " USING utf32) USING utf8mb4)||'" : ")||'";
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
        out += inQuote ? (server ? "'||CONVERT(char(" : "'||char(") : ",";
        inQuote = false;
        out += std::to_string(quint32(c));
    }
    out += inQuote ? "'" : server ? " USING utf32) USING utf8mb4)" : ")";
    if (concatenated) {
        out.insert(start, 1, '(');
        out += ')';
    }
}

QByteArray ScriptDump::scriptHeader(const ScriptSource &source, const QString &dateTime)
{
    const QString text =
        QStringLiteral("-- %1 version: %2\r\n-- %3 server version: %4\r\n-- %3 client version: %5\r\n"
                       "-- Script date %6\r\n-- %7 \r\n-- Server: %8\r\n-- Database: %9\r\n\r\n")
            .arg(layerName(), layerVersion(), source.provider, source.serverVersion, source.clientVersion, dateTime,
                 QString(70, u'-'), source.server, source.database);
    return encodeCp1251Html(text);
}

ScriptSource ScriptDump::sourceOf(const Connection &conn)
{
    return {conn.providerName(), conn.engineVersion(), conn.clientVersion(), conn.serverName(), conn.database()};
}

namespace {

// A read-only transaction with a consistent snapshot, ended however the backup ends.
class SnapshotRead {
public:
    SnapshotRead(Connection &conn, bool on) : conn_(on ? &conn : nullptr)
    {
        if (!conn_)
            return;
        conn_->runStatement(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ"));
        conn_->runStatement(QStringLiteral("START TRANSACTION WITH CONSISTENT SNAPSHOT, READ ONLY"));
    }
    ~SnapshotRead()
    {
        if (!conn_)
            return;
        try {
            conn_->runStatement(QStringLiteral("ROLLBACK"));
        } catch (const DataError &) {
            // The session is gone, and the snapshot with it.
        }
    }
    void finish()
    {
        if (conn_)
            conn_->runStatement(QStringLiteral("COMMIT"));
        conn_ = nullptr;
    }
    SnapshotRead(const SnapshotRead &) = delete;
    SnapshotRead &operator=(const SnapshotRead &) = delete;

private:
    Connection *conn_;
};

} // namespace

void ScriptDump::BackupToScript(const QString &fileName, const Progress &progress)
{
    if (!conn_->isOpen())
        conn_->open();
    const QStringList tables = conn_->tableAndViewNames();
    const bool server = conn_->isServer();
    // On the server every table is read from one snapshot, so that a loan posted meanwhile from
    // another computer is in both its tables or in neither.
    SnapshotRead snapshot(*conn_, server);
    long long total = 0, done = 0;
    for (const QString &t : tables) {
        auto count = conn_->prepare(QString::fromUtf8("SELECT COUNT(*) FROM " + conn_->sqlName(t.toUtf8())));
        count->execute();
        CellView cell;
        if (count->next()) {
            count->readRow(&cell);
            total += cell.integer;
        }
    }

    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw DataError(QStringLiteral("Не удается создать файл «%1»: %2").arg(fileName, file.errorString()));
    const QLocale locale;
    const QDateTime now = QDateTime::currentDateTime();
    std::string out = scriptHeader(sourceOf(*conn_), locale.toString(now.date(), QLocale::ShortFormat) + u' ' +
                                                         locale.toString(now.time(), QLocale::LongFormat))
                          .toStdString();
    auto flush = [&] {
        if (file.write(out.data(), qint64(out.size())) != qint64(out.size()))
            throw DataError(QStringLiteral("Не удается записать файл «%1»: %2").arg(fileName, file.errorString()));
        out.clear();
    };
    std::vector<CellView> cells;
    for (const QString &t : tables) {
        const QByteArray name = conn_->sqlName(t.toUtf8());
        out += ("\r\nDELETE FROM " + name + ";\r\n").toStdString();
        const std::string insert = ("INSERT INTO " + name + " VALUES (").toStdString();
        auto rows = conn_->prepare(QString::fromUtf8("SELECT * FROM " + name));
        rows->execute();
        const int columns = rows->columnCount();
        cells.resize(std::size_t(columns));
        while (rows->next()) {
            rows->readRow(cells.data());
            out += insert;
            for (int c = 0; c < columns; ++c) {
                if (c > 0)
                    out += ", ";
                appendValue(out, cells[std::size_t(c)], server);
            }
            out += ");\r\n";
            if (out.size() > (1u << 20))
                flush();
            if (progress && ++done % 5000 == 0)
                progress(done, total);
        }
        rows->reset();
    }
    flush();
    snapshot.finish();
    if (!file.commit())
        throw DataError(QStringLiteral("Не удается записать файл «%1»: %2").arg(fileName, file.errorString()));
}

} // namespace data
