#pragma once

#include <QString>

namespace data {

// Kind of a field, decided by the column's declared type.
enum class FieldType { Integer, Float, String, Date, DateTime, Blob, Unknown };

struct FieldDef {
    QString name;
    QString declaredType;
    FieldType type = FieldType::Unknown;

    bool isTextual() const { return type == FieldType::String || type == FieldType::Date || type == FieldType::DateTime; }
    bool isNumeric() const { return type == FieldType::Integer || type == FieldType::Float; }
};

FieldType fieldTypeFromDeclared(const QString &declared);

} // namespace data
