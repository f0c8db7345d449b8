#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

struct UCollator;

namespace data {

// Sort keys for the texts a catalogue mostly holds (Russian and Latin letters, digits, spaces and
// common punctuation), made from a table of each character's collation weights, which ICU is
// asked for once. ICU's own key takes a conversion to UTF-16 and a walk through its collation
// machinery per character; a table lookup is several times cheaper.
//
// The keys are not ICU's bytes, but two of them compare as memcmp exactly as ICU compares the two
// texts: level by level, primary weights first, then the secondary weights,
// then the tertiary ones, each level's trailing common weights left out. A text with a character
// the table lacks gets no key here; its key comes from ICU and is compared with these through ICU.
class TableCollationKeys {
public:
    // The table for the collator's comparison; withTertiary is false for a case-insensitive one.
    TableCollationKeys(const UCollator *collator, bool withTertiary);

    // The shared tables of the Russian collation, case-sensitive and case-insensitive.
    static const TableCollationKeys &russian(bool caseInsensitive);

    // Appends the key of utf8 to out, ending in a NUL, and returns true; returns false and leaves
    // out as it was when the text has a character the table lacks (or is not valid UTF-8).
    bool append(std::string_view utf8, std::string &out) const;

    // How many characters the table covers: for tests.
    std::size_t size() const { return characters_.size(); }

private:
    // One character's collation elements, their weights as small ranks (2 upward; 0 and 1
    // separate the levels). An element with no primary weight (the diaeresis of Ё) has rank 0 there.
    struct Character {
        unsigned char elements = 0; // 0: completely ignorable
        std::array<unsigned char, 3> primary{};
        std::array<unsigned char, 3> secondary{};
        std::array<unsigned char, 3> tertiary{};
    };

    const Character *find(char32_t c) const;

    bool withTertiary_;
    std::vector<Character> characters_;
    // Index + 1 into characters_ by code point, 0 where the table has no entry.
    std::array<unsigned char, 0x500> below0500_{};
    std::array<unsigned char, 0x110> from2010_{};
};

} // namespace data
