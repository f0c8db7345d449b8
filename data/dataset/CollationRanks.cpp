#include "data/dataset/CollationRanks.h"

#include "data/dataset/Row.h"
#include "data/dataset/RussianCollator.h"
#include "data/dataset/TableCollationKeys.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <thread>
#include <unordered_map>
#include <unicode/ucol.h>

namespace data {

namespace {

constexpr quint32 kNoKey = 0xFFFFFFFFu;

// The eight key bytes from depth on as a number, zeros after the key's end.
quint64 keyChunk(const char *key, std::size_t depth)
{
    quint64 chunk = 0;
    bool ended = false;
    for (std::size_t b = 0; b < 8; ++b) {
        const auto byte = ended ? 0u : quint8(key[depth + b]);
        ended = byte == 0;
        chunk = (chunk << 8) | byte;
    }
    return chunk;
}

constexpr quint8 kDeleted = 0xFF;

// What one thread makes of the listed rows: the kind of each one's cell (or kDeleted), and keys of
// the texts, appended to bytes; each text's offset into bytes, the key's first eight bytes as a
// number and whether ICU made the key go into the arrays by row.
struct KeyJob {
    const std::vector<const char *> &rows;
    int columns;
    int column;
    bool caseInsensitive;
    quint8 *kinds;
    quint32 *offsets;
    quint64 *prefixes;
    quint8 *fromIcu;
    std::size_t *texts;

    void run(const quint32 *which, std::size_t count, std::string &bytes) const
    {
        const TableCollationKeys &table = TableCollationKeys::russian(caseInsensitive);
        CollatorPtr collator(nullptr, &ucol_close);
        std::vector<uint8_t> key(256);
        QString text;
        // ICU's keys are dear: a text met before (copies of a book share a title) takes the key
        // already made. The table's are cheaper than the lookup.
        std::unordered_map<std::string_view, quint32> made;
        std::size_t madeHere = 0;
        for (std::size_t i = 0; i < count; ++i) {
            // Rows lie far apart: each would wait for memory without a word ahead.
            if (i + 16 < count && rows[which[i + 16]])
                RowRef(rows[which[i + 16]], columns).prefetchCell(column);
            if (i + 8 < count && rows[which[i + 8]])
                __builtin_prefetch(RowRef(rows[which[i + 8]], columns).cell(column).bytes.data());
            const quint32 r = which[i];
            offsets[r] = kNoKey;
            if (!rows[r]) {
                kinds[r] = kDeleted;
                continue;
            }
            const CellView c = RowRef(rows[r], columns).cell(column);
            kinds[r] = quint8(sortKindOf(c.type));
            if (c.type != CellType::Text)
                continue;
            ++madeHere;
            const std::string_view cell = c.bytes;
            offsets[r] = quint32(bytes.size());
            fromIcu[r] = !table.append(cell, bytes);
            if (fromIcu[r]) {
                const auto [known, isNew] = made.try_emplace(cell, r);
                if (!isNew) {
                    offsets[r] = offsets[known->second];
                    prefixes[r] = prefixes[known->second];
                    continue;
                }
                if (!collator)
                    collator = openRussianCollator(caseInsensitive);
                appendIcuKey(collator.get(), cell, text, key, bytes);
            }
            // Both kinds of key end in a NUL of their own, so strcmp compares them as memcmp would.
            prefixes[r] = keyChunk(bytes.data() + offsets[r], 0);
        }
        *texts += madeHere;
    }

    static void appendIcuKey(const UCollator *collator, std::string_view utf8, QString &text,
                             std::vector<uint8_t> &key, std::string &bytes)
    {
        text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
        const auto *chars = reinterpret_cast<const UChar *>(text.utf16());
        int len = ucol_getSortKey(collator, chars, int(text.size()), key.data(), int(key.size()));
        if (len > int(key.size())) {
            key.resize(std::size_t(len));
            len = ucol_getSortKey(collator, chars, int(text.size()), key.data(), int(key.size()));
        }
        bytes.append(reinterpret_cast<const char *>(key.data()), std::size_t(len));
    }
};

} // namespace

struct CollationRanks::Entry {
    quint64 prefix; // the key's first bytes for texts, 0 otherwise
    quint32 row;
    quint8 kind;
    quint8 fromIcu; // a text whose key ICU made, not comparable with the table's keys as bytes
};

void CollationRanks::makeKeys(const std::vector<const char *> &rows, int columns, const std::vector<quint32> &which)
{
    std::size_t texts[2] = {0, 0};
    const auto job = [&](std::size_t *count) {
        return KeyJob{rows,           columns,           column_,           caseInsensitive_, kind_.data(),
                      keyOffset_.data(), keyPrefix_.data(), keyFromIcu_.data(), count};
    };
    // Making keys is most of a first sort's time: a large column is shared between two threads.
    if (which.size() < 20000 || std::thread::hardware_concurrency() < 2) {
        job(&texts[0]).run(which.data(), which.size(), keyBytes_);
        keysMade_ += texts[0];
        return;
    }
    const std::size_t half = which.size() / 2;
    std::string secondBytes;
    secondBytes.reserve((which.size() - half) * 48);
    keyBytes_.reserve(keyBytes_.size() + half * 48);
    std::thread helper([&] { job(&texts[1]).run(which.data() + half, which.size() - half, secondBytes); });
    job(&texts[0]).run(which.data(), half, keyBytes_);
    helper.join();
    keysMade_ += texts[0] + texts[1];
    const quint32 shift = quint32(keyBytes_.size());
    keyBytes_ += secondBytes;
    for (std::size_t i = half; i < which.size(); ++i)
        if (keyOffset_[which[i]] != kNoKey)
            keyOffset_[which[i]] += shift;
}

// Texts whose keys are of different makes are compared by ICU itself.
const UCollator *CollationRanks::mixedCollator()
{
    if (!mixed_)
        mixed_ = openRussianCollator(caseInsensitive_);
    return mixed_.get();
}

std::vector<CollationRanks::Entry> CollationRanks::entriesOf(const std::vector<quint32> &which) const
{
    std::vector<Entry> entries;
    entries.reserve(which.size());
    for (quint32 r : which) {
        const quint8 kind = kind_[r];
        if (kind == kDeleted)
            continue;
        const bool text = kind == 2;
        entries.push_back(Entry{text ? keyPrefix_[r] : 0, r, kind, quint8(text ? keyFromIcu_[r] : 0)});
    }
    return entries;
}

void CollationRanks::rowChanged(quint32 row)
{
    if (built_)
        changed_.push_back(row);
}

// Ascending order of the column: kinds first, then keys as bytes, numbers by value, blobs by bytes.
struct CollationRanks::Order {
    const CollationRanks &owner;
    const std::vector<const char *> &rows;
    int columns;
    const UCollator *collator; // for texts whose keys differ in make

    int compare(const Entry &x, const Entry &y) const
    {
        if (x.kind != y.kind)
            return x.kind < y.kind ? -1 : 1;
        if (x.fromIcu != y.fromIcu) {
            const std::string_view a = RowRef(rows[x.row], columns).cell(owner.column_).bytes;
            const std::string_view b = RowRef(rows[y.row], columns).cell(owner.column_).bytes;
            UErrorCode status = U_ZERO_ERROR;
            return ucol_strcollUTF8(collator, a.data(), int(a.size()), b.data(), int(b.size()), &status);
        }
        if (x.prefix != y.prefix)
            return x.prefix < y.prefix ? -1 : 1;
        if (x.kind == 2) {
            const char *bytes = owner.keyBytes_.data();
            const int c = std::strcmp(bytes + owner.keyOffset_[x.row], bytes + owner.keyOffset_[y.row]);
            return c < 0 ? -1 : c > 0 ? 1 : 0;
        }
        if (x.kind == 0)
            return 0;
        return compareCellValues(RowRef(rows[x.row], columns).cell(owner.column_),
                                 RowRef(rows[y.row], columns).cell(owner.column_));
    }
    bool operator()(const Entry &x, const Entry &y) const { return compare(x, y) < 0; }
};

const std::vector<quint32> &CollationRanks::ranks(const std::vector<const char *> &rows, int columns)
{
    keysMade_ = 0;
    const std::size_t known = keyOffset_.size();
    if (built_ && changed_.empty() && known == rows.size())
        return ranks_;
    for (std::size_t r = known; r < rows.size(); ++r)
        changed_.push_back(quint32(r)); // appended since the last sort
    keyOffset_.resize(rows.size(), kNoKey);
    keyPrefix_.resize(rows.size(), 0);
    keyFromIcu_.resize(rows.size(), 0);
    kind_.resize(rows.size(), kDeleted);
    std::vector<quint32> which;
    if (!built_) {
        which.resize(rows.size());
        for (quint32 r = 0; r < which.size(); ++r)
            which[r] = r;
    } else {
        std::sort(changed_.begin(), changed_.end());
        changed_.erase(std::unique(changed_.begin(), changed_.end()), changed_.end());
        which.swap(changed_);
    }
    changed_.clear();
    makeKeys(rows, columns, which);

    const bool mixed = std::find(keyFromIcu_.begin(), keyFromIcu_.end(), 1) != keyFromIcu_.end();
    const Order order{*this, rows, columns, mixed ? mixedCollator() : nullptr};
    std::vector<Entry> fresh = entriesOf(which);
    sortEntries(fresh, order);
    if (built_)
        fresh = mergeWithKept(std::move(fresh), which, order);
    built_ = true;
    sorted_.resize(fresh.size());
    ranks_.assign(rows.size(), 0);
    quint32 rank = 0;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        if (i > 0 && order.compare(fresh[i - 1], fresh[i]) != 0)
            ++rank;
        sorted_[i] = fresh[i].row;
        ranks_[fresh[i].row] = rank;
    }
    return ranks_;
}

// Orders texts eight key bytes at a time (an MSD radix sort on whole words): rows alike so far are
// ordered by their next eight bytes, so no comparison ever walks a key from its start.
void CollationRanks::sortByKeyBytes(Entry *first, Entry *last, std::size_t depth) const
{
    if (last - first >= 4096)
        radixByPrefix(first, last);
    else
        std::sort(first, last, [](const Entry &x, const Entry &y) { return x.prefix < y.prefix; });
    // Titles made on one pattern share long beginnings: in a large column the rows alike in their
    // first bytes are ordered further by two threads, each taking whole runs.
    if (depth > 0 || last - first < 20000 || std::thread::hardware_concurrency() < 2) {
        sortRuns(first, last, depth);
        return;
    }
    Entry *middle = first + (last - first) / 2;
    while (middle < last && middle->prefix == middle[-1].prefix)
        ++middle;
    std::thread helper([&] { sortRuns(middle, last, depth); });
    sortRuns(first, middle, depth);
    helper.join();
}

// Orders each run of rows whose keys are alike in the eight bytes from depth on.
void CollationRanks::sortRuns(Entry *first, Entry *last, std::size_t depth) const
{
    for (Entry *run = first; run < last;) {
        Entry *end = run + 1;
        while (end < last && end->prefix == run->prefix)
            ++end;
        // A chunk ending in a zero holds the key's end: the keys of the run are the same. A few
        // rows alike so far (copies of one book, most often) compare the rest of their keys.
        if (end - run > 16 && (run->prefix & 0xFF) != 0) {
            for (Entry *e = run; e < end; ++e) {
                if (end - e > 8)
                    __builtin_prefetch(keyBytes_.data() + keyOffset_[e[8].row] + depth + 8);
                e->prefix = keyChunk(keyBytes_.data() + keyOffset_[e->row], depth + 8);
            }
            sortByKeyBytes(run, end, depth + 8);
        } else if (end - run > 1 && (run->prefix & 0xFF) != 0) {
            const char *keys = keyBytes_.data() + depth + 8;
            std::sort(run, end, [this, keys](const Entry &x, const Entry &y) {
                return std::strcmp(keys + keyOffset_[x.row], keys + keyOffset_[y.row]) < 0;
            });
        }
        run = end;
    }
}

// A stable LSD radix sort by the 64-bit prefix, sixteen bits a pass.
void CollationRanks::radixByPrefix(Entry *first, Entry *last)
{
    const std::size_t n = std::size_t(last - first);
    std::vector<Entry> scratch(n);
    std::vector<std::size_t> count(65537);
    Entry *from = first, *to = scratch.data();
    for (int shift = 0; shift < 64; shift += 16) {
        std::fill(count.begin(), count.end(), 0);
        for (std::size_t i = 0; i < n; ++i)
            ++count[((from[i].prefix >> shift) & 0xFFFF) + 1];
        for (std::size_t d = 1; d < count.size(); ++d)
            count[d] += count[d - 1];
        for (std::size_t i = 0; i < n; ++i)
            to[count[(from[i].prefix >> shift) & 0xFFFF]++] = from[i];
        std::swap(from, to);
    }
    // Four passes leave the result where it started.
}

// Kinds first (NULL, numbers, texts, blobs); texts by their keys, the others by their values.
void CollationRanks::sortEntries(std::vector<Entry> &entries, const Order &order) const
{
    const auto byKind = [](const Entry &x, const Entry &y) { return x.kind < y.kind; };
    if (!std::is_sorted(entries.begin(), entries.end(), byKind))
        std::stable_sort(entries.begin(), entries.end(), byKind);
    const auto kindEnd = [&entries](quint8 kind) {
        return std::partition_point(entries.begin(), entries.end(), [kind](const Entry &e) { return e.kind <= kind; });
    };
    const auto numbers = kindEnd(0), texts = kindEnd(1), blobs = kindEnd(2);
    std::sort(numbers, texts, order);
    // Each make of key sorts as bytes on its own; then the two runs merge.
    const auto icuKeys = std::partition(texts, blobs, [](const Entry &e) { return !e.fromIcu; });
    for (const auto &[from, to] : {std::pair(texts, icuKeys), std::pair(icuKeys, blobs)}) {
        sortByKeyBytes(entries.data() + (from - entries.begin()), entries.data() + (to - entries.begin()), 0);
        for (auto e = from; e != to; ++e)
            e->prefix = keyPrefix_[e->row];
    }
    if (icuKeys != texts && icuKeys != blobs) {
        const std::vector<Entry> table(texts, icuKeys), icu(icuKeys, blobs);
        mergeRuns(table, icu, &*texts, order);
    }
    std::sort(blobs, entries.end(), order);
}

// Merges two sorted runs into out. A short run goes in by binary search, so that a few rows cost a
// few searches rather than a comparison with every row (comparisons across makes go through ICU).
void CollationRanks::mergeRuns(const std::vector<Entry> &a, const std::vector<Entry> &b, Entry *out, const Order &order)
{
    const std::vector<Entry> &longer = a.size() >= b.size() ? a : b, &shorter = a.size() >= b.size() ? b : a;
    if (shorter.size() * 16 > longer.size()) {
        std::merge(a.begin(), a.end(), b.begin(), b.end(), out, order);
        return;
    }
    auto from = longer.begin();
    for (const Entry &e : shorter) {
        const auto at = std::upper_bound(from, longer.end(), e, order);
        out = std::copy(from, at, out);
        *out++ = e;
        from = at;
    }
    std::copy(from, longer.end(), out);
}

// Only the changed rows were sorted: the others keep their places and the two merge.
std::vector<CollationRanks::Entry> CollationRanks::mergeWithKept(std::vector<Entry> changed,
                                                                 const std::vector<quint32> &which, const Order &order)
{
    std::vector<char> isChanged(order.rows.size(), 0);
    for (quint32 r : which)
        isChanged[r] = 1;
    std::vector<quint32> kept;
    kept.reserve(sorted_.size());
    for (quint32 r : sorted_)
        if (!isChanged[r])
            kept.push_back(r);
    const std::vector<Entry> old = entriesOf(kept);
    std::vector<Entry> merged(old.size() + changed.size());
    mergeRuns(old, changed, merged.data(), order);
    return merged;
}

void SortKeyCache::rowChanged(quint32 row)
{
    for (auto &c : columns_)
        c->rowChanged(row);
}

CollationRanks &SortKeyCache::column(int column, bool caseInsensitive)
{
    for (auto &c : columns_)
        if (c->column() == column && c->caseInsensitive() == caseInsensitive)
            return *c;
    columns_.push_back(std::make_unique<CollationRanks>(column, caseInsensitive));
    return *columns_.back();
}

} // namespace data
