#include "MarcRecord.h"

namespace marc {

QStringList Field::values(QChar code) const
{
    QStringList out;
    for (const Subfield &s : subfields)
        if (s.code == code)
            out << s.value;
    return out;
}

const Field *Record::first(const QString &tag) const
{
    for (const Field &f : fields)
        if (f.tag == tag)
            return &f;
    return nullptr;
}

QStringList Record::values(const QString &tag, QChar code) const
{
    QStringList out;
    for (const Field &f : fields)
        if (f.tag == tag)
            out << f.values(code);
    return out;
}

Field &Record::addField(const QString &tag, QChar ind1, QChar ind2)
{
    fields.push_back(Field{tag, ind1, ind2, {}, {}});
    fields.back().subfields.reserve(3);
    return fields.back();
}

void Record::addControl(const QString &tag, const QString &data)
{
    fields.push_back(Field{tag, u' ', u' ', data, {}});
}

} // namespace marc
