#pragma once

#include "data/dataset/Dataset.h"

#include <QString>

namespace store {

// A held cell read in place as text, with no QVariant on the way: lists of tens of thousands
// of rows read every cell so. NULL, blobs and a missing column (-1) read as empty text.
inline QString heldText(const data::Dataset &q, int row, int column)
{
    if (column < 0)
        return {};
    const data::CellView c = q.cellAt(row, column);
    switch (c.type) {
    case data::CellType::Text: return QString::fromUtf8(c.bytes.data(), qsizetype(c.bytes.size()));
    case data::CellType::Integer: return QString::number(c.integer);
    case data::CellType::Float: return QString::number(c.real);
    default: return {};
    }
}

} // namespace store
