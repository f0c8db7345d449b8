#pragma once

#include "Connection.h"

#include <QTemporaryDir>
#include <QString>

// A fresh database file in a temporary folder, with an open connection to it.
struct TempDb {
    QTemporaryDir dir;
    store::Connection conn;

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
