// Inventory codes as scanned or typed, matched against a holding's letter and number.
#include "ScannedCode.h"

#include "HoldingCode.h"

namespace store {

namespace {

bool isSeparator(QChar c) { return c.isSpace() || c == u'-' || c == u'/' || c == u'.'; }

// A letter as it is compared: upper case, without the blanks and dashes typed inside it.
QString plainLetters(const QString &text)
{
    QString plain;
    for (QChar c : text)
        if (!isSeparator(c))
            plain += c.toUpper();
    return plain;
}

// The Latin form a barcode gives a letter ("Ж" is "ZH"), made by the code itself so that the two
// never disagree; nullopt when the letter has no such form.
std::optional<QString> barcodeLetters(const QString &letters)
{
    QString code = holdingCode(letters, QStringLiteral("0"));
    if (code.isEmpty())
        return std::nullopt;
    code.chop(1);
    return plainLetters(code);
}

// The Russian layout's letters in the order of the Latin keys a to z that carry them; a key whose
// Russian character is no letter of a Latin key (the brackets, the semicolon) has none here.
const char16_t RussianKeys[] = u"фисвуапршолдьтщзйкыегмцчня";

} // namespace

std::optional<ScannedCode> parseScannedCode(const QString &text)
{
    const QString typed = text.trimmed();
    qsizetype start = typed.size();
    while (start > 0 && typed[start - 1] >= u'0' && typed[start - 1] <= u'9')
        --start;
    if (start == typed.size())
        return std::nullopt;
    QString digits = typed.mid(start);
    while (digits.size() > 1 && digits.front() == u'0')
        digits.remove(0, 1);
    if (digits.size() > 18)
        return std::nullopt;
    ScannedCode code;
    code.number = digits.toLongLong();
    for (QChar c : typed.left(start)) {
        if (isSeparator(c))
            continue;
        if (!c.isLetterOrNumber())
            return std::nullopt;
        code.letters += c.toUpper();
    }
    return code;
}

bool codeNamesHolding(const ScannedCode &code, const QString &liter, qint64 invNum)
{
    if (invNum != code.number)
        return false;
    if (code.letters.isEmpty())
        return true;
    const QString mine = plainLetters(liter);
    if (mine.isEmpty())
        return false;
    if (mine == code.letters)
        return true;
    const auto typed = barcodeLetters(code.letters), stored = barcodeLetters(liter);
    return typed && stored && !stored->isEmpty() && *typed == *stored;
}

QString latinKeysOf(const QString &letters)
{
    QString latin;
    for (QChar c : letters) {
        const char16_t *key = std::char_traits<char16_t>::find(RussianKeys, 26, c.toLower().unicode());
        if (!key)
            return {};
        latin += QChar(char16_t(u'A' + (key - RussianKeys)));
    }
    return latin;
}

QString shownHoldingCode(const QString &liter, qint64 invNum)
{
    const QString letter = liter.trimmed();
    return letter.isEmpty() ? QString::number(invNum) : letter + u'-' + QString::number(invNum);
}

} // namespace store
