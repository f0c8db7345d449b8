#include "data/dataset/TableCollationKeys.h"

#include "data/dataset/RussianCollator.h"

#include <algorithm>
#include <map>
#include <unicode/ucoleitr.h>

namespace data {

namespace {

// One collation element as ICU compares it: tertiary weights without their case bits, as a
// comparison with the case ordered neither first nor on a level of its own uses them.
struct Element {
    std::uint32_t primary = 0;
    std::uint32_t secondary = 0;
    std::uint32_t tertiary = 0;
};

constexpr std::uint32_t kCommonWeight = 0x0500;
constexpr unsigned char kCommonRank = 2;

// The characters worth a table entry: controls that may sit in a text (tab, line breaks), ASCII,
// the no-break space and guillemets, the Cyrillic block, dashes, quotation marks, the ellipsis and
// the number sign.
std::vector<char32_t> candidates()
{
    std::vector<char32_t> list = {0x09, 0x0A, 0x0D, 0xA0, 0xAB, 0xBB, 0x2026, 0x2116};
    for (char32_t c = 0x20; c < 0x7F; ++c)
        list.push_back(c);
    for (char32_t c = 0x400; c < 0x460; ++c)
        list.push_back(c);
    for (char32_t c = 0x2010; c <= 0x201E; ++c)
        list.push_back(c);
    return list;
}

// ICU hands a 64-bit element out as one or two 32-bit halves: the high half of the primary with
// the high bytes of the other two, then, marked by 0xC0, the low half with the low bytes.
std::vector<Element> elementsOf(UCollationElements *iterator, char16_t c)
{
    UErrorCode status = U_ZERO_ERROR;
    ucol_setText(iterator, reinterpret_cast<const UChar *>(&c), 1, &status);
    std::vector<Element> elements;
    for (;;) {
        const std::int32_t next = ucol_next(iterator, &status);
        if (next == UCOL_NULLORDER || U_FAILURE(status))
            break;
        const auto half = std::uint32_t(next);
        if ((half & 0xC0) == 0xC0 && !elements.empty()) {
            Element &e = elements.back();
            e.primary |= half >> 16;
            e.secondary |= (half >> 8) & 0xFF;
            e.tertiary |= half & 0x3F;
            continue;
        }
        elements.push_back(Element{half & 0xFFFF0000u, half & 0xFF00u, (half & 0x3F) << 8});
    }
    std::erase_if(elements, [](const Element &e) { return e.primary == 0 && e.secondary == 0 && e.tertiary == 0; });
    return elements;
}

// A character the table can hold: up to three elements, the first with a primary weight; those
// with a primary weight have the common secondary weight, those without one a secondary weight
// above it (the diaeresis of Ё); every tertiary weight is at least the common one. Or nothing at
// all (a line break). Then texts with the same primary weights have as many common secondary
// weights, and trailing common weights can be dropped from a key.
bool fitsTheTable(const std::vector<Element> &elements)
{
    if (elements.empty())
        return true;
    if (elements.size() > 3 || elements[0].primary == 0)
        return false;
    return std::all_of(elements.begin(), elements.end(), [](const Element &e) {
        return e.tertiary >= kCommonWeight &&
               (e.primary != 0 ? e.secondary == kCommonWeight : e.secondary > kCommonWeight);
    });
}

// The primary weight of a one-character text as ICU writes it into a key: reordered, so that
// Cyrillic comes before Latin.
std::uint32_t keyPrimary(const UCollator *collator, char16_t c)
{
    unsigned char key[64];
    const int length = ucol_getSortKey(collator, reinterpret_cast<const UChar *>(&c), 1, key, int(sizeof key));
    std::uint32_t primary = 0;
    for (int i = 0; i < 4 && i < length && key[i] > 1; ++i)
        primary |= std::uint32_t(key[i]) << (24 - 8 * i);
    return primary;
}

// Ranks from 2 upward of the values, in ascending order.
template <typename Value>
void rank(std::map<Value, unsigned char> &values)
{
    unsigned char next = kCommonRank;
    for (auto &[value, r] : values)
        r = next++;
}

} // namespace

TableCollationKeys::TableCollationKeys(const UCollator *collator, bool withTertiary) : withTertiary_(withTertiary)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<UCollationElements, decltype(&ucol_closeElements)> iterator(
        ucol_openElements(collator, nullptr, 0, &status), &ucol_closeElements);
    if (U_FAILURE(status))
        return; // no table: every text takes ICU's key

    std::vector<std::pair<char32_t, std::vector<Element>>> kept;
    // Reordering moves whole lead bytes of primary weights: where each lead byte goes is learnt
    // from the characters of one primary weight and applies to those of several (№ is N and o).
    std::array<int, 256> reorderedLead;
    reorderedLead.fill(-1);
    for (const char32_t c : candidates()) {
        std::vector<Element> elements = elementsOf(iterator.get(), char16_t(c));
        if (!fitsTheTable(elements))
            continue;
        const auto primaries = std::count_if(elements.begin(), elements.end(), [](const Element &e) { return e.primary; });
        if (primaries == 1) {
            const std::uint32_t reordered = keyPrimary(collator, char16_t(c));
            int &lead = reorderedLead[elements[0].primary >> 24];
            const bool sameRest = (reordered & 0xFFFFFF) == (elements[0].primary & 0xFFFFFF);
            if (lead != 256) // 256: seen going to two places, or not as a whole byte
                lead = !sameRest || (lead >= 0 && lead != int(reordered >> 24)) ? 256 : int(reordered >> 24);
        }
        kept.emplace_back(c, std::move(elements));
    }
    const auto reorder = [&reorderedLead](std::uint32_t primary) -> std::uint32_t {
        const int lead = reorderedLead[primary >> 24];
        return lead < 0 || lead > 255 ? 0 : std::uint32_t(lead) << 24 | (primary & 0xFFFFFF);
    };
    std::erase_if(kept, [&reorder](const auto &character) {
        return std::any_of(character.second.begin(), character.second.end(),
                           [&reorder](const Element &e) { return e.primary && !reorder(e.primary); });
    });
    std::map<std::uint32_t, unsigned char> primaries, secondaries{{kCommonWeight, 0}}, tertiaries{{kCommonWeight, 0}};
    for (const auto &[c, elements] : kept)
        for (const Element &e : elements) {
            if (e.primary)
                primaries.emplace(reorder(e.primary), 0);
            secondaries.emplace(e.secondary, 0);
            tertiaries.emplace(e.tertiary, 0);
        }
    // A key byte holds a rank: more than 250 different weights would not fit (they never occur).
    if (primaries.size() > 250 || secondaries.size() > 250 || tertiaries.size() > 250)
        return;
    rank(primaries);
    rank(secondaries);
    rank(tertiaries);

    for (const auto &[c, elements] : kept) {
        Character ch;
        ch.elements = static_cast<unsigned char>(elements.size());
        for (std::size_t i = 0; i < elements.size(); ++i) {
            ch.primary[i] = elements[i].primary ? primaries[reorder(elements[i].primary)] : 0;
            ch.secondary[i] = secondaries[elements[i].secondary];
            ch.tertiary[i] = tertiaries[elements[i].tertiary];
        }
        characters_.push_back(ch);
        const auto index = static_cast<unsigned char>(characters_.size());
        if (c < below0500_.size())
            below0500_[c] = index;
        else
            from2010_[c - 0x2010] = index;
    }
}

const TableCollationKeys &TableCollationKeys::russian(bool caseInsensitive)
{
    // Each table is made when a sort first asks for it, not both at once.
    const auto make = [](bool insensitive) {
        const CollatorPtr collator = openRussianCollator(insensitive);
        return TableCollationKeys(collator.get(), !insensitive);
    };
    if (caseInsensitive) {
        static const TableCollationKeys insensitive = make(true);
        return insensitive;
    }
    static const TableCollationKeys sensitive = make(false);
    return sensitive;
}

const TableCollationKeys::Character *TableCollationKeys::find(char32_t c) const
{
    unsigned char index = 0;
    if (c < below0500_.size())
        index = below0500_[c];
    else if (c >= 0x2010 && c < 0x2010 + from2010_.size())
        index = from2010_[c - 0x2010];
    return index ? &characters_[index - 1] : nullptr;
}

bool TableCollationKeys::append(std::string_view utf8, std::string &out) const
{
    if (characters_.empty())
        return false;
    // The three levels are written side by side into a scratch buffer, then joined; a character
    // has at most three weights on a level and takes at least one byte of UTF-8.
    thread_local std::vector<char> scratch;
    const std::size_t most = 3 * utf8.size() + 1;
    if (scratch.size() < 3 * most)
        scratch.resize(3 * most + 1024);
    char *const primaryStart = scratch.data(), *const secondaryStart = primaryStart + most,
                *const tertiaryStart = secondaryStart + most;
    char *primary = primaryStart, *secondary = secondaryStart, *tertiary = tertiaryStart;
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.data());
    const auto *end = p + utf8.size();
    while (p < end) {
        char32_t c;
        if (p[0] < 0x80) {
            c = *p++;
        } else if ((p[0] & 0xE0) == 0xC0 && end - p >= 2 && (p[1] & 0xC0) == 0x80 && p[0] >= 0xC2) {
            c = char32_t((p[0] & 0x1F) << 6 | (p[1] & 0x3F));
            p += 2;
        } else if ((p[0] & 0xF0) == 0xE0 && end - p >= 3 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
            c = char32_t((p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
            p += 3;
            if (c < 0x800)
                c = 0xFFFD; // an overlong form reads as a replacement character
        } else {
            c = 0xFFFD; // not in the table: ICU's key, of the text as the program reads it
        }
        const Character *ch = find(c);
        if (!ch)
            return false;
        for (int i = 0; i < ch->elements; ++i) {
            const auto e = std::size_t(i);
            if (ch->primary[e])
                *primary++ = char(ch->primary[e]);
            *secondary++ = char(ch->secondary[e]);
            *tertiary++ = char(ch->tertiary[e]);
        }
    }
    while (secondary > secondaryStart && secondary[-1] == char(kCommonRank))
        --secondary;
    while (tertiary > tertiaryStart && tertiary[-1] == char(kCommonRank))
        --tertiary;
    out.append(primaryStart, primary);
    out.push_back('\x01');
    out.append(secondaryStart, secondary);
    if (withTertiary_) {
        out.push_back('\x01');
        out.append(tertiaryStart, tertiary);
    }
    out.push_back('\0');
    return true;
}

} // namespace data
