#include "data/dataset/SortOrder.h"

#include "data/DataError.h"

#include <QRegularExpression>
#include <algorithm>
#include <numeric>

namespace data {

SortOrder SortOrder::parse(const QString &text, const std::vector<FieldDef> &fields)
{
    SortOrder order;
    static const QRegularExpression itemSep(QStringLiteral("[;,]"));
    for (const QString &item : text.split(itemSep, Qt::SkipEmptyParts)) {
        const QStringList words = item.simplified().split(u' ', Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        Part part;
        part.column = -1;
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].name.compare(words[0], Qt::CaseInsensitive) == 0)
                part.column = int(i);
        if (part.column < 0)
            throw DataError(errors::sortFieldNotFound(words[0]));
        for (qsizetype w = 1; w < words.size(); ++w) {
            const QString word = words[w].toUpper();
            if (word == u"DESC")
                part.descending = true;
            else if (word == u"ASC")
                part.descending = false;
            else if (word == u"CIS")
                part.compare = Compare::CaseInsensitive;
            else if (word == u"CS")
                part.compare = Compare::CaseSensitive;
            else if (word == u"BIN")
                part.compare = Compare::Binary;
            else
                throw DataError(errors::sortFieldNotFound(item.trimmed()));
        }
        order.parts_.push_back(part);
    }
    return order;
}

namespace {

// What one part compares, by position in the unsorted view: collation ranks for collated text,
// the cells themselves otherwise.
struct PartValues {
    SortOrder::Part part;
    std::vector<quint32> ranks;
    std::vector<CellView> cells;

    int compare(std::size_t x, std::size_t y) const
    {
        int c;
        if (!ranks.empty())
            c = ranks[x] < ranks[y] ? -1 : ranks[x] > ranks[y] ? 1 : 0;
        else
            c = compareCellValues(cells[x], cells[y]);
        return part.descending ? -c : c;
    }
};

// Ranks of the view's rows. A large view uses the dataset's kept ranks (made at most once per
// change of rows); a view of a few rows of many ranks its own rows alone and keeps nothing.
std::vector<quint32> viewRanks(const SortOrder::Part &p, const std::vector<quint32> &view,
                               const std::vector<const char *> &rows, int columns, SortKeyCache &cache)
{
    const bool cis = p.compare == SortOrder::Compare::CaseInsensitive;
    std::vector<quint32> result(view.size());
    CollationRanks &kept = cache.column(p.column, cis);
    if (kept.built() || view.size() * 4 >= rows.size()) {
        const std::vector<quint32> &all = kept.ranks(rows, columns);
        for (std::size_t i = 0; i < view.size(); ++i)
            result[i] = all[view[i]];
        return result;
    }
    std::vector<const char *> shown(view.size());
    for (std::size_t i = 0; i < view.size(); ++i)
        shown[i] = rows[view[i]];
    CollationRanks own(p.column, cis);
    const std::vector<quint32> &ranks = own.ranks(shown, columns);
    std::copy(ranks.begin(), ranks.end(), result.begin());
    return result;
}

// A stable sort of positions by one rank each, 16 bits at a time (one or two passes).
std::vector<quint32> radixOrder(const std::vector<quint32> &ranks, bool descending)
{
    const std::size_t n = ranks.size();
    const quint32 top = n ? *std::max_element(ranks.begin(), ranks.end()) : 0;
    std::vector<quint32> order(n), next(n), count(65537);
    std::iota(order.begin(), order.end(), 0u);
    const auto keyOf = [&](quint32 position) { return descending ? top - ranks[position] : ranks[position]; };
    for (int shift = 0; shift == 0 || (shift < 32 && (top >> shift) != 0); shift += 16) {
        std::fill(count.begin(), count.end(), 0u);
        for (quint32 p : order)
            ++count[((keyOf(p) >> shift) & 0xFFFF) + 1];
        for (std::size_t d = 1; d < count.size(); ++d)
            count[d] += count[d - 1];
        for (quint32 p : order)
            next[count[(keyOf(p) >> shift) & 0xFFFF]++] = p;
        order.swap(next);
    }
    return order;
}

} // namespace

void SortOrder::sort(std::vector<quint32> &view, const std::vector<const char *> &rows,
                     const std::vector<FieldDef> &fields, SortKeyCache &cache) const
{
    if (parts_.empty() || view.size() < 2)
        return;
    const int columns = int(fields.size());
    std::vector<PartValues> values;
    values.reserve(parts_.size());
    for (const Part &p : parts_) {
        PartValues v;
        v.part = p;
        const FieldType t = fields[std::size_t(p.column)].type;
        if ((t == FieldType::String || t == FieldType::Unknown) && p.compare != Compare::Binary) {
            v.ranks = viewRanks(p, view, rows, columns, cache);
        } else {
            v.cells.reserve(view.size());
            for (quint32 r : view)
                v.cells.push_back(RowRef(rows[r], columns).cell(p.column));
        }
        values.push_back(std::move(v));
    }
    std::vector<quint32> order;
    if (values.size() == 1 && !values[0].ranks.empty()) {
        // The usual case, one text column: an integer sort, no comparisons at all.
        order = radixOrder(values[0].ranks, values[0].part.descending);
    } else {
        order.resize(view.size());
        std::iota(order.begin(), order.end(), 0u);
        std::stable_sort(order.begin(), order.end(), [&values](quint32 x, quint32 y) {
            for (const PartValues &v : values) {
                if (const int c = v.compare(x, y))
                    return c < 0;
            }
            return false;
        });
    }
    std::vector<quint32> sorted(view.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        sorted[i] = view[order[i]];
    view.swap(sorted);
}

} // namespace data
