// A backup script and its restore: any text, stored in a table, written to a script and run
// into an empty copy of that table, comes back exactly as it was stored.
#include "FuzzCheck.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"
#include "data/script/ScriptDump.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

using fuzzcheck::check;
using fuzzcheck::shown;

namespace {

const char *const Schema = "CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT, r REAL);";

QString storedValue(data::Connection &conn)
{
    data::Dataset q(&conn);
    q.setSql(QStringLiteral("SELECT v FROM t"));
    q.open();
    return q.isEmpty() ? QStringLiteral("<no row>") : q.field(0).asString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString from = dir.filePath(QStringLiteral("from.sdb"));
    const QString to = dir.filePath(QStringLiteral("to.sdb"));
    const QString script = dir.filePath(QStringLiteral("backup.sql"));
    QFile::remove(from);
    QFile::remove(to);
    {
        data::Connection conn;
        conn.setDatabase(from);
        conn.open();
        conn.runStatement(QString::fromLatin1(Schema));
        conn.runStatement(QStringLiteral("INSERT INTO t (v, r) VALUES (?, ?)"), {text, double(size) / 7.0});
        data::ScriptDump(&conn).BackupToScript(script);
    }
    data::Connection conn;
    conn.setDatabase(to);
    conn.open();
    conn.runStatement(QString::fromLatin1(Schema));
    try {
        data::ScriptDump(&conn).RunScriptFile(script);
    } catch (const data::DataError &e) {
        check(false, "a script the program wrote runs", shown(text) + QStringLiteral(": ") + e.message());
    }
    const QString back = storedValue(conn);
    check(back == text, "the restored text is the stored one", shown(text) + QStringLiteral(" came back as ") + shown(back));
    return 0;
}
