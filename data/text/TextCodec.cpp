#include "data/text/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace data {

namespace {

constexpr auto Stateless = QStringConverter::Flag::Stateless;

QStringEncoder encoderFor(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 ? QStringEncoder(QStringConverter::Utf8, Stateless)
                                          : QStringEncoder("windows-1251", Stateless);
}

QStringDecoder decoderFor(TextEncoding encoding)
{
    return encoding == TextEncoding::Utf8 ? QStringDecoder(QStringConverter::Utf8, Stateless)
                                          : QStringDecoder("windows-1251", Stateless);
}

} // namespace

QByteArray encodeText(const QString &text, TextEncoding encoding, bool *lossless)
{
    QStringEncoder encoder = encoderFor(encoding);
    QByteArray out = encoder.encode(text);
    if (lossless)
        *lossless = !encoder.hasError();
    return out;
}

QByteArray encodeCp1251(const QString &text, bool *lossless)
{
    return encodeText(text, TextEncoding::Cp1251, lossless);
}

QString decodeText(const QByteArray &bytes, TextEncoding encoding)
{
    QStringDecoder decoder = decoderFor(encoding);
    return decoder.decode(bytes);
}

TextEncoding guessEncoding(const QByteArray &bytes)
{
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii)
        return TextEncoding::Cp1251;
    QStringDecoder utf8 = decoderFor(TextEncoding::Utf8);
    // The conversion runs only when its result is taken.
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? TextEncoding::Cp1251 : TextEncoding::Utf8;
}

QString decodeCp1251OrUtf8(const QByteArray &bytes)
{
    return decodeText(bytes, guessEncoding(bytes));
}

} // namespace data
