#pragma once

// The compiled form of a local filter expression, shared by its parser and its evaluation.
#include "data/dataset/LocalFilter.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace data {

namespace filter {

// How a column's values take part in "=" and "<>": a textual field always compares as text,
// a numeric one as numbers, and any other (untyped, blob) decides by the storage of each cell.
enum class ColumnClass : std::uint8_t { Textual, Numeric, ByCell };

enum class CompareOp : std::uint8_t { Eq, Ne, Lt, Gt, Le, Ge };

// Whether the right operand of a text match is known to hold wildcards; literals are checked
// once when compiling so the common "title = 'War'" never scans its pattern per row.
enum class PatternKind : std::uint8_t { Runtime, Plain, Wild };

struct Operand {
    bool isColumn = false;
    int column = -1;
    ColumnClass cls = ColumnClass::ByCell;
    CellType literalType = CellType::Null;
    std::int64_t integer = 0;
    double real = 0;
    // A text literal's UTF-8 bytes, or a number literal's spelling (used when it meets a text).
    std::string text;
};

// An operand's value for one row; text points into the row or the compiled tree.
struct Value {
    CellView cell;
    bool textual = false;
    std::string_view spelling;
};

bool hasWildcard(std::string_view pattern);

} // namespace filter

struct LocalFilter::Node {
    enum class Kind : std::uint8_t { Or, And, Not, Compare, Like, IsNull, Truth };

    Kind kind = Kind::Truth;
    filter::CompareOp op = filter::CompareOp::Eq;
    filter::PatternKind pattern = filter::PatternKind::Runtime;
    // The terms of an AND or OR chain side by side, or the one term of a NOT: a long chain is
    // walked in a loop, never by recursion that could run out of stack.
    std::vector<std::unique_ptr<Node>> terms;
    filter::Operand a, b;

    // Inline: it runs twice for every held row a comparison looks at.
    filter::Value valueOf(const filter::Operand &o, const RowRef &row) const
    {
        filter::Value v;
        if (o.isColumn) {
            v.cell = row.cell(o.column);
            v.textual = o.cls == filter::ColumnClass::Textual || (o.cls == filter::ColumnClass::ByCell && v.cell.type == CellType::Text);
            return v;
        }
        v.cell.type = o.literalType;
        switch (o.literalType) {
        case CellType::Integer: v.cell.integer = o.integer; v.spelling = o.text; break;
        case CellType::Float: v.cell.real = o.real; v.spelling = o.text; break;
        case CellType::Text:
            v.cell.bytes = o.text;
            v.textual = true;
            break;
        default: break;
        }
        return v;
    }

    bool compare(const RowRef &row) const;
    bool eval(const RowRef &row) const;
};

// Parses an expression that is not blank into its tree; throws DataError.
std::unique_ptr<LocalFilter::Node> parseLocalFilter(const QString &expression, const std::vector<FieldDef> &fields);

} // namespace data
