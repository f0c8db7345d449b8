#include "data/dataset/FieldDef.h"

namespace data {

FieldType fieldTypeFromDeclared(const QString &declared)
{
    const QString t = declared.toUpper();
    if (t.isEmpty())
        return FieldType::Unknown;
    if (t.contains(u"DATETIME") || t.contains(u"TIMESTAMP"))
        return FieldType::DateTime;
    if (t.contains(u"DATE"))
        return FieldType::Date;
    if (t.contains(u"INT"))
        return FieldType::Integer;
    if (t.contains(u"CHAR") || t.contains(u"TEXT") || t.contains(u"CLOB"))
        return FieldType::String;
    if (t.contains(u"BLOB"))
        return FieldType::Blob;
    if (t.contains(u"REAL") || t.contains(u"FLOA") || t.contains(u"DOUB") || t.contains(u"NUMERIC") || t.contains(u"DECIMAL"))
        return FieldType::Float;
    return FieldType::Unknown;
}

} // namespace data
