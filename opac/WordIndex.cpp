// An inverted index held in memory: a catalogue of 300,000 holdings cannot be scanned with LIKE
// for every page a reader asks for, and the catalogue is opened for reading only.
#include "WordIndex.h"

#include <algorithm>
#include <bit>
#include <numeric>

namespace opac {

HoldingSet::HoldingSet(std::size_t size, bool full) : size_(size), bits_((size + 63) / 64, full ? ~std::uint64_t(0) : 0)
{
    if (full && size % 64)
        bits_.back() = (std::uint64_t(1) << (size % 64)) - 1;
}

void HoldingSet::intersect(const HoldingSet &other)
{
    for (std::size_t i = 0; i < bits_.size(); ++i)
        bits_[i] &= other.bits_[i];
}

std::vector<std::uint32_t> HoldingSet::members() const
{
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < bits_.size(); ++i)
        for (std::uint64_t w = bits_[i]; w; w &= w - 1)
            out.push_back(std::uint32_t(i * 64 + std::size_t(std::countr_zero(w))));
    return out;
}

void WordIndex::add(std::string_view word, std::uint32_t holding)
{
    auto [it, added] = numbers_.try_emplace(std::string(word), std::uint32_t(numbers_.size()));
    pending_.push_back(std::uint64_t(it->second) << 32 | holding);
}

void WordIndex::build()
{
    // Number the words in byte order, then the pairs sorted by that order give each word's run.
    words_.assign(numbers_.size(), {});
    for (auto &[w, n] : numbers_)
        words_[n] = w;
    std::vector<std::uint32_t> order(words_.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return words_[a] < words_[b]; });
    std::vector<std::uint32_t> place(order.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        place[order[i]] = i;
    for (std::uint64_t &p : pending_)
        p = std::uint64_t(place[p >> 32]) << 32 | (p & 0xffffffffu);
    std::sort(pending_.begin(), pending_.end());
    pending_.erase(std::unique(pending_.begin(), pending_.end()), pending_.end());
    std::vector<std::string> sorted(order.size());
    for (std::uint32_t i = 0; i < order.size(); ++i)
        sorted[i] = std::move(words_[order[i]]);
    words_ = std::move(sorted);
    start_.assign(words_.size() + 1, 0);
    holdings_.resize(pending_.size());
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        ++start_[(pending_[i] >> 32) + 1];
        holdings_[i] = std::uint32_t(pending_[i]);
    }
    std::partial_sum(start_.begin(), start_.end(), start_.begin());
    pending_ = {};
    numbers_ = {};
}

void WordIndex::addWordsBeginning(std::string_view prefix, HoldingSet &set) const
{
    auto it = std::lower_bound(words_.begin(), words_.end(), prefix,
                               [](const std::string &w, std::string_view p) { return std::string_view(w) < p; });
    for (; it != words_.end() && std::string_view(*it).starts_with(prefix); ++it) {
        const std::size_t n = std::size_t(it - words_.begin());
        for (std::uint32_t i = start_[n]; i < start_[n + 1]; ++i)
            set.add(holdings_[i]);
    }
}

std::vector<std::uint32_t> WordIndex::holdingsOf(std::string_view word) const
{
    auto it = std::lower_bound(words_.begin(), words_.end(), word,
                               [](const std::string &w, std::string_view p) { return std::string_view(w) < p; });
    if (it == words_.end() || *it != word)
        return {};
    const std::size_t n = std::size_t(it - words_.begin());
    return {holdings_.begin() + start_[n], holdings_.begin() + start_[n + 1]};
}

} // namespace opac
