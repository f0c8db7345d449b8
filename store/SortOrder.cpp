#include "SortOrder.h"

#include "StoreError.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <memory>
#include <numeric>

namespace store {

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
            throw StoreError(errors::sortFieldNotFound(words[0]));
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
                throw StoreError(errors::sortFieldNotFound(item.trimmed()));
        }
        order.parts_.push_back(part);
    }
    return order;
}

namespace {

int rankOf(CellType t)
{
    switch (t) {
    case CellType::Null: return 0;
    case CellType::Integer:
    case CellType::Float: return 1;
    case CellType::Text: return 2;
    case CellType::Blob: return 3;
    }
    return 0;
}

int compareNumbers(const CellView &a, const CellView &b)
{
    if (a.type == CellType::Integer && b.type == CellType::Integer)
        return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
    const double x = a.type == CellType::Integer ? double(a.integer) : a.real;
    const double y = b.type == CellType::Integer ? double(b.integer) : b.real;
    return x < y ? -1 : x > y ? 1 : 0;
}

int compareBytes(std::string_view a, std::string_view b)
{
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// Sort keys of one part for the rows being sorted, indexed by position in the unsorted view.
struct PartKeys {
    SortOrder::Part part;
    bool collated = false;
    std::vector<CellView> cells;
    std::vector<QCollatorSortKey> keys; // for collated text, one per cell (empty text for others)

    int compare(std::size_t x, std::size_t y) const
    {
        const CellView &a = cells[x];
        const CellView &b = cells[y];
        const int ra = rankOf(a.type), rb = rankOf(b.type);
        int c;
        if (ra != rb)
            c = ra < rb ? -1 : 1;
        else if (ra == 0)
            c = 0;
        else if (ra == 1)
            c = compareNumbers(a, b);
        else if (collated && ra == 2)
            c = keys[x].compare(keys[y]);
        else
            c = compareBytes(a.bytes, b.bytes);
        return part.descending ? -c : c;
    }
};

QCollator makeCollator(SortOrder::Compare mode)
{
    QCollator collator(QLocale(QLocale::Russian, QLocale::Russia));
    collator.setCaseSensitivity(mode == SortOrder::Compare::CaseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
    collator.setIgnorePunctuation(false); // hyphens and apostrophes count as ordinary characters
    collator.setNumericMode(false);
    return collator;
}

} // namespace

void SortOrder::sort(std::vector<quint32> &view, const std::vector<const char *> &rows,
                     const std::vector<FieldDef> &fields) const
{
    if (parts_.empty() || view.size() < 2)
        return;
    const int columns = int(fields.size());
    std::vector<PartKeys> keys;
    keys.reserve(parts_.size());
    for (const Part &p : parts_) {
        PartKeys k;
        k.part = p;
        const FieldType t = fields[std::size_t(p.column)].type;
        k.collated = (t == FieldType::String || t == FieldType::Unknown) && p.compare != Compare::Binary;
        k.cells.reserve(view.size());
        for (quint32 r : view)
            k.cells.push_back(RowRef(rows[r], columns).cell(p.column));
        if (k.collated) {
            const QCollator collator = makeCollator(p.compare);
            k.keys.reserve(view.size());
            for (const CellView &c : k.cells)
                k.keys.push_back(collator.sortKey(c.type == CellType::Text
                                                      ? QString::fromUtf8(c.bytes.data(), qsizetype(c.bytes.size()))
                                                      : QString()));
        }
        keys.push_back(std::move(k));
    }
    std::vector<quint32> order(view.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [&keys](quint32 x, quint32 y) {
        for (const PartKeys &k : keys) {
            if (const int c = k.compare(x, y))
                return c < 0;
        }
        return false;
    });
    std::vector<quint32> sorted(view.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        sorted[i] = view[order[i]];
    view.swap(sorted);
}

} // namespace store
