#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace bench {

// A program folder whose library.sdb is the catalogue, in edit mode with no login, and whose
// backup folder cannot be made, so that ending a run copies nothing.
struct ProgramFolder {
    QTemporaryDir dir;
    explicit ProgramFolder(const QString &catalogue)
    {
        QFile::link(catalogue, dir.filePath(QStringLiteral("library.sdb")));
        QFile ini(dir.filePath(QStringLiteral("library.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[General]\r\nAutoAdminLogon=1\r\nBackupPath=/nonexistent/backup\r\n");
    }
    QString programFile() const { return dir.filePath(QStringLiteral("library")); }
};

// Takes "--rounds N" off the front of the arguments; the default when it is not there.
inline int takeRounds(QStringList &args, int fallback)
{
    if (args.size() >= 2 && args[0] == u"--rounds") {
        const int rounds = args[1].toInt();
        args = args.mid(2);
        return rounds;
    }
    return fallback;
}

} // namespace bench
