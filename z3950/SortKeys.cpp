#include "SortKeys.h"

#include "Bib1Error.h"

#include <QStringList>
#include <yaz/diagbib1.h>

namespace z3950 {

namespace {

struct SortColumn {
    int use;
    const char *names; // the field names that sort by it, blank-separated
    const char *expression;
};

constexpr SortColumn SortColumns[] = {
    {4, "title dc.title", "my_lower(title)"},
    {1003, "author creator dc.creator dc.author", "my_lower(author)"},
    {1, "", "my_lower(author)"},
    {31, "date year dc.date", "year_p"},
    {30, "", "year_p"},
};

const char *columnByUse(int use)
{
    for (const SortColumn &c : SortColumns)
        if (c.use == use)
            return c.expression;
    throw Bib1Error(YAZ_BIB1_CANNOT_SORT_ACCORDING_TO_SEQUENCE, QString::number(use));
}

const char *columnByName(const QString &name)
{
    for (const SortColumn &c : SortColumns)
        if (QString::fromLatin1(c.names).split(u' ', Qt::SkipEmptyParts).contains(name, Qt::CaseInsensitive))
            return c.expression;
    throw Bib1Error(YAZ_BIB1_CANNOT_SORT_ACCORDING_TO_SEQUENCE, name.left(60));
}

const char *columnOf(const Z_SortKey &key)
{
    if (key.which == Z_SortKey_sortField && key.u.sortField)
        return columnByName(QString::fromUtf8(key.u.sortField));
    if (key.which != Z_SortKey_sortAttributes || !key.u.sortAttributes || !key.u.sortAttributes->list)
        throw Bib1Error(YAZ_BIB1_CANNOT_SORT_ACCORDING_TO_SEQUENCE);
    const Z_AttributeList &list = *key.u.sortAttributes->list;
    for (int i = 0; i < list.num_attributes; ++i) {
        const Z_AttributeElement *e = list.attributes[i];
        if (e && e->attributeType && *e->attributeType == 1 && e->which == Z_AttributeValue_numeric && e->value.numeric)
            return columnByUse(int(std::min<Odr_int>(*e->value.numeric, 100000)));
    }
    throw Bib1Error(YAZ_BIB1_CANNOT_SORT_ACCORDING_TO_SEQUENCE);
}

void checkCount(qsizetype keys)
{
    if (keys > MaxSortKeys)
        throw Bib1Error(YAZ_BIB1_TOO_MANY_SORT_KEYS, QString::number(keys));
}

// Rows the keys leave level keep the order they were added in.
QString joined(const QStringList &keys) { return (keys + QStringList{QStringLiteral("id")}).join(QStringLiteral(", ")); }

} // namespace

QString sortOrder(const Z_SortKeySpecList &keys)
{
    checkCount(keys.num_specs);
    QStringList order;
    for (int i = 0; i < keys.num_specs; ++i) {
        const Z_SortKeySpec *key = keys.specs[i];
        if (!key || !key->sortElement || key->sortElement->which != Z_SortElement_generic || !key->sortElement->u.generic)
            throw Bib1Error(YAZ_BIB1_CANNOT_SORT_ACCORDING_TO_SEQUENCE);
        const Odr_int relation = key->sortRelation ? *key->sortRelation : Z_SortKeySpec_ascending;
        if (relation != Z_SortKeySpec_ascending && relation != Z_SortKeySpec_descending)
            throw Bib1Error(YAZ_BIB1_ILLEGAL_SORT_RELATION, QString::number(relation));
        order << QString::fromLatin1(columnOf(*key->sortElement->u.generic)) +
                     (relation == Z_SortKeySpec_descending ? QStringLiteral(" DESC") : QString());
    }
    return joined(order);
}

QString sruSortOrder(const QString &keys)
{
    if (keys.trimmed().isEmpty())
        return QString::fromLatin1(CatalogueOrder);
    const QStringList given = keys.split(u' ', Qt::SkipEmptyParts);
    checkCount(given.size());
    QStringList order;
    for (const QString &key : given) {
        const QStringList parts = key.split(u',');
        const bool descending = parts.value(2) == u"0";
        order << QString::fromLatin1(columnByName(parts.value(0))) + (descending ? QStringLiteral(" DESC") : QString());
    }
    return joined(order);
}

} // namespace z3950
