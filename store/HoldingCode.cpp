#include "HoldingCode.h"

namespace store {

namespace {

// ГОСТ 7.79-2000, system B, upper case; the hard and soft signs have no letter there that a
// scanner's keyboard types in every layout, so they are left out of a code.
const char *const cyrillicLetters[32] = {"A",  "B",  "V", "G", "D", "E",  "ZH", "Z",   "I", "J", "K",
                                         "L",  "M",  "N", "O", "P", "R",  "S",  "T",   "U", "F", "X",
                                         "CZ", "CH", "SH", "SHH", "", "Y", "", "E", "YU", "YA"};

// The ASCII form of one character; nullptr when it has none.
const char *asciiOf(QChar c, char (&single)[2])
{
    const char16_t u = c.toUpper().unicode();
    if (u >= 0x21 && u <= 0x7E) {
        single[0] = char(u);
        single[1] = 0;
        return single;
    }
    if (u >= 0x0410 && u <= 0x042F)
        return cyrillicLetters[u - 0x0410];
    if (u == 0x0401) // Ё
        return "YO";
    return nullptr;
}

} // namespace

QStringList uncarriedCharacters(const QString &liter, const QString &invNum)
{
    QStringList bad;
    auto note = [&bad](QChar c) {
        const QString shown = c.isSpace() ? QStringLiteral("пробел") : QString(c);
        if (!bad.contains(shown))
            bad << shown;
    };
    char single[2];
    for (QChar c : liter)
        if (!c.isSpace() && !asciiOf(c, single))
            note(c);
    for (QChar c : invNum.trimmed())
        if (c.unicode() < 0x21 || c.unicode() > 0x7E)
            note(c);
    return bad;
}

QString holdingCode(const QString &liter, const QString &invNum)
{
    const QString number = invNum.trimmed();
    if (number.isEmpty())
        return {};
    QString code;
    char single[2];
    for (QChar c : liter) {
        if (c.isSpace())
            continue;
        const char *ascii = asciiOf(c, single);
        if (!ascii)
            return {};
        code += QLatin1String(ascii);
    }
    if (!code.isEmpty() && code.back().isDigit())
        code += u'-';
    for (QChar c : number)
        if (c.unicode() < 0x21 || c.unicode() > 0x7E)
            return {};
    return code + number;
}

} // namespace store
