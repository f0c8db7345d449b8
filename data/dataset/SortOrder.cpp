#include "data/dataset/SortOrder.h"

#include "data/DataError.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <memory>
#include <numeric>
#include <cstring>
#include <string>
#include <thread>
#include <unicode/ucol.h>

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

int compareKeys(const char *a, const char *b)
{
    const int c = std::strcmp(a, b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// Sort keys of one part for the rows being sorted, indexed by position in the unsorted view.
struct PartKeys {
    SortOrder::Part part;
    bool collated = false;
    std::vector<CellView> cells;
    // For collated text: ICU sort keys back to back (NUL-terminated), where each cell's starts,
    // and its first eight bytes as a number, which settles most comparisons without the bytes.
    std::string keyBytes;
    std::vector<quint32> keyOffset;
    std::vector<quint64> keyPrefix;

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
            c = keyPrefix[x] != keyPrefix[y] ? (keyPrefix[x] < keyPrefix[y] ? -1 : 1)
                                             : compareKeys(keyBytes.data() + keyOffset[x], keyBytes.data() + keyOffset[y]);
        else
            c = compareBytes(a.bytes, b.bytes);
        return part.descending ? -c : c;
    }
};


bool allText(const std::vector<CellView> &cells)
{
    return std::all_of(cells.begin(), cells.end(), [](const CellView &c) { return c.type == CellType::Text; });
}

using CollatorPtr = std::unique_ptr<UCollator, decltype(&ucol_close)>;

// The collator QCollator makes for Russian, opened directly so that the keys can be written into
// one buffer: keys of their own each take an allocation and a pointer chase per comparison.
CollatorPtr openCollator(SortOrder::Compare mode)
{
    UErrorCode status = U_ZERO_ERROR;
    CollatorPtr collator(ucol_open("ru_RU", &status), &ucol_close);
    if (U_FAILURE(status))
        throw DataError(QStringLiteral("The Russian collation is not available"));
    ucol_setAttribute(collator.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator.get(), UCOL_STRENGTH,
                      mode == SortOrder::Compare::CaseInsensitive ? UCOL_SECONDARY : UCOL_DEFAULT_STRENGTH, &status);
    ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(collator.get(), UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    return collator;
}

// Keys of cells [from, to): appended to bytes, with each one's offset into bytes and its prefix.
void collationKeys(UCollator *collator, const std::vector<CellView> &cells, std::size_t from, std::size_t to,
                   std::string &bytes, quint32 *offsets, quint64 *prefixes)
{
    std::vector<uint8_t> key(256);
    QString text;
    for (std::size_t i = from; i < to; ++i) {
        const CellView &c = cells[i];
        text = c.type == CellType::Text ? QString::fromUtf8(c.bytes.data(), qsizetype(c.bytes.size())) : QString();
        int len = ucol_getSortKey(collator, reinterpret_cast<const UChar *>(text.utf16()), int(text.size()),
                                  key.data(), int(key.size()));
        if (len > int(key.size())) {
            key.resize(std::size_t(len));
            len = ucol_getSortKey(collator, reinterpret_cast<const UChar *>(text.utf16()), int(text.size()), key.data(),
                                  int(key.size()));
        }
        // The key ends in a NUL of its own, so strcmp compares keys as memcmp would.
        offsets[i] = quint32(bytes.size());
        bytes.append(reinterpret_cast<const char *>(key.data()), std::size_t(len));
        quint64 prefix = 0;
        for (int b = 0; b < 8; ++b)
            prefix = (prefix << 8) | (b < len ? key[std::size_t(b)] : 0);
        prefixes[i] = prefix;
    }
}

// Making the keys is most of a sort's time: a large column is shared between two threads, each
// with a collator of its own.
void makeCollationKeys(PartKeys &k, SortOrder::Compare mode)
{
    const std::size_t n = k.cells.size();
    k.keyOffset.resize(n);
    k.keyPrefix.resize(n);
    k.keyBytes.reserve(n * 48);
    CollatorPtr collator = openCollator(mode);
    if (n < 20000 || std::thread::hardware_concurrency() < 2) {
        collationKeys(collator.get(), k.cells, 0, n, k.keyBytes, k.keyOffset.data(), k.keyPrefix.data());
        return;
    }
    const std::size_t half = n / 2;
    CollatorPtr second = openCollator(mode);
    std::string secondBytes;
    secondBytes.reserve((n - half) * 48);
    std::thread helper([&] {
        collationKeys(second.get(), k.cells, half, n, secondBytes, k.keyOffset.data(), k.keyPrefix.data());
    });
    collationKeys(collator.get(), k.cells, 0, half, k.keyBytes, k.keyOffset.data(), k.keyPrefix.data());
    helper.join();
    const quint32 shift = quint32(k.keyBytes.size());
    k.keyBytes += secondBytes;
    for (std::size_t i = half; i < n; ++i)
        k.keyOffset[i] += shift;
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
        if (k.collated)
            makeCollationKeys(k, p.compare);
        keys.push_back(std::move(k));
    }
    std::vector<quint32> order(view.size());
    if (keys.size() == 1 && keys[0].collated && allText(keys[0].cells)) {
        // The usual case, one text column: sort (prefix, position) pairs, so that most comparisons
        // touch nothing but the array being sorted.
        const PartKeys &k = keys[0];
        struct Entry {
            quint64 prefix;
            quint32 position;
        };
        std::vector<Entry> entries(view.size());
        for (quint32 i = 0; i < entries.size(); ++i)
            entries[i] = Entry{k.keyPrefix[i], i};
        const char *bytes = k.keyBytes.data();
        const auto less = [&k, bytes](const Entry &x, const Entry &y) {
            if (x.prefix != y.prefix)
                return x.prefix < y.prefix;
            return std::strcmp(bytes + k.keyOffset[x.position], bytes + k.keyOffset[y.position]) < 0;
        };
        if (k.part.descending)
            std::stable_sort(entries.begin(), entries.end(), [&less](const Entry &x, const Entry &y) { return less(y, x); });
        else
            std::stable_sort(entries.begin(), entries.end(), less);
        std::vector<quint32> sorted(view.size());
        for (std::size_t i = 0; i < entries.size(); ++i)
            sorted[i] = view[entries[i].position];
        view.swap(sorted);
        return;
    }
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

} // namespace data
