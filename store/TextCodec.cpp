#include "TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace store {

QByteArray encodeCp1251(const QString &text, bool *lossless)
{
    QStringEncoder encoder("windows-1251");
    QByteArray out = encoder.encode(text);
    if (lossless)
        *lossless = !encoder.hasError();
    return out;
}

QString decodeCp1251OrUtf8(const QByteArray &bytes)
{
    bool ascii = true;
    for (char c : bytes)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (!ascii) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(bytes);
        if (!utf8.hasError())
            return text;
    }
    QStringDecoder cp1251("windows-1251");
    return cp1251.decode(bytes);
}

} // namespace store
