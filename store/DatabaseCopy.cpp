#include "DatabaseCopy.h"

#include "data/Connection.h"
#include "data/script/ScriptDump.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

namespace store {

namespace {
bool writeServerScript(data::Connection &connection, const QString &folder)
{
    try {
        data::ScriptDump(&connection).BackupToScript(folder + QStringLiteral("/library.sql"));
        return true;
    } catch (const std::exception &) {
        return false;
    }
}
} // namespace

bool copyDatabaseTo(data::Connection &connection, const QString &folder)
{
    if (!connection.isOpen() || folder.isEmpty())
        return false;
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkdir(folder))
        return false;
    if (connection.isServer())
        return writeServerScript(connection, folder);
    const QString target = folder + QStringLiteral("/library.sdb");
    const QString temp = target + QStringLiteral(".part");
    QFile::remove(temp);
    sqlite3 *dst = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(temp).constData(), &dst,
                              SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_busy_timeout(dst, connection.busyTimeout());
        sqlite3_backup *backup = sqlite3_backup_init(dst, "main", connection.handle(), "main");
        ok = backup != nullptr;
        if (backup) {
            int rc;
            // Small steps, sitting out another copy's brief lock, but for no longer than the busy
            // timeout: a lock held for good must not keep the program from ending.
            QElapsedTimer blocked;
            while ((rc = sqlite3_backup_step(backup, 256)) == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
                if (rc == SQLITE_OK) {
                    blocked.invalidate();
                    continue;
                }
                if (!blocked.isValid())
                    blocked.start();
                else if (blocked.elapsed() >= connection.busyTimeout())
                    break;
                sqlite3_sleep(50);
            }
            ok = rc == SQLITE_DONE;
            ok = sqlite3_backup_finish(backup) == SQLITE_OK && ok;
        }
    }
    ok = sqlite3_close(dst) == SQLITE_OK && ok;
    if (ok)
        ok = std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) == 0;
    if (!ok)
        QFile::remove(temp);
    return ok;
}

} // namespace store
