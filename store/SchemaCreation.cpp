#include "SchemaCreation.h"

#include "data/Connection.h"
#include "data/DataError.h"

#include <QFile>

namespace store {

static QString resourceText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw data::DataError(QStringLiteral("Не найден сценарий создания базы данных: %1").arg(path));
    return QString::fromUtf8(f.readAll());
}

bool ensureCatalogueSchema(data::Connection &connection)
{
    static const QStringList catalogueTables = {QStringLiteral("books"), QStringLiteral("orders"),
                                                QStringLiteral("categories"), QStringLiteral("keywords"),
                                                QStringLiteral("v_itemkind"), QStringLiteral("settings")};
    const QStringList existing = connection.tableNames();
    for (const QString &t : existing)
        if (catalogueTables.contains(t, Qt::CaseInsensitive))
            return false;
    // All or nothing: a half-made schema would be taken for an existing database next time.
    connection.runStatement(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        connection.runStatement(resourceText(QStringLiteral(":/store/schema.sql")));
        connection.runStatement(resourceText(QStringLiteral(":/store/initial_content.sql")));
        connection.runStatement(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            connection.runStatement(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
        throw;
    }
    return true;
}

void ensureIsbnIndex(data::Connection &connection)
{
    // The server indexes the beginning of a long text only; every ISBN fits in it.
    connection.runStatement(connection.isServer() ? QStringLiteral("CREATE INDEX IF NOT EXISTS books_isbn ON books (isbn(32))")
                                                  : QStringLiteral("CREATE INDEX IF NOT EXISTS books_isbn ON books (isbn)"));
}

} // namespace store
