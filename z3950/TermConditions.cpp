// One term of a query as a condition on the catalogue: the fields a Bib-1 use attribute names,
// and where a term (or each of its words) must sit in their text.
#include "TermConditions.h"

#include "Bib1Error.h"
#include "Isbn.h"
#include "MyLower.h"

#include <yaz/diagbib1.h>

#include <optional>
#include <span>

namespace z3950 {

namespace {

// Where a term must sit in a value. The first three are a field's own rules; the others are what
// explicit attributes ask for. Word anchors look at the value with its punctuation made blanks.
enum class Anchor {
    Anywhere,   // the value holds it, as the main window's search of a title
    NameStart,  // a name of the list begins with it, as the main window's search of authors
    WholeValue, // the value is it, as the keyword pane finds a keyword
    ValueStart,
    ValueEnd,
    Word,       // a whole word (or words) of the value
    WordStart,
    WordEnd,
    FirstWord,  // the value's first word
    FirstWordStart,
};

bool wordAnchor(Anchor a) { return a >= Anchor::Word; }

enum class Kind { Text, Isbn, Year };

// A column the field looks at (none: the holding's keywords), with how a term given whole and how
// each word of a word list is matched there when the query says nothing of it.
struct Part {
    const char *column;
    Anchor phrase, word;
};

struct Field {
    int use;
    Kind kind;
    std::span<const Part> parts;
};

constexpr Part Title[] = {{"title", Anchor::Anywhere, Anchor::Anywhere}};
constexpr Part Author[] = {{"author", Anchor::NameStart, Anchor::WordStart}};
constexpr Part Subject[] = {{nullptr, Anchor::WholeValue, Anchor::WordStart}};
constexpr Part Publisher[] = {{"publisher", Anchor::Anywhere, Anchor::Anywhere}};
constexpr Part AnyText[] = {{"title", Anchor::Anywhere, Anchor::Anywhere},     {"author", Anchor::Anywhere, Anchor::Anywhere},
                            {"publisher", Anchor::Anywhere, Anchor::Anywhere}, {"annotation", Anchor::Anywhere, Anchor::Anywhere},
                            {"notes", Anchor::Anywhere, Anchor::Anywhere},     {nullptr, Anchor::Anywhere, Anchor::Anywhere}};
constexpr Part IsbnColumn[] = {{"isbn", Anchor::WholeValue, Anchor::WholeValue}};
constexpr Part YearColumn[] = {{"year_p", Anchor::WholeValue, Anchor::WholeValue}};

// Bib-1 use attributes: ISBN, title, author (and personal name), subject, any word, publisher,
// date of publication (and date).
constexpr Field Fields[] = {
    {7, Kind::Isbn, IsbnColumn},  {4, Kind::Text, Title},        {1003, Kind::Text, Author},
    {1, Kind::Text, Author},      {21, Kind::Text, Subject},     {1016, Kind::Text, AnyText},
    {1035, Kind::Text, AnyText},  {1018, Kind::Text, Publisher}, {31, Kind::Year, YearColumn},
    {30, Kind::Year, YearColumn},
};

const Field &fieldOf(int use)
{
    for (const Field &f : Fields)
        if (f.use == (use ? use : 1016))
            return f;
    throw Bib1Error(YAZ_BIB1_UNSUPP_USE_ATTRIBUTE, QString::number(use));
}

// The characters a word search takes for blanks, in the value and in the term alike.
constexpr char16_t WordBreaks[] = u",.:;!?()[]\"«»/";

// A Z39.58 mask ("?") stays when the term is masked.
QString blanksForBreaks(QString text, int truncation = 0)
{
    for (char16_t c : std::u16string_view(WordBreaks))
        if (c != u'?' || truncation != 104)
            text.replace(QChar(c), u' ');
    return text.simplified();
}

// The value as a word anchor reads it: lower-cased, punctuation made blanks, a blank either side.
QString wordsOf(const QString &value)
{
    QString expression = value;
    for (char16_t c : std::u16string_view(WordBreaks))
        expression = QStringLiteral("REPLACE(%1, '%2', ' ')").arg(expression, QString(QChar(c)));
    return QStringLiteral("' ' || %1 || ' '").arg(expression);
}

// The unit escaped for LIKE ... ESCAPE '\'; masking characters (truncation 101: "#" for any
// characters; 104, Z39.58: "?" for any, "#" for one) become LIKE's own.
QString likeText(const QString &unit, int truncation)
{
    QString out;
    for (qsizetype i = 0; i < unit.size(); ++i) {
        const QChar c = unit[i];
        if (truncation == 101 && c == u'#') {
            out += u'%';
        } else if (truncation == 104 && c == u'?') {
            out += u'%';
            while (i + 1 < unit.size() && unit[i + 1].isDigit())
                ++i; // "?3", at most three: read as any number
        } else if (truncation == 104 && c == u'#') {
            out += u'_';
        } else {
            if (c == u'\\' || c == u'%' || c == u'_')
                out += u'\\';
            out += c;
        }
    }
    return out;
}

QStringList patternsOf(Anchor anchor, const QString &u)
{
    switch (anchor) {
    case Anchor::Anywhere: return {u'%' + u + u'%'};
    case Anchor::NameStart: return {u + u'%', QStringLiteral("%, ") + u + u'%', QStringLiteral("%; ") + u + u'%'};
    case Anchor::WholeValue: return {u};
    case Anchor::ValueStart: return {u + u'%'};
    case Anchor::ValueEnd: return {u'%' + u};
    case Anchor::Word: return {QStringLiteral("% ") + u + QStringLiteral(" %")};
    case Anchor::WordStart: return {QStringLiteral("% ") + u + u'%'};
    case Anchor::WordEnd: return {u'%' + u + QStringLiteral(" %")};
    case Anchor::FirstWord: return {u' ' + u + QStringLiteral(" %")};
    case Anchor::FirstWordStart: return {u' ' + u + u'%'};
    }
    return {};
}

// The anchor the attributes ask for, or none when they leave it to the field.
std::optional<Anchor> explicitAnchor(const TermAttributes &a)
{
    const int t = a.truncation;
    if (a.completeness == 2 || a.completeness == 3)
        return t == 1 ? Anchor::ValueStart : t == 2 ? Anchor::ValueEnd : t == 3 ? Anchor::Anywhere : Anchor::WholeValue;
    if (a.position == 1 || a.position == 2)
        return t == 1 || t == 3 ? Anchor::FirstWordStart : Anchor::FirstWord;
    switch (t) {
    case 1: return Anchor::WordStart;
    case 2: return Anchor::WordEnd;
    case 3: return Anchor::Anywhere;
    case 100:
    case 101:
    case 104: return Anchor::Word;
    default: return std::nullopt;
    }
}

void checkAttributes(const TermAttributes &a, Kind kind)
{
    if (a.position < 0 || a.position > 3)
        throw Bib1Error(YAZ_BIB1_UNSUPP_POSITION_ATTRIBUTE, QString::number(a.position));
    if (a.completeness < 0 || a.completeness > 3)
        throw Bib1Error(YAZ_BIB1_UNSUPP_COMPLETENESS_ATTRIBUTE, QString::number(a.completeness));
    const int t = a.truncation;
    if (t != 0 && t != 1 && t != 2 && t != 3 && t != 100 && t != 101 && t != 104)
        throw Bib1Error(YAZ_BIB1_UNSUPP_TRUNCATION_ATTRIBUTE, QString::number(t));
    if (kind == Kind::Year && t != 0 && t != 100)
        throw Bib1Error(YAZ_BIB1_UNSUPP_TRUNCATION_ATTRIBUTE, QString::number(t));
    const int s = a.structure;
    const bool structureTaken = s == 0 || s == 1 || s == 2 || s == 3 || s == 6 || s == 105 || s == 106 || s == 108 ||
                                (s == 4 && kind == Kind::Year);
    if (!structureTaken)
        throw Bib1Error(YAZ_BIB1_UNSUPP_STRUCTURE_ATTRIBUTE, QString::number(s));
    const int r = a.relation;
    const bool relationTaken = r == 0 || r == 3 || r == 102 || r == 103 || (kind == Kind::Year && r >= 1 && r <= 6);
    if (!relationTaken)
        throw Bib1Error(YAZ_BIB1_UNSUPP_RELATION_ATTRIBUTE, QString::number(r));
}

// One unit (the term, or a word of it) in every part of the field: any part may hold it.
void addUnit(SqlCondition &out, const Field &field, const QString &unit, const TermAttributes &a, bool fromWordList)
{
    const std::optional<Anchor> asked = explicitAnchor(a);
    QStringList anyPart;
    for (const Part &part : field.parts) {
        const Anchor anchor = asked ? *asked : fromWordList ? part.word : part.phrase;
        const QString value = QStringLiteral("my_lower(%1)").arg(QLatin1String(part.column ? part.column : "keyword"));
        const QString compared = wordAnchor(anchor) ? wordsOf(value) : value;
        const QString text = likeText(wordAnchor(anchor) ? blanksForBreaks(unit, a.truncation) : unit, a.truncation);
        QStringList likes;
        for (const QString &pattern : patternsOf(anchor, text)) {
            likes << compared + QStringLiteral(" LIKE ? ESCAPE '\\'");
            out.values << pattern;
        }
        const QString any = likes.join(QStringLiteral(" OR "));
        anyPart << (part.column ? any : QStringLiteral("id IN (SELECT book_id FROM keywords WHERE %1)").arg(any));
    }
    out.text += u'(' + anyPart.join(QStringLiteral(" OR ")) + u')';
}

SqlCondition textCondition(const Field &field, const TermAttributes &a, const QString &term)
{
    const QString lowered = loweredTerm(term).trimmed();
    const bool wordList = a.structure == 6 || a.structure == 105 || a.structure == 106;
    const QStringList units = wordList ? blanksForBreaks(lowered, a.truncation).split(u' ', Qt::SkipEmptyParts) : QStringList{lowered};
    if (units.size() > MaxTermWords)
        throw Bib1Error(YAZ_BIB1_TOO_MANY_ARGUMENT_WORDS, QString::number(units.size()));
    if (units.isEmpty() || units.first().isEmpty())
        return {QStringLiteral("0 = 1"), {}}; // nothing to look for finds nothing
    SqlCondition out;
    out.text = u'(';
    for (qsizetype i = 0; i < units.size(); ++i) {
        if (i)
            out.text += a.structure == 6 ? QStringLiteral(" AND ") : QStringLiteral(" OR ");
        addUnit(out, field, units[i], a, wordList);
    }
    out.text += u')';
    return out;
}

SqlCondition isbnCondition(const Field &field, const TermAttributes &a, const QString &term)
{
    if (term.trimmed().isEmpty())
        return {QStringLiteral("0 = 1"), {}};
    if (a.truncation == 0 || a.truncation == 100) {
        SqlCondition out;
        for (const QString &writing : marc::isbnWritings(term))
            out.values << writing;
        out.text = QStringLiteral("isbn IN (%1)").arg(QStringList(out.values.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
        return out;
    }
    // Truncated or masked: the ISBN as typed, within the value.
    TermAttributes whole = a;
    whole.completeness = 3;
    SqlCondition out;
    addUnit(out, field, loweredTerm(term).trimmed(), whole, false);
    return out;
}

SqlCondition yearCondition(const TermAttributes &a, const QString &term)
{
    bool ok = false;
    const qlonglong year = term.trimmed().toLongLong(&ok);
    if (!ok)
        throw Bib1Error(YAZ_BIB1_ILLEGAL_TERM_VALUE_FOR_ATTRIBUTE, term.left(40));
    static const char *const comparisons[] = {"=", "<", "<=", "=", ">=", ">", "<>"};
    const int r = a.relation >= 1 && a.relation <= 6 ? a.relation : 0;
    return {QStringLiteral("year_p %1 ?").arg(QLatin1String(comparisons[r])), {year}};
}

} // namespace

QString loweredTerm(const QString &term)
{
    std::string lowered;
    const QByteArray utf8 = term.toUtf8();
    store::lowerUtf8(std::string_view(utf8.constData(), std::size_t(utf8.size())), lowered);
    return QString::fromUtf8(lowered.data(), qsizetype(lowered.size()));
}

SqlCondition termCondition(const TermAttributes &attributes, const QString &term)
{
    const Field &field = fieldOf(attributes.use);
    checkAttributes(attributes, field.kind);
    if (term.size() > MaxTermCharacters)
        throw Bib1Error(YAZ_BIB1_TOO_MANY_CHARS_IN_SEARCH_STATEMENT, QString::number(term.size()));
    if (attributes.relation == 103) // AlwaysMatches: every record, whatever the term
        return {QStringLiteral("1 = 1"), {}};
    switch (field.kind) {
    case Kind::Isbn: return isbnCondition(field, attributes, term);
    case Kind::Year: return yearCondition(attributes, term);
    case Kind::Text: break;
    }
    return textCondition(field, attributes, term);
}

} // namespace z3950
