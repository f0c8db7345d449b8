#include "MarcValues.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace marc {

namespace {

bool isLetter(QChar c) { return c.isLetter(); }

// Abbreviations of three letters or more that end a field with their own full stop.
constexpr std::array<const char16_t *, 27> LongAbbreviations{
    u"изд", u"ред", u"сост", u"пер", u"соч", u"собр", u"илл", u"библиогр", u"прил", u"вып", u"дис", u"канд",
    u"испр", u"доп", u"перераб",
    u"etc", u"eds", u"vol", u"inc", u"ltd", u"pbk", u"illus", u"comp", u"trans", u"rev", u"enl", u"bros"};

// The word before a final full stop is an abbreviation: short, with a capital inside ("СПб"),
// or a known one.
bool endsWithAbbreviation(const QString &v)
{
    qsizetype start = v.size() - 1;
    while (start > 0 && isLetter(v[start - 1]))
        --start;
    const QString word = v.mid(start, v.size() - 1 - start);
    if (word.isEmpty())
        return false; // "1991.", "c1991." end an area
    if (word.size() <= 2)
        return true;
    for (qsizetype i = 1; i < word.size(); ++i)
        if (word[i].isUpper())
            return true;
    const QString lower = word.toLower();
    for (const char16_t *a : LongAbbreviations)
        if (lower == QStringView(a))
            return true;
    return false;
}

QString withCrLf(const QString &value)
{
    if (!value.contains(u'\r') && !value.contains(u'\n'))
        return value;
    QString out;
    out.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\r' || c == u'\n') {
            out += QStringLiteral("\r\n");
            if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

bool isNoncharacter(char32_t c) { return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE; }

// From a blank up to the surrogates a character is kept as it is: nothing to look at closer.
bool isPlain(char16_t c) { return char16_t(c - 0x20) < 0xD800 - 0x20; }

// The first character from `from` on that is not plain, n when there is none; eight at a time
// in one vector register.
qsizetype skipPlain(const char16_t *p, qsizetype from, qsizetype n)
{
    using Eight = std::uint16_t __attribute__((vector_size(16)));
    qsizetype i = from;
    for (; i + 8 <= n; i += 8) {
        Eight v;
        std::memcpy(&v, p + i, sizeof v);
        const auto outside = (v - std::uint16_t(0x20)) >= std::uint16_t(0xD800 - 0x20);
        std::uint64_t halves[2];
        std::memcpy(halves, &outside, sizeof halves);
        if (halves[0] | halves[1])
            break;
    }
    while (i < n && isPlain(p[i]))
        ++i;
    return i;
}

} // namespace

QString cardValue(const QString &value, Punctuation punctuation, bool last)
{
    QString v = withCrLf(value).trimmed();
    if (punctuation == Punctuation::Bare)
        return v;
    for (;;) {
        const qsizetype before = v.size();
        for (const char *separator : {" :", " /", " ;", " =", ","})
            if (v.endsWith(QLatin1String(separator)))
                v.chop(qsizetype(qstrlen(separator)));
        if (last && v.endsWith(u'.') && !endsWithAbbreviation(v))
            v.chop(1);
        v = v.trimmed();
        if (v.size() == before)
            return v;
    }
}

QString exchangeText(const QString &text)
{
    // Most text is kept as it is, line breaks already CR LF too: export asks this of every value.
    const char16_t *p = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype n = text.size();
    bool clean = true;
    for (qsizetype i = skipPlain(p, 0, n); i < n && clean; i = skipPlain(p, i + 1, n)) {
        const char16_t c = p[i];
        if (c == u'\r' && i + 1 < n && p[i + 1] == u'\n')
            ++i;
        else
            clean = c == u'\t' || (c > 0xDFFF && !isNoncharacter(c));
    }
    if (clean && (text.isEmpty() || (!text.front().isSpace() && !text.back().isSpace())))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            if (!isNoncharacter(QChar::surrogateToUcs4(c, text[i + 1])))
                out += QStringView(text).mid(i, 2);
            ++i;
        } else if (!c.isSurrogate() && !isNoncharacter(c.unicode()) &&
                   (c.unicode() >= 0x20 || c == u'\t' || c == u'\r' || c == u'\n')) {
            out += c;
        }
    }
    return withCrLf(out).trimmed();
}

QStringList listItems(const QString &text, const QString &separator)
{
    if (!text.contains(separator))
        return {text};
    const QStringList items = text.split(separator);
    for (const QString &item : items)
        if (item.isEmpty() || item.front().isSpace() || item.back().isSpace())
            return {text};
    return items;
}

std::optional<NameParts> splitPersonalName(const QString &name)
{
    const qsizetype space = name.indexOf(u' ');
    if (space < 1)
        return std::nullopt;
    const QString surname = name.left(space);
    for (QChar c : surname)
        if (!c.isLetter() && c != u'-' && c != u'\'' && c != u'\u2019')
            return std::nullopt;
    const QStringList rest = name.mid(space + 1).split(u' ');
    NameParts parts{surname, {}, {}};
    const bool initials = std::all_of(rest.begin(), rest.end(), [](const QString &w) {
        // "Л.", "Л.Н." and "Дж." are initials
        return w.size() >= 2 && w.back() == u'.' && w[0].isUpper() &&
               std::all_of(w.begin(), w.end(), [](QChar c) { return c.isLetter() || c == u'.'; });
    });
    const bool forenames = std::all_of(rest.begin(), rest.end(), [](const QString &w) {
        return w.size() >= 2 && w[0].isUpper() && std::all_of(w.begin() + 1, w.end(), [](QChar c) { return c.isLower(); });
    });
    if (initials) {
        parts.initials = name.mid(space + 1);
    } else if (forenames) {
        parts.forenames = name.mid(space + 1);
        QStringList letters;
        for (const QString &w : rest)
            letters << w.left(1) + u'.';
        parts.initials = letters.join(u' ');
    } else {
        return std::nullopt;
    }
    return parts;
}

bool isSurnameFirst(const QString &name) { return name.contains(u' ') || name.contains(u','); }

std::optional<IsbnText> splitIsbnText(const QString &text)
{
    const qsizetype end = text.indexOf(u' ');
    IsbnText out{text.left(end < 0 ? text.size() : end), {}};
    if (out.number.isEmpty() || !std::all_of(out.number.begin(), out.number.end(), [](QChar c) {
            return c.isDigit() || c == u'-' || c == u'X' || c == u'x';
        }))
        return std::nullopt;
    QStringView rest = end < 0 ? QStringView() : QStringView(text).mid(end);
    while (!rest.isEmpty()) {
        const qsizetype close = rest.indexOf(u')');
        if (!rest.startsWith(QLatin1String(" (")) || close < 3)
            return std::nullopt;
        const QStringView qualifier = rest.mid(2, close - 2);
        if (qualifier.contains(u'(') || qualifier.trimmed() != qualifier)
            return std::nullopt;
        out.qualifiers << qualifier.toString();
        rest = rest.mid(close + 1);
    }
    return out;
}

QString joinIsbnText(const QString &number, const QStringList &qualifiers)
{
    QString out = number;
    for (const QString &q : qualifiers)
        out += QStringLiteral(" (") + q + u')';
    return out;
}

int nonfilingCharacters(const QString &title)
{
    if (hasCyrillic(title))
        return 0;
    static const char *const articles[] = {"The ", "A ", "An ", "Le ", "La ", "Les ", "L'", "Un ", "Une ", "Der ", "Die ",
                                           "Das ", "Ein ", "Eine ", "El ", "Los ", "Las ", "Il ", "Gli "};
    for (const char *article : articles)
        if (title.startsWith(QLatin1String(article)) && title.size() > qsizetype(qstrlen(article)))
            return int(qstrlen(article));
    return 0;
}

bool hasCyrillic(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x400 && c.unicode() <= 0x4FF; });
}

} // namespace marc
