#include "data/dataset/Row.h"

#include <QString>

namespace data {

char *RowArena::allocate(std::size_t bytes)
{
    bytes = (bytes + 7) & ~std::size_t(7);
    if (bytes > left_) {
        const std::size_t size = bytes > ChunkSize / 4 ? bytes : ChunkSize;
        chunks_.emplace_back(new char[size]);
        cursor_ = chunks_.back().get();
        left_ = size;
        reserved_ += size;
    }
    char *p = cursor_;
    cursor_ += bytes;
    left_ -= bytes;
    return p;
}

void RowArena::clear()
{
    chunks_.clear();
    cursor_ = nullptr;
    left_ = 0;
    reserved_ = 0;
}

RowBuilder::RowBuilder(int columns)
    : columns_(columns), header_(RowRef::headerSize(columns), 0), bytes_(columns)
{
}

void RowBuilder::setNull(int column)
{
    header_[column] = static_cast<char>(CellType::Null);
    bytes_[column] = {};
}

void RowBuilder::setInteger(int column, std::int64_t value)
{
    header_[column] = static_cast<char>(CellType::Integer);
    std::memcpy(header_.data() + RowRef::slotsOffset(columns_) + 8 * column, &value, 8);
}

void RowBuilder::setFloat(int column, double value)
{
    header_[column] = static_cast<char>(CellType::Float);
    std::memcpy(header_.data() + RowRef::slotsOffset(columns_) + 8 * column, &value, 8);
}

void RowBuilder::setBytes(int column, CellType type, std::string_view bytes)
{
    header_[column] = static_cast<char>(type);
    bytes_[column] = bytes;
}

const char *RowBuilder::finish(RowArena &arena)
{
    std::size_t total = header_.size();
    for (int c = 0; c < columns_; ++c) {
        const auto t = static_cast<CellType>(header_[c]);
        if (t == CellType::Text || t == CellType::Blob)
            total += bytes_[c].size();
    }
    char *block = arena.allocate(total);
    std::memcpy(block, header_.data(), header_.size());
    std::uint32_t offset = static_cast<std::uint32_t>(header_.size());
    for (int c = 0; c < columns_; ++c) {
        const auto t = static_cast<CellType>(header_[c]);
        if (t != CellType::Text && t != CellType::Blob)
            continue;
        const auto len = static_cast<std::uint32_t>(bytes_[c].size());
        std::memcpy(block + offset, bytes_[c].data(), len);
        char *slot = block + RowRef::slotsOffset(columns_) + 8 * c;
        std::memcpy(slot, &offset, 4);
        std::memcpy(slot + 4, &len, 4);
        offset += len;
    }
    return block;
}

int sortKindOf(CellType type)
{
    switch (type) {
    case CellType::Null: return 0;
    case CellType::Integer:
    case CellType::Float: return 1;
    case CellType::Text: return 2;
    case CellType::Blob: return 3;
    }
    return 0;
}

int compareCellValues(const CellView &a, const CellView &b)
{
    const int ka = sortKindOf(a.type), kb = sortKindOf(b.type);
    if (ka != kb)
        return ka < kb ? -1 : 1;
    if (ka == 0)
        return 0;
    if (ka == 1) {
        if (a.type == CellType::Integer && b.type == CellType::Integer)
            return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
        const double x = a.type == CellType::Integer ? double(a.integer) : a.real;
        const double y = b.type == CellType::Integer ? double(b.integer) : b.real;
        return x < y ? -1 : x > y ? 1 : 0;
    }
    const int c = a.bytes.compare(b.bytes);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

QVariant cellToVariant(const CellView &cell)
{
    switch (cell.type) {
    case CellType::Null: return {};
    case CellType::Integer: return QVariant(static_cast<qlonglong>(cell.integer));
    case CellType::Float: return QVariant(cell.real);
    case CellType::Text: return QString::fromUtf8(cell.bytes.data(), static_cast<qsizetype>(cell.bytes.size()));
    case CellType::Blob: return QByteArray(cell.bytes.data(), static_cast<qsizetype>(cell.bytes.size()));
    }
    return {};
}

} // namespace data
