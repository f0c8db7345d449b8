#pragma once

#include "data/Connection.h"

#include <QString>

namespace marc {

// A value read from the catalogue as the text a record writes.
inline QString cellText(const data::CellView &c)
{
    switch (c.type) {
    case data::CellType::Integer: return QString::number(c.integer);
    case data::CellType::Float: return QString::number(c.real);
    case data::CellType::Null: return {};
    default: return QString::fromUtf8(c.bytes.data(), qsizetype(c.bytes.size()));
    }
}

} // namespace marc
