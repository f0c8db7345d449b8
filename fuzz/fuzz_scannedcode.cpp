// Codes as a scanner or the librarian types them at the lending desk, of any text: a code read
// has upper-case letters without separators and a number of at most 18 digits; written back as
// the desk shows a holding it reads the same and names that holding; the Russian layout's
// reading gives Latin capitals or nothing; a holding's barcode names the holding it was made of.
#include "FuzzCheck.h"
#include "HoldingCode.h"
#include "ScannedCode.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

using fuzzcheck::check;
using fuzzcheck::shown;

namespace {

// Text of up to `most` bytes, taken as UTF-8 as a keyboard's text arrives.
QString takeText(FuzzedDataProvider &in, std::size_t most)
{
    const std::string typed = in.ConsumeBytesAsString(in.ConsumeIntegralInRange<std::size_t>(0, most));
    return QString::fromUtf8(typed.data(), qsizetype(typed.size()));
}

void checkTyped(const QString &typed)
{
    const auto code = store::parseScannedCode(typed);
    if (!code)
        return;
    check(code->number >= 0 && code->number <= 999999999999999999LL, "the number is at most 18 digits", shown(typed));
    for (const QChar c : code->letters)
        check(c.isLetterOrNumber() && c == c.toUpper(), "the letters are upper-case letters and digits", shown(typed));
    const QString again = store::shownHoldingCode(code->letters, code->number);
    const auto reread = store::parseScannedCode(again);
    check(reread && reread->letters == code->letters && reread->number == code->number,
          "a code written as the desk shows it reads back the same", shown(typed) + u'\n' + shown(again));
    check(store::codeNamesHolding(*code, code->letters, code->number), "a code names the holding of its letters",
          shown(typed));
    check(!store::codeNamesHolding(*code, code->letters, code->number + 1), "a code names no other number", shown(typed));
    const QString latin = store::latinKeysOf(code->letters);
    for (const QChar c : latin)
        check(c >= u'A' && c <= u'Z', "the layout's reading is Latin capitals", shown(typed));
    check(latin.isEmpty() || latin.size() == code->letters.size(), "one Latin key a letter", shown(typed));
}

// A holding's barcode, scanned, names that holding.
void checkBarcode(const QString &liter, qint64 number)
{
    const QString barcode = store::holdingCode(liter, QString::number(number));
    if (barcode.isEmpty())
        return;
    const auto code = store::parseScannedCode(barcode);
    check(code && code->number == number, "a barcode's number reads back", shown(barcode));
    check(store::codeNamesHolding(*code, liter, number), "a barcode names its holding", shown(liter) + u' ' + shown(barcode));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString typed = takeText(in, 64);
    checkTyped(typed);
    const QString liter = takeText(in, 6);
    // Letters that are letters: a code's letter part keeps only those (a blank or a dash is a separator).
    bool plain = !liter.trimmed().isEmpty();
    for (const QChar c : liter)
        plain = plain && c.isLetterOrNumber();
    if (plain)
        checkBarcode(liter, in.ConsumeIntegralInRange<qint64>(0, 999999999));
    return 0;
}
