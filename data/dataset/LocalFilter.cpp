// Evaluation of a compiled local filter over held rows.
#include "data/dataset/LocalFilterNode.h"

#include <charconv>
#include <utility>

namespace data {

namespace filter {

bool isWildcard(char c)
{
    return c == '*' || c == '%' || c == '_';
}

bool hasWildcard(std::string_view pattern)
{
    for (char c : pattern)
        if (isWildcard(c))
            return true;
    return false;
}

// Bytes taken by the UTF-8 character starting at text[i]; stray bytes count as one character.
std::size_t charLength(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t len = 1;
    if ((lead & 0xE0) == 0xC0)
        len = 2;
    else if ((lead & 0xF0) == 0xE0)
        len = 3;
    else if ((lead & 0xF8) == 0xF0)
        len = 4;
    return len < text.size() - i ? len : text.size() - i;
}

// Whole-text match where "*" and "%" take any run of characters and "_" exactly one. Literal
// pattern characters are compared byte by byte; that stays on character boundaries because a
// UTF-8 lead byte never equals a continuation byte. Backtracking only needs the last star.
bool wildMatch(std::string_view text, std::string_view pattern)
{
    constexpr std::size_t None = std::string_view::npos;
    std::size_t t = 0, p = 0, starP = None, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size()) {
            const char c = pattern[p];
            if (c == '*' || c == '%') {
                starP = ++p;
                starT = t;
                continue;
            }
            if (c == '_') {
                t += charLength(text, t);
                ++p;
                continue;
            }
            if (c == text[t]) {
                ++t;
                ++p;
                continue;
            }
        }
        if (starP == None)
            return false;
        starT += charLength(text, starT);
        t = starT;
        p = starP;
    }
    while (p < pattern.size() && (pattern[p] == '*' || pattern[p] == '%'))
        ++p;
    return p == pattern.size();
}

bool textMatches(std::string_view text, std::string_view pattern, PatternKind kind)
{
    const bool wild = kind == PatternKind::Runtime ? hasWildcard(pattern) : kind == PatternKind::Wild;
    return wild ? wildMatch(text, pattern) : text == pattern;
}

// The text form of a value; numbers are written into buf so no allocation is needed.
std::string_view asText(const Value &v, char (&buf)[40])
{
    switch (v.cell.type) {
    case CellType::Null: return {};
    case CellType::Text:
    case CellType::Blob: return v.cell.bytes;
    case CellType::Integer: {
        if (!v.spelling.empty())
            return v.spelling;
        const auto r = std::to_chars(buf, buf + sizeof buf, v.cell.integer);
        return {buf, static_cast<std::size_t>(r.ptr - buf)};
    }
    case CellType::Float: {
        if (!v.spelling.empty())
            return v.spelling;
        auto r = std::to_chars(buf, buf + sizeof buf - 2, v.cell.real);
        // Whole reals read as "2.0", the way the engine writes them as text.
        if (std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)).find_first_of(".eEn") == std::string_view::npos) {
            *r.ptr++ = '.';
            *r.ptr++ = '0';
        }
        return {buf, static_cast<std::size_t>(r.ptr - buf)};
    }
    }
    return {};
}

bool isNumber(const CellView &c)
{
    return c.type == CellType::Integer || c.type == CellType::Float;
}

double toDouble(const CellView &c)
{
    return c.type == CellType::Integer ? static_cast<double>(c.integer) : c.real;
}

// Three-way comparison of two numbers by value; integers compare exactly.
int compareNumbers(const CellView &a, const CellView &b)
{
    if (a.type == CellType::Integer && b.type == CellType::Integer)
        return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
    const double x = toDouble(a), y = toDouble(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

bool truthOf(const CellView &c)
{
    switch (c.type) {
    case CellType::Null: return false;
    case CellType::Integer: return c.integer != 0;
    case CellType::Float: return c.real != 0;
    case CellType::Text:
    case CellType::Blob: return !c.bytes.empty();
    }
    return false;
}

} // namespace filter

using namespace filter;

bool LocalFilter::Node::compare(const RowRef &row) const
{
    const Value x = valueOf(a, row), y = valueOf(b, row);
    char bx[40], by[40];
    const bool text = x.textual || y.textual;
    if (op == CompareOp::Eq || op == CompareOp::Ne) {
        bool equal;
        if (text)
            equal = textMatches(asText(x, bx), asText(y, by), pattern);
        else if (x.cell.isNull() || y.cell.isNull())
            equal = x.cell.isNull() && y.cell.isNull();
        else if (isNumber(x.cell) && isNumber(y.cell))
            equal = compareNumbers(x.cell, y.cell) == 0;
        else
            equal = textMatches(asText(x, bx), asText(y, by), pattern);
        return op == CompareOp::Eq ? equal : !equal;
    }
    if (x.cell.isNull() || y.cell.isNull())
        return false;
    int order;
    if (!text && isNumber(x.cell) && isNumber(y.cell)) {
        order = compareNumbers(x.cell, y.cell);
    } else {
        // string_view compares bytes as unsigned, which for UTF-8 is code-point order.
        const int c = asText(x, bx).compare(asText(y, by));
        order = c < 0 ? -1 : c > 0 ? 1 : 0;
    }
    switch (op) {
    case CompareOp::Lt: return order < 0;
    case CompareOp::Gt: return order > 0;
    case CompareOp::Le: return order <= 0;
    case CompareOp::Ge: return order >= 0;
    default: return false;
    }
}

bool LocalFilter::Node::eval(const RowRef &row) const
{
    switch (kind) {
    case Kind::Or:
        for (const auto &term : terms)
            if (term->eval(row))
                return true;
        return false;
    case Kind::And:
        for (const auto &term : terms)
            if (!term->eval(row))
                return false;
        return true;
    case Kind::Not: return !terms.front()->eval(row);
    case Kind::Compare: return compare(row);
    case Kind::Like: {
        const Value x = valueOf(a, row), y = valueOf(b, row);
        char bx[40], by[40];
        return textMatches(asText(x, bx), asText(y, by), pattern);
    }
    case Kind::IsNull: return valueOf(a, row).cell.isNull();
    case Kind::Truth: return truthOf(valueOf(a, row).cell);
    }
    return false;
}

LocalFilter::LocalFilter() = default;
LocalFilter::~LocalFilter() = default;
LocalFilter::LocalFilter(LocalFilter &&) noexcept = default;
LocalFilter &LocalFilter::operator=(LocalFilter &&) noexcept = default;

LocalFilter LocalFilter::compile(const QString &expression, const std::vector<FieldDef> &fields)
{
    LocalFilter filter;
    if (expression.trimmed().isEmpty())
        return filter;
    filter.root_ = parseLocalFilter(expression, fields);
    filter.shortcut_ = shortcutFor(*filter.root_);
    return filter;
}

LocalFilter::Shortcut LocalFilter::shortcutFor(const Node &root)
{
    Shortcut s;
    if (root.kind != Node::Kind::Compare || !root.a.isColumn || root.b.isColumn ||
        (root.op != CompareOp::Eq && root.op != CompareOp::Ne))
        return s;
    s.negate = root.op == CompareOp::Ne;
    s.column = root.a.column;
    if (root.a.cls == ColumnClass::Numeric && root.b.literalType == CellType::Integer) {
        s.kind = Shortcut::NumberEquals;
        s.number = root.b.integer;
    } else if (root.a.cls == ColumnClass::Textual && root.b.literalType == CellType::Null) {
        s.kind = Shortcut::TextEmpty; // NULL as a text operand is the empty text
    }
    return s;
}

int LocalFilter::shortcut(const RowRef &row) const
{
    const CellView c = row.cell(shortcut_.column);
    bool equal;
    if (shortcut_.kind == Shortcut::NumberEquals && c.type == CellType::Integer)
        equal = c.integer == shortcut_.number;
    else if (shortcut_.kind == Shortcut::NumberEquals && c.type == CellType::Null)
        equal = false;
    else if (shortcut_.kind == Shortcut::TextEmpty && (c.type == CellType::Null || c.type == CellType::Text))
        equal = c.bytes.empty();
    else
        return -1;
    return equal != shortcut_.negate ? 1 : 0;
}

bool LocalFilter::isEmpty() const
{
    return !root_;
}

bool LocalFilter::matches(const RowRef &row) const
{
    if (!root_)
        return true;
    if (shortcut_.kind != Shortcut::None) {
        const int answer = shortcut(row);
        if (answer >= 0)
            return answer == 1;
    }
    return root_->eval(row);
}

} // namespace data
