#pragma once

#include <QtGlobal>
#include <memory>
#include <string>
#include <vector>

struct UCollator;

namespace data {

// Where each held row of one text column stands among all held rows under the Russian collation.
// Sort keys (from the table of weights, or ICU's for a text with a rarer character) are made once,
// when the column is first sorted, and kept until rows change:
// a changed row gets a new key and is merged back in, so sorting again or sorting back costs no
// collation work, only an integer sort of ranks. Rows whose values compare equal share a rank.
class CollationRanks {
public:
    CollationRanks(int column, bool caseInsensitive) : column_(column), caseInsensitive_(caseInsensitive) {}

    int column() const { return column_; }
    bool caseInsensitive() const { return caseInsensitive_; }

    // The row was posted, appended or deleted: its key goes, the other rows keep theirs.
    void rowChanged(quint32 row);
    // The rank of every held row (by row number; deleted rows get 0), made current first.
    const std::vector<quint32> &ranks(const std::vector<const char *> &rows, int columns);
    // How many keys the last call to ranks() had to make: for tests that check the reuse.
    std::size_t keysMade() const { return keysMade_; }
    bool built() const { return built_; }

private:
    struct Entry;
    struct Order;
    void makeKeys(const std::vector<const char *> &rows, int columns, const std::vector<quint32> &which);
    std::vector<Entry> entriesOf(const std::vector<quint32> &which) const;
    void sortEntries(std::vector<Entry> &entries, const Order &order) const;
    void sortByKeyBytes(Entry *first, Entry *last, std::size_t depth) const;
    void sortRuns(Entry *first, Entry *last, std::size_t depth) const;
    static void radixByPrefix(Entry *first, Entry *last);
    static void mergeRuns(const std::vector<Entry> &a, const std::vector<Entry> &b, Entry *out, const Order &order);
    const UCollator *mixedCollator();
    std::vector<Entry> mergeWithKept(std::vector<Entry> changed, const std::vector<quint32> &which, const Order &order);

    int column_;
    bool caseInsensitive_;
    bool built_ = false;
    std::size_t keysMade_ = 0;
    // Keys back to back, each ending in a NUL, and where each row's starts (text cells only).
    std::string keyBytes_;
    std::vector<quint32> keyOffset_;
    std::vector<quint64> keyPrefix_;
    std::vector<quint8> keyFromIcu_; // 1 where ICU made the row's key (a character the table lacks)
    std::vector<quint8> kind_;       // the sort kind of each row's cell, as the keys were made
    std::unique_ptr<UCollator, void (*)(UCollator *)> mixed_{nullptr, nullptr};
    std::vector<quint32> sorted_; // held rows in ascending order
    std::vector<quint32> ranks_;
    std::vector<quint32> changed_;
};

// The ranks a dataset keeps, one per text column and comparison that has been sorted on.
class SortKeyCache {
public:
    void clear() { columns_.clear(); }
    void rowChanged(quint32 row);
    CollationRanks &column(int column, bool caseInsensitive);

private:
    std::vector<std::unique_ptr<CollationRanks>> columns_;
};

} // namespace data
