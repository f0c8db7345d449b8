#pragma once

#include "data/Connection.h"
#include "data/DataError.h"

#include <QTemporaryDir>
#include <QString>

// A fresh database file in a temporary folder, with an open connection to it.
struct TempDb {
    QTemporaryDir dir;
    data::Connection conn;

    explicit TempDb(const QString &script = {})
    {
        conn.setDatabase(path());
        conn.options() = {QStringLiteral("SQLite.BusyTimeout=1500"), QStringLiteral("SQLite.ReadUncommitted=True")};
        conn.open();
        if (!script.isEmpty())
            conn.runStatement(script);
    }
    QString path() const { return dir.filePath(QStringLiteral("library.sdb")); }
};

// The message of the store error an action raises, or "<no error>".
template <typename F>
QString errorOf(F &&action)
{
    try {
        action();
    } catch (const data::DataError &e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}
