#include "ServerDatabase.h"

#include "ProcessValues.h"

#include <QDir>
#include <QFileInfo>

namespace setup {

namespace {
const QString ScriptName = QStringLiteral("install_db.sql");
}

QString quotedDatabaseName(const QString &name)
{
    QString quoted = name;
    quoted.replace(u'`', QStringLiteral("``"));
    return u'`' + quoted + u'`';
}

QString createDatabaseStatement(const QString &name)
{
    return QStringLiteral("CREATE DATABASE IF NOT EXISTS ") + quotedDatabaseName(name) + u';';
}

QString useDatabaseStatement(const QString &name) { return QStringLiteral("USE ") + quotedDatabaseName(name) + u';'; }

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
                          "ни в текущей папке (%3)")
        .arg(ScriptName, QDir::toNativeSeparators(store::process().AppDir),
             QDir::toNativeSeparators(QDir::currentPath()));
}

} // namespace setup
