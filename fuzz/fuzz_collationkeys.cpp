// Sort keys from the table of collation weights: two texts split by a 0xFF byte, each keyed in
// both comparisons; where the table keys both, the keys compare as bytes exactly as ICU compares
// the texts, and a text the table cannot key leaves the key buffer as it was.
#include "FuzzCheck.h"
#include "data/dataset/RussianCollator.h"
#include "data/dataset/TableCollationKeys.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

using fuzzcheck::check;
using fuzzcheck::shown;

namespace {

int sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

QString pair(std::string_view a, std::string_view b)
{
    return shown(QString::fromUtf8(a.data(), qsizetype(a.size()))) + QStringLiteral(" | ") +
           shown(QString::fromUtf8(b.data(), qsizetype(b.size())));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t split = input.find('\xFF');
    const std::string_view a = input.substr(0, split);
    const std::string_view b = split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
    for (const bool caseInsensitive : {false, true}) {
        static const data::CollatorPtr collators[2] = {data::openRussianCollator(false), data::openRussianCollator(true)};
        const data::TableCollationKeys &table = data::TableCollationKeys::russian(caseInsensitive);
        std::string keyA = "kept", keyB;
        const bool keyedA = table.append(a, keyA);
        check(keyedA || keyA == "kept", "a text the table cannot key leaves the buffer as it was", pair(a, b));
        if (keyedA)
            check(keyA.size() > 4 && keyA.back() == '\0' && std::strlen(keyA.c_str() + 4) + 5 == keyA.size(),
                  "a key ends in its only NUL", pair(a, b));
        if (!keyedA || !table.append(b, keyB))
            continue;
        UErrorCode status = U_ZERO_ERROR;
        const int icu = ucol_strcollUTF8(collators[caseInsensitive].get(), a.data(), int(a.size()), b.data(),
                                         int(b.size()), &status);
        const int ours = sign(std::strcmp(keyA.c_str() + 4, keyB.c_str()));
        check(ours == icu, "table keys compare as ICU compares the texts", pair(a, b));
    }
    return 0;
}
