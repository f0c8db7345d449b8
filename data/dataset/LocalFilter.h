#pragma once

#include "data/dataset/FieldDef.h"
#include "data/dataset/Row.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace data {

// The local filter of a dataset: an expression evaluated over the rows held in memory, never
// sent to the engine.
//
// Operands: column names (plain, or in [brackets] / "double quotes"), numbers, 'quoted strings'
// (a doubled apostrophe stands for one), NULL, TRUE, FALSE. Operators: = <> < > <= >= AND OR NOT
// LIKE IS [NOT] and brackets; keywords in any letter case.
// - "=" and "<>" with a text operand (a quoted string, or a column whose field is textual) compare
//   texts: the right operand is a pattern where "*" and "%" stand for any run of characters and
//   "_" for one character, matched case-sensitively against the whole left text; NULL as a text
//   operand counts as the empty text. So "file <> NULL" keeps only non-empty texts.
// - With two numbers "=" and "<>" compare numbers; "x = NULL" is true when x is NULL and
//   "x <> NULL" when it is not.
// - "<", ">", "<=", ">=" compare numbers by value and texts case-sensitively; either side NULL gives false.
// - LIKE matches like "=" on texts; IS NULL / IS NOT NULL test for NULL.
class LocalFilter {
public:
    LocalFilter();
    ~LocalFilter();
    LocalFilter(LocalFilter &&) noexcept;
    LocalFilter &operator=(LocalFilter &&) noexcept;

    // Throws DataError: errors::fieldNotFound(name) for an unknown column (names compare
    // case-insensitively), or a message starting "Invalid filter expression" for bad syntax.
    static LocalFilter compile(const QString &expression, const std::vector<FieldDef> &fields);

    bool isEmpty() const;
    bool matches(const RowRef &row) const;

    struct Node;

private:
    // The quick filters' two shapes, "column = number" and "text column <> NULL", answered
    // straight from the row for the storage they expect; anything else goes to the tree.
    struct Shortcut {
        enum Kind : std::uint8_t { None, NumberEquals, TextEmpty } kind = None;
        bool negate = false;
        int column = -1;
        std::int64_t number = 0;
    };
    static Shortcut shortcutFor(const Node &root);
    int shortcut(const RowRef &row) const; // 1 match, 0 no match, -1 ask the tree

    std::unique_ptr<Node> root_;
    Shortcut shortcut_;
};

} // namespace data
