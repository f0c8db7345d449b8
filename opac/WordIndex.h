#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace opac {

// A set of holdings by their place in the index, one bit each.
class HoldingSet {
public:
    explicit HoldingSet(std::size_t size = 0, bool full = false);
    void add(std::uint32_t holding) { bits_[holding >> 6] |= std::uint64_t(1) << (holding & 63); }
    bool has(std::uint32_t holding) const { return bits_[holding >> 6] >> (holding & 63) & 1; }
    void intersect(const HoldingSet &other);
    std::vector<std::uint32_t> members() const;

private:
    std::size_t size_;
    std::vector<std::uint64_t> bits_;
};

// Words and the holdings each occurs in, words in byte order so that all the words beginning with
// a prefix lie together.
class WordIndex {
public:
    // Collects (word, holding) pairs, in any order and with repeats, until build().
    void add(std::string_view word, std::uint32_t holding);
    void build();

    // Every holding with a word that begins with the prefix goes into the set.
    void addWordsBeginning(std::string_view prefix, HoldingSet &set) const;
    // The holdings of exactly this word, ascending.
    std::vector<std::uint32_t> holdingsOf(std::string_view word) const;
    std::size_t wordCount() const { return words_.size(); }
    const std::string &word(std::size_t i) const { return words_[i]; }

private:
    // While collecting: each word once, with its number, and the pairs as word number << 32 | holding.
    std::unordered_map<std::string, std::uint32_t> numbers_;
    std::vector<std::uint64_t> pending_;
    std::vector<std::string> words_;
    std::vector<std::uint32_t> start_; // where each word's holdings begin in holdings_; one more at the end
    std::vector<std::uint32_t> holdings_;
};

} // namespace opac
