#include "CatalogueReading.h"

#include "CatalogueSettings.h"
#include "IniFile.h"
#include "data/Connection.h"
#include "data/DataError.h"

#include <QFileInfo>

namespace store {

std::unique_ptr<data::Connection> openCatalogueForReading(const QString &iniPath)
{
    const QFileInfo ini(iniPath);
    if (!ini.isFile())
        throw data::DataError(QStringLiteral("Нет файла настроек %1").arg(iniPath));
    auto catalogue = std::make_unique<data::Connection>();
    const IniFile settings(ini.absoluteFilePath());
    applyCatalogueSettings(*catalogue, settings, ini.absolutePath());
    catalogue->options() << QStringLiteral("SQLite.ReadOnly=True");
    catalogue->open();
    if (!catalogue->tableNames().contains(QStringLiteral("books"), Qt::CaseInsensitive))
        throw data::DataError(QStringLiteral("В базе данных, которую называет %1, нет каталога").arg(iniPath));
    return catalogue;
}

} // namespace store
