// The local filter: any expression either compiles or raises the layer's filter error, and a
// compiled one answers consistently over a fixed set of rows: NOT(NOT(E)) keeps what E keeps,
// NOT(E) the rest, and the tree agrees with the quick path taken for the common shapes.
#include "FuzzCheck.h"
#include "data/DataError.h"
#include "data/dataset/LocalFilter.h"

#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

using fuzzcheck::check;
using fuzzcheck::shown;
using namespace data;
using namespace store;

namespace {

struct Table {
    std::vector<data::FieldDef> fields{{QStringLiteral("id"), QStringLiteral("INTEGER"), data::FieldType::Integer},
                                 {QStringLiteral("title"), QStringLiteral("TEXT"), data::FieldType::String},
                                 {QStringLiteral("num"), QStringLiteral("INTEGER"), data::FieldType::Integer},
                                 {QStringLiteral("price"), QStringLiteral("REAL"), data::FieldType::Float},
                                 {QStringLiteral("misc"), QString(), data::FieldType::Unknown}};
    data::RowArena arena;
    std::vector<data::RowRef> rows;

    void add(std::int64_t id, const char *title, std::optional<std::int64_t> num, double price, int miscKind)
    {
        data::RowBuilder b(5);
        b.setInteger(0, id);
        title ? b.setBytes(1, data::CellType::Text, title) : b.setNull(1);
        num ? b.setInteger(2, *num) : b.setNull(2);
        b.setFloat(3, price);
        switch (miscKind) {
        case 0: b.setNull(4); break;
        case 1: b.setInteger(4, id * 7 - 20); break;
        case 2: b.setFloat(4, price / 3); break;
        default: b.setBytes(4, data::CellType::Text, title ? title : ""); break;
        }
        rows.emplace_back(b.finish(arena), 5);
    }

    Table()
    {
        add(1, "War and Peace", 1, 12.5, 0);
        add(2, "Война и мир", 0, 10.0, 1);
        add(3, "", -3, 0.0, 2);
        add(4, nullptr, std::nullopt, -7.25, 3);
        add(5, "a*b%c_d'e", 9223372036854775807LL, 1e300, 3);
        add(6, "Ёлка ЁЛКА ёлка", -9223372036854775807LL - 1, 0.1, 1);
        add(7, "0", 0, -0.0, 3);
    }
};

// The rows a filter keeps, as a bit per row.
std::optional<std::vector<bool>> kept(const Table &t, const QString &expression, bool wrapped)
{
    try {
        const data::LocalFilter f = data::LocalFilter::compile(expression, t.fields);
        std::vector<bool> out;
        for (const data::RowRef &row : t.rows)
            out.push_back(f.matches(row));
        return out;
    } catch (const data::DataError &e) {
        const bool filterError = e.message().startsWith(QStringLiteral("Invalid filter expression: "))
            || (e.message().startsWith(QStringLiteral("Field '")) && e.message().endsWith(QStringLiteral("' not found")));
        check(filterError, "only the filter's own errors", shown(expression) + QStringLiteral(": ") + e.message());
        // Wrapping a compiled expression can only fail by nesting it too deep.
        check(!wrapped || e.message().contains(QStringLiteral("nested deeper")), "a wrapped expression compiles",
              shown(expression) + QStringLiteral(": ") + e.message());
        return std::nullopt;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const Table table;
    const QString e = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const auto plain = kept(table, e, false);
    if (!plain || e.trimmed().isEmpty())
        return 0;
    if (const auto twice = kept(table, QStringLiteral("NOT (NOT (%1))").arg(e), true))
        check(*twice == *plain, "NOT(NOT(E)) keeps what E keeps", shown(e));
    if (const auto negated = kept(table, QStringLiteral("NOT (%1)").arg(e), true)) {
        for (std::size_t i = 0; i < plain->size(); ++i)
            check((*negated)[i] != (*plain)[i], "NOT(E) keeps what E does not", shown(e));
    }
    if (const auto tree = kept(table, QStringLiteral("(%1) AND TRUE").arg(e), true))
        check(*tree == *plain, "the quick path agrees with the tree", shown(e));
    return 0;
}
