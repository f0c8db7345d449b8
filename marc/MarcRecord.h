#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace marc {

struct Subfield {
    QChar code;
    QString value;
    bool operator==(const Subfield &) const = default;
};

// One field: a control field (001-009) holds data alone; a data field has two indicators
// and its subfields in the order the record gives them.
struct Field {
    QString tag;
    QChar ind1 = u' ', ind2 = u' ';
    QString data;
    std::vector<Subfield> subfields;

    // Some national formats give 001-009 subfields: those are data fields.
    bool isControl() const { return subfields.empty() && tag.startsWith(QLatin1String("00")); }
    // The values of the subfields with this code, in order.
    QStringList values(QChar code) const;
    bool operator==(const Field &) const = default;
};

// A record as the exchange formats hold it: the 24-character leader and the fields in order.
struct Record {
    QString leader;
    std::vector<Field> fields;

    const Field *first(const QString &tag) const;
    bool has(const QString &tag) const { return first(tag) != nullptr; }
    // Every value of tag$code across the record's fields, in order.
    QStringList values(const QString &tag, QChar code) const;
    Field &addField(const QString &tag, QChar ind1 = u' ', QChar ind2 = u' ');
    void addControl(const QString &tag, const QString &data);
    bool operator==(const Record &) const = default;
};

} // namespace marc
