// The rubrics of the catalogue: adding, renaming and deleting them.
#include "DBModUnit.h"

namespace store {

qint64 TDBMod::AddCategory(const QString &title, qint64 parent)
{
    // The tree leaves MyCats narrowed to the level it loaded last; the parent may be elsewhere.
    MyCats.setFilter(QString());
    MyCats.open();
    if (MyCats.moveToValue(QStringLiteral("id"), parent)) {
        MyCats.edit();
        MyCats.fieldByName(QStringLiteral("has_children")).setValue(1);
        MyCats.post();
    }
    MyCats.append();
    MyCats.fieldByName(QStringLiteral("title")).setValue(title);
    MyCats.fieldByName(QStringLiteral("parent")).setValue(parent);
    MyCats.fieldByName(QStringLiteral("has_children")).setValue(0);
    MyCats.post();
    return MyCats.fieldByName(QStringLiteral("id")).asInteger();
}

bool TDBMod::RenameCategory(qint64 id, const QString &title)
{
    MyServer.runStatement(QStringLiteral("UPDATE categories SET title = ? WHERE id = ?"), {title, id});
    return true;
}

void TDBMod::DeleteCategory(qint64 id)
{
    // UNION, not UNION ALL: a parent chain that loops back on itself still ends.
    // The query sits inside the DELETE so that a server, which takes no WITH before DELETE, runs it too.
    MyServer.runStatement(QStringLiteral("DELETE FROM categories WHERE id IN (WITH RECURSIVE doomed(id) AS (SELECT ? UNION "
                                         "SELECT c.id FROM categories c JOIN doomed d ON c.parent = d.id) "
                                         "SELECT id FROM doomed)"),
                          {id});
}

} // namespace store
