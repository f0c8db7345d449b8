// Value lists and the small shared queries of the data module.
#include "DBModUnit.h"

namespace store {

QStringList TDBMod::DistinctValues(const QString &field, const QString &table, const QString &order, quint8 limit)
{
    data::Dataset query(&MyServer);
    QString sql = QStringLiteral("SELECT DISTINCT &field FROM &TABLENAME WHERE &field LIKE '_%' ORDER BY &order");
    if (limit > 0)
        sql += QStringLiteral("\n LIMIT ") + QString::number(limit);
    query.setSql(sql);
    query.macro(0).value = field;
    query.macro(1).value = table;
    query.macro(2).value = order;
    query.open();
    QStringList values;
    values.reserve(query.recordCount());
    for (query.first(); !query.eof(); query.next())
        values << query.field(0).asString();
    return values;
}

// The next inventory number of the current item kind. Numbers past 65535 go on counting rather
// than wrapping round to numbers that are already taken.
int TDBMod::NextInvNum()
{
    data::Dataset query(&MyServer);
    query.setSql(QStringLiteral("SELECT MAX(inv_num) FROM books WHERE itemkind_id = ") + QString::number(CurrentKind));
    query.open();
    const data::Field max = query.field(0);
    return max.isNull() ? 1 : int(max.asInteger() + 1);
}

void TDBMod::LoadItemKinds(QStringList &names, QStringList &ids)
{
    data::Dataset query(&MyServer);
    query.setSql(QStringLiteral("SELECT id, itemkind_name FROM v_itemkind"));
    query.open();
    for (query.first(); !query.eof(); query.next()) {
        ids << query.field(0).asString();
        names << query.field(1).asString();
    }
}

// The name is bound, not joined into the statement, so any text a user types is stored as typed.
void TDBMod::AddItemKind(const QString &name, int id)
{
    MyServer.runStatement(QStringLiteral("INSERT INTO v_itemkind (id, itemkind_name) VALUES (?, ?);"), {id, name});
}

int TDBMod::FreeItemKindId(int proposed)
{
    data::Dataset query(&MyServer);
    query.setSql(QStringLiteral("SELECT (SELECT COUNT(*) FROM v_itemkind WHERE id = :id), (SELECT MAX(id) FROM v_itemkind)"));
    query.paramByName(QStringLiteral("id")).value = proposed;
    query.open();
    if (query.field(0).asInteger() == 0)
        return proposed;
    return int(query.field(1).asInteger() + 1);
}

} // namespace store
