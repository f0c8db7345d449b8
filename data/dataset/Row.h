#pragma once

#include <QByteArray>
#include <QVariant>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace data {

// Storage class of one held value, as the engine returned it.
enum class CellType : std::uint8_t { Null, Integer, Float, Text, Blob };

// A read-only look at one held value; text and blobs point into the row, so no copy is made.
struct CellView {
    CellType type = CellType::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string_view bytes; // UTF-8 for text

    bool isNull() const { return type == CellType::Null; }
};

// One held row is a single block: the column types, one 8-byte slot per column (the number
// itself, or offset and length of the bytes), then the text and blob bytes. Keeping a row in
// one block halves the memory of a large table compared with a value object per cell.
class RowRef {
public:
    RowRef() = default;
    RowRef(const char *data, int columns) : data_(data), columns_(columns) {}

    bool valid() const { return data_ != nullptr; }
    int columnCount() const { return columns_; }

    // Asks the processor to fetch where a cell's type and place are kept, ahead of cell().
    void prefetchCell(int column) const
    {
        __builtin_prefetch(data_ + column);
        __builtin_prefetch(data_ + slotsOffset(columns_) + 8 * column);
    }

    CellView cell(int column) const
    {
        CellView v;
        v.type = static_cast<CellType>(data_[column]);
        const char *slot = data_ + slotsOffset(columns_) + 8 * column;
        switch (v.type) {
        case CellType::Null: break;
        case CellType::Integer: std::memcpy(&v.integer, slot, 8); break;
        case CellType::Float: std::memcpy(&v.real, slot, 8); break;
        case CellType::Text:
        case CellType::Blob: {
            std::uint32_t off, len;
            std::memcpy(&off, slot, 4);
            std::memcpy(&len, slot + 4, 4);
            v.bytes = std::string_view(data_ + off, len);
            break;
        }
        }
        return v;
    }

    static std::size_t slotsOffset(int columns) { return (static_cast<std::size_t>(columns) + 7) & ~std::size_t(7); }
    static std::size_t headerSize(int columns) { return slotsOffset(columns) + 8 * static_cast<std::size_t>(columns); }

private:
    const char *data_ = nullptr;
    int columns_ = 0;
};

// Hands out 8-aligned blocks from large chunks; everything is freed at once when the
// dataset drops its rows, which is the only time held rows go away.
class RowArena {
public:
    char *allocate(std::size_t bytes);
    void clear();
    std::size_t bytesReserved() const { return reserved_; }

private:
    static constexpr std::size_t ChunkSize = 1 << 20;
    std::vector<std::unique_ptr<char[]>> chunks_;
    char *cursor_ = nullptr;
    std::size_t left_ = 0;
    std::size_t reserved_ = 0;
};

// Builds a row block from cells; used for fetched rows and for posted edits.
class RowBuilder {
public:
    explicit RowBuilder(int columns);
    void setNull(int column);
    void setInteger(int column, std::int64_t value);
    void setFloat(int column, double value);
    void setBytes(int column, CellType type, std::string_view bytes);
    const char *finish(RowArena &arena);

private:
    int columns_;
    std::vector<char> header_;
    std::vector<std::string_view> bytes_;
};

// Where a value's storage class sorts: NULL, numbers, texts, blobs.
int sortKindOf(CellType type);
// NULL first, numbers by value, texts and blobs by their bytes: -1, 0 or 1.
int compareCellValues(const CellView &a, const CellView &b);

// Conversions between held cells and the values the program works with.
QVariant cellToVariant(const CellView &cell);

} // namespace data
