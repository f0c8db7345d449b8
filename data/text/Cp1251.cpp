#include "data/text/Cp1251.h"

#include <QStringDecoder>
#include <array>
#include <unordered_map>

namespace data {

namespace {

// The upper half of the code page, read once from the system's own table.
struct UpperHalf {
    std::unordered_map<char32_t, unsigned char> byteOf;
    UpperHalf()
    {
        QStringDecoder decoder("windows-1251");
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char byte = char(b);
            const QString c = decoder.decode(QByteArrayView(&byte, 1));
            if (c.size() == 1 && c[0] != QChar::ReplacementCharacter)
                byteOf.emplace(c[0].unicode(), static_cast<unsigned char>(b));
        }
    }
};

const UpperHalf &upperHalf()
{
    static const UpperHalf table;
    return table;
}

} // namespace

int cp1251Byte(char32_t c)
{
    if (c < 0x80)
        return int(c);
    if (c >= 0x410 && c <= 0x44F) // А to я, the bulk of every Russian text
        return int(c - 0x410 + 0xC0);
    const auto &map = upperHalf().byteOf;
    const auto it = map.find(c);
    return it == map.end() ? -1 : it->second;
}

namespace {

void appendCharacter(QByteArray &out, QStringView text, qsizetype &i)
{
    char32_t c = text[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
    const int b = cp1251Byte(c);
    if (b >= 0)
        out.append(char(b));
    else
        out.append("&#").append(QByteArray::number(quint32(c))).append(';');
}

} // namespace

void appendCp1251HtmlValue(QByteArray &out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        switch (text[i].unicode()) {
        case u'&': out.append("&amp;"); break;
        case u'<': out.append("&lt;"); break;
        case u'>': out.append("&gt;"); break;
        case u'"': out.append("&quot;"); break;
        default: appendCharacter(out, text, i);
        }
    }
}

void appendCp1251Html(QByteArray &out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        appendCharacter(out, text, i);
}

QByteArray encodeCp1251Html(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    appendCp1251Html(out, text);
    return out;
}

} // namespace data
