#include "ServerDatabase.h"

#include "ProcessValues.h"
#include "data/engines/ServerSql.h"

#include <QDir>
#include <QFileInfo>

namespace setup {

namespace {
const QString ScriptName = QStringLiteral("install_db.sql");
QString quotedName(const QString &name) { return QString::fromUtf8(data::quotedServerName(name)); }
} // namespace

QString createDatabaseStatement(const QString &name)
{
    return QStringLiteral("CREATE DATABASE IF NOT EXISTS ") + quotedName(name) +
           QStringLiteral(" CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin;");
}

QString useDatabaseStatement(const QString &name) { return QStringLiteral("USE ") + quotedName(name) + u';'; }

QString installScriptFile()
{
    for (const QString &candidate : {store::process().AppDir + ScriptName, QDir::current().filePath(ScriptName)})
        if (QFileInfo(candidate).isFile())
            return candidate;
    return {};
}

QString missingInstallScriptMessage()
{
    return QStringLiteral("Не найден сценарий создания базы данных %1: его нет ни в папке программы (%2), "
                          "ни в текущей папке (%3).")
        .arg(ScriptName, QDir::toNativeSeparators(store::process().AppDir),
             QDir::toNativeSeparators(QDir::currentPath()));
}

} // namespace setup
