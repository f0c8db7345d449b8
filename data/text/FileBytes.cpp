#include "data/text/FileBytes.h"

#include "data/DataError.h"

#include <QFile>

namespace data {

QByteArray readWholeFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw DataError(QStringLiteral("Не удается открыть файл «%1»: %2").arg(fileName, file.errorString()));
    return file.readAll();
}

} // namespace data
