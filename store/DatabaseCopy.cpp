#include "DatabaseCopy.h"

#include "data/Connection.h"
#include "data/script/ScriptDump.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace store {

namespace {

// library-yyyy-MM-dd-HHmmss, with a "-2" ... when two copies came in one second.
const QString DatedPattern = QStringLiteral("library-") + QString(4, u'?') + u'-' + QString(2, u'?') + u'-' +
                             QString(2, u'?') + u'-' + QString(6, u'?');

QString extensionFor(const data::Connection &connection)
{
    return connection.isServer() ? QStringLiteral(".sql") : QStringLiteral(".sdb");
}

QString stamp(const QDateTime &time) { return time.toString(QStringLiteral("yyyy-MM-dd-HHmmss")); }

// The embedded engine's online backup into `temp`, sitting out another copy's brief lock but for
// no longer than the busy timeout: a lock held for good must not keep the program from ending.
bool writeSqliteCopy(data::Connection &connection, const QString &temp)
{
    sqlite3 *dst = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(temp).constData(), &dst, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                              nullptr) == SQLITE_OK;
    if (ok) {
        sqlite3_busy_timeout(dst, connection.busyTimeout());
        sqlite3_backup *backup = sqlite3_backup_init(dst, "main", connection.handle(), "main");
        ok = backup != nullptr;
        if (backup) {
            int rc;
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
    return sqlite3_close(dst) == SQLITE_OK && ok;
}

// A file whose name is free in the folder: the name given, or with -2, -3 ... before the extension.
QString freeName(const QString &folder, const QString &base, const QString &extension)
{
    QString path = folder + u'/' + base + extension;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder + u'/' + base + u'-' + QString::number(n) + extension;
    return path;
}

// The newest copy is kept under a dated name before it is replaced: a hard link, so that the
// newest name never stands empty; a copy where the file system has no links.
bool keepDated(const QString &newest, const QString &folder, const QString &extension)
{
    if (!QFileInfo::exists(newest))
        return true;
    const QString dated =
        freeName(folder, QStringLiteral("library-") + stamp(QFileInfo(newest).lastModified()), extension);
    return ::link(QFile::encodeName(newest).constData(), QFile::encodeName(dated).constData()) == 0 ||
           QFile::copy(newest, dated);
}

// Oldest first: by the time in the name, then by the number a later copy of the same second got
// ("-2" sorts before "." by name, which would put the newer copy first).
bool olderCopy(const QString &a, const QString &b)
{
    constexpr int StampEnd = 25; // "library-yyyy-MM-dd-HHmmss"
    const int byTime = QStringView(a).left(StampEnd).compare(QStringView(b).left(StampEnd));
    if (byTime != 0)
        return byTime < 0;
    auto number = [](const QString &name) {
        const QStringView rest = QStringView(name).mid(StampEnd);
        return rest.startsWith(u'-') ? rest.mid(1, rest.indexOf(u'.') - 1).toInt() : 1;
    };
    return number(a) < number(b);
}

void removeOldestDated(const QString &folder, const QString &extension, int keep)
{
    QStringList dated = QDir(folder).entryList(
        {DatedPattern + extension, DatedPattern + QStringLiteral("-*") + extension}, QDir::Files, QDir::Name);
    std::sort(dated.begin(), dated.end(), olderCopy);
    while (dated.size() > std::max(keep, 0))
        QFile::remove(folder + u'/' + dated.takeFirst());
}

bool folderReady(const QString &folder)
{
    return !folder.isEmpty() && (QDir(folder).exists() || QDir().mkdir(folder));
}

// The whole copy written into `temp`; false, with no file left, when it could not be.
bool writeTemporaryCopy(data::Connection &connection, const QString &temp)
{
    QFile::remove(temp);
    bool ok = connection.isOpen();
    if (ok && connection.isServer()) {
        try {
            data::ScriptDump(&connection).BackupToScript(temp);
        } catch (const std::exception &) {
            ok = false;
        }
    } else if (ok) {
        ok = writeSqliteCopy(connection, temp);
    }
    if (!ok) {
        // A copy that failed half-way (a full disk) may leave the engine's journal beside it too.
        QFile::remove(temp);
        QFile::remove(temp + QStringLiteral("-journal"));
    }
    return ok;
}

bool renamed(const QString &from, const QString &to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    QFile::remove(from);
    return false;
}

} // namespace

bool copyDatabaseTo(data::Connection &connection, const QString &target)
{
    const QString temp = target + QStringLiteral(".part");
    return writeTemporaryCopy(connection, temp) && renamed(temp, target);
}

ExitCopy writeExitCopy(data::Connection &connection, const QString &folder, const QStringList &catalogueTables, int keep)
{
    if (!connection.isOpen())
        return ExitCopy::NotDue;
    try {
        const QStringList present = connection.tableNames();
        for (const QString &table : catalogueTables)
            if (!present.contains(table))
                return ExitCopy::NotDue;
    } catch (const std::exception &) {
        return ExitCopy::Failed;
    }
    if (!folderReady(folder))
        return ExitCopy::Failed;
    const QString extension = extensionFor(connection);
    const QString newest = folder + QStringLiteral("/library") + extension;
    // The new copy is complete before anything earlier is touched.
    const QString temp = newest + QStringLiteral(".part");
    if (!writeTemporaryCopy(connection, temp))
        return ExitCopy::Failed;
    if (!keepDated(newest, folder, extension)) {
        QFile::remove(temp);
        return ExitCopy::Failed;
    }
    if (!renamed(temp, newest))
        return ExitCopy::Failed;
    removeOldestDated(folder, extension, keep);
    return ExitCopy::Written;
}

QString writeCopyBeforeRestore(data::Connection &connection, const QString &folder)
{
    if (!folderReady(folder))
        return {};
    const QString target = freeName(folder,
                                    QStringLiteral("library-before-restore-") + stamp(QDateTime::currentDateTime()),
                                    extensionFor(connection));
    return copyDatabaseTo(connection, target) ? target : QString();
}

} // namespace store
