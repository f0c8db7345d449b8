#include "data/dataset/CollationRanks.h"

#include "data/DataError.h"
#include "data/dataset/Row.h"

#include <QString>
#include <algorithm>
#include <cstring>
#include <thread>
#include <unordered_map>
#include <unicode/ucol.h>

namespace data {

namespace {

constexpr quint32 kNoKey = 0xFFFFFFFFu;

using CollatorPtr = std::unique_ptr<UCollator, decltype(&ucol_close)>;

// The collator QCollator makes for Russian, opened directly so that the keys can be written into
// one buffer: keys of their own each take an allocation and a pointer chase per comparison.
CollatorPtr openCollator(bool caseInsensitive)
{
    UErrorCode status = U_ZERO_ERROR;
    CollatorPtr collator(ucol_open("ru_RU", &status), &ucol_close);
    if (U_FAILURE(status))
        throw DataError(QStringLiteral("The Russian collation is not available"));
    ucol_setAttribute(collator.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator.get(), UCOL_STRENGTH, caseInsensitive ? UCOL_SECONDARY : UCOL_DEFAULT_STRENGTH, &status);
    ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(collator.get(), UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    return collator;
}

// What one thread makes: keys of the listed rows' text cells, appended to bytes; each row's
// offset into bytes and the key's first eight bytes as a number go into the arrays by row.
struct KeyJob {
    const std::vector<const char *> &rows;
    int columns;
    int column;
    bool caseInsensitive;
    quint32 *offsets;
    quint64 *prefixes;

    void run(const quint32 *which, std::size_t count, std::string &bytes) const
    {
        CollatorPtr collator = openCollator(caseInsensitive);
        std::vector<uint8_t> key(256);
        QString text;
        // Copies of a book share a title, and many books an author or publisher: a text met
        // before takes the key already made.
        std::unordered_map<std::string_view, quint32> made;
        made.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const quint32 r = which[i];
            const CellView c = RowRef(rows[r], columns).cell(column);
            const auto [known, isNew] = made.try_emplace(c.bytes, quint32(i));
            if (!isNew) {
                offsets[r] = offsets[which[known->second]];
                prefixes[r] = prefixes[which[known->second]];
                continue;
            }
            text = QString::fromUtf8(c.bytes.data(), qsizetype(c.bytes.size()));
            const auto *chars = reinterpret_cast<const UChar *>(text.utf16());
            int len = ucol_getSortKey(collator.get(), chars, int(text.size()), key.data(), int(key.size()));
            if (len > int(key.size())) {
                key.resize(std::size_t(len));
                len = ucol_getSortKey(collator.get(), chars, int(text.size()), key.data(), int(key.size()));
            }
            // The key ends in a NUL of its own, so strcmp compares keys as memcmp would.
            offsets[r] = quint32(bytes.size());
            bytes.append(reinterpret_cast<const char *>(key.data()), std::size_t(len));
            quint64 prefix = 0;
            for (int b = 0; b < 8; ++b)
                prefix = (prefix << 8) | (b < len ? key[std::size_t(b)] : 0);
            prefixes[r] = prefix;
        }
    }
};

} // namespace

struct CollationRanks::Entry {
    quint64 prefix; // the key's first bytes for texts, 0 otherwise
    quint32 row;
    quint8 kind;
};

void CollationRanks::makeKeys(const std::vector<const char *> &rows, int columns, const std::vector<quint32> &which)
{
    std::vector<quint32> texts;
    texts.reserve(which.size());
    for (quint32 r : which) {
        keyOffset_[r] = kNoKey;
        if (rows[r] && RowRef(rows[r], columns).cell(column_).type == CellType::Text)
            texts.push_back(r);
    }
    keysMade_ += texts.size();
    const KeyJob job{rows, columns, column_, caseInsensitive_, keyOffset_.data(), keyPrefix_.data()};
    // Making keys is most of a first sort's time: a large column is shared between two threads.
    if (texts.size() < 20000 || std::thread::hardware_concurrency() < 2) {
        job.run(texts.data(), texts.size(), keyBytes_);
        return;
    }
    const std::size_t half = texts.size() / 2;
    std::string secondBytes;
    secondBytes.reserve((texts.size() - half) * 48);
    keyBytes_.reserve(keyBytes_.size() + half * 48);
    std::thread helper([&] { job.run(texts.data() + half, texts.size() - half, secondBytes); });
    job.run(texts.data(), half, keyBytes_);
    helper.join();
    const quint32 shift = quint32(keyBytes_.size());
    keyBytes_ += secondBytes;
    for (std::size_t i = half; i < texts.size(); ++i)
        keyOffset_[texts[i]] += shift;
}

std::vector<CollationRanks::Entry> CollationRanks::entriesOf(const std::vector<const char *> &rows, int columns,
                                                             const std::vector<quint32> &which) const
{
    std::vector<Entry> entries;
    entries.reserve(which.size());
    for (quint32 r : which) {
        if (!rows[r])
            continue; // deleted
        const auto kind = quint8(sortKindOf(RowRef(rows[r], columns).cell(column_).type));
        entries.push_back(Entry{kind == 2 ? keyPrefix_[r] : 0, r, kind});
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

    int compare(const Entry &x, const Entry &y) const
    {
        if (x.kind != y.kind)
            return x.kind < y.kind ? -1 : 1;
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

    const Order order{*this, rows, columns};
    std::vector<Entry> fresh = entriesOf(rows, columns, which);
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

namespace {

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

} // namespace

// Orders texts eight key bytes at a time (an MSD radix sort on whole words): rows alike so far are
// ordered by their next eight bytes, so no comparison ever walks a key from its start.
void CollationRanks::sortByKeyBytes(Entry *first, Entry *last, std::size_t depth) const
{
    if (last - first >= 4096)
        radixByPrefix(first, last);
    else
        std::sort(first, last, [](const Entry &x, const Entry &y) { return x.prefix < y.prefix; });
    for (Entry *run = first; run < last;) {
        Entry *end = run + 1;
        while (end < last && end->prefix == run->prefix)
            ++end;
        // A chunk ending in a zero holds the key's end: the keys of the run are the same.
        if (end - run > 1 && (run->prefix & 0xFF) != 0) {
            for (Entry *e = run; e < end; ++e)
                e->prefix = keyChunk(keyBytes_.data() + keyOffset_[e->row], depth + 8);
            sortByKeyBytes(run, end, depth + 8);
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
    sortByKeyBytes(entries.data() + (texts - entries.begin()), entries.data() + (blobs - entries.begin()), 0);
    for (auto e = texts; e != blobs; ++e)
        e->prefix = keyPrefix_[e->row];
    std::sort(blobs, entries.end(), order);
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
    const std::vector<Entry> old = entriesOf(order.rows, order.columns, kept);
    std::vector<Entry> merged(old.size() + changed.size());
    std::merge(old.begin(), old.end(), changed.begin(), changed.end(), merged.begin(), order);
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
