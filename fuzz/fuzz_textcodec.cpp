// The text codec: bytes decoded in the encoding guessed for them encode back to the same bytes
// (a UTF-8 mark at the start aside), and a text that encodes losslessly decodes back to itself.
#include "FuzzCheck.h"
#include "data/text/TextCodec.h"

#include <QByteArray>
#include <cstddef>
#include <cstring>
#include <cstdint>

using fuzzcheck::check;
using fuzzcheck::shown;
using data::TextEncoding;

namespace {

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

void checkBytes(const QByteArray &bytes)
{
    const data::TextEncoding guessed = data::guessEncoding(bytes);
    const QString text = data::decodeText(bytes, guessed);
    check(text == data::decodeCp1251OrUtf8(bytes), "decodeCp1251OrUtf8 decodes as guessed", hex(bytes));
    bool lossless = false;
    const QByteArray again = data::encodeText(text, guessed, &lossless);
    const QByteArray expected = guessed == data::TextEncoding::Utf8 && bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    check(lossless && again == expected, "decoded bytes encode back to themselves",
          hex(bytes) + QStringLiteral("\ngave ") + hex(again));
    if (guessed == data::TextEncoding::Cp1251)
        check(text.size() == bytes.size(), "code page 1251 gives one character per byte", hex(bytes));
}

void checkText(const QString &text, data::TextEncoding encoding)
{
    bool lossless = false;
    const QByteArray bytes = data::encodeText(text, encoding, &lossless);
    // A UTF-8 mark at the start is the file's, not the text's.
    const bool mark = encoding == data::TextEncoding::Utf8 && text.startsWith(QChar(0xFEFF));
    if (lossless)
        check(data::decodeText(bytes, encoding) == (mark ? text.mid(1) : text), "a text encoded losslessly decodes back",
              shown(text) + QStringLiteral(" as ") + hex(bytes));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    checkBytes(bytes);
    // The same bytes read as UTF-16 code units, lone surrogates and all.
    QString units(static_cast<qsizetype>(size / 2), Qt::Uninitialized);
    std::memcpy(units.data(), data, size / 2 * sizeof(QChar));
    checkText(units, data::TextEncoding::Cp1251);
    checkText(units, data::TextEncoding::Utf8);
    return 0;
}
