// A holding written as a record by the format's table: identity, coded fields dated now, the
// indicators each field's definition asks for, and free text too long for one field cut into
// fields linked by $8.
#include "MarcMapping.h"

#include "MarcValues.h"

#include <QStringEncoder>
#include <algorithm>
#include <cstring>
#include <QHash>

namespace marc {

namespace {

// The tags of the tables as shared strings: export writes a hundred thousand records with them.
// A table's tag is one string for good, so its address finds it.
QString tagText(const char *tag)
{
    thread_local std::vector<std::pair<const char *, QString>> tags;
    for (const auto &[at, text] : tags)
        if (at == tag)
            return text;
    tags.emplace_back(tag, QString::fromLatin1(tag));
    return tags.back().second;
}

// A field's tag is the table's: three characters compared as they stand, for every field of
// every holding exported.
bool isTag(const QString &tag, const char *tableTag)
{
    return tag.size() == 3 && tag[0] == QLatin1Char(tableTag[0]) && tag[1] == QLatin1Char(tableTag[1]) &&
           tag[2] == QLatin1Char(tableTag[2]);
}

// The parts of a value for the rule's subfields: cut at the joiner, the rest in the last one.
QStringList splitForCodes(const QString &value, const MappingRule &rule)
{
    const int codes = int(std::strlen(rule.codes));
    if (codes < 2)
        return {value};
    const QLatin1StringView joiner(rule.joiner);
    if (joiner.trimmed().isEmpty() || !value.contains(joiner))
        return {value};
    QStringList parts;
    QString rest = value;
    while (parts.size() + 1 < codes) {
        const qsizetype at = rest.indexOf(joiner);
        if (at <= 0)
            break;
        parts << rest.left(at);
        rest = rest.mid(at + joiner.size());
    }
    return parts << rest;
}

// A field of the tag written earlier for this holding that lacks every one of the codes.
Field *openFieldFor(Record &record, const MappingRule &rule)
{
    for (Field &f : record.fields) {
        if (!isTag(f.tag, rule.tag))
            continue;
        const bool free = std::none_of(f.subfields.begin(), f.subfields.end(),
                                       [&](const Subfield &s) { return std::strchr(rule.codes, s.code.toLatin1()); });
        if (free)
            return &f;
    }
    return nullptr;
}

// UTF-8 bytes of the character at `at`: a pair of surrogates is four, the low half then none;
// a half alone becomes U+FFFD, three.
int utf8Width(QStringView text, qsizetype at)
{
    const char16_t c = text[at].unicode();
    if (c < 0x80)
        return 1;
    if (c < 0x800)
        return 2;
    if (QChar::isHighSurrogate(c) && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        return 4;
    if (QChar::isLowSurrogate(c) && at > 0 && text[at - 1].isHighSurrogate())
        return 0;
    return 3;
}

// Cut where the text still fits a field, after a blank when one is near, never inside a
// surrogate pair or a CR LF, nor before a combining mark while a cut elsewhere is possible.
QStringList linkedChunks(const QString &text)
{
    QStringList chunks;
    QStringView rest(text);
    for (;;) {
        qsizetype fits = 0, bytes = 0;
        while (fits < rest.size()) {
            const int width = utf8Width(rest, fits);
            if (bytes + width > LinkedChunkBytes)
                break;
            bytes += width;
            ++fits;
        }
        if (fits == rest.size())
            break;
        // A mark composes with the letter before it when read back: the two stay in one field.
        qsizetype cut = fits;
        while (cut > 0 && (rest[cut].isLowSurrogate() || rest[cut].isMark() || (rest[cut] == u'\n' && rest[cut - 1] == u'\r')))
            --cut;
        // Only marks, a field long: cut among them rather than never (a pair of surrogates
        // always fits whole, as its low half takes no bytes).
        if (cut == 0)
            cut = fits;
        for (qsizetype back = cut; back > cut - 200 && back > 1; --back)
            if (rest[back - 1] == u' ') {
                cut = back;
                break;
            }
        chunks << rest.left(cut).toString();
        rest = rest.mid(cut);
    }
    return chunks << rest.toString();
}

void writeLinked(Record &record, const MappingRule &rule, const QString &text, int &links)
{
    const QStringList chunks = linkedChunks(text);
    const QChar code = QLatin1Char(rule.codes[0]);
    if (chunks.size() == 1) {
        record.addField(tagText(rule.tag)).subfields.push_back({code, text});
        return;
    }
    ++links;
    for (int i = 0; i < chunks.size(); ++i) {
        Field &f = record.addField(tagText(rule.tag));
        f.subfields.push_back({u'8', QStringLiteral("%1.%2\\x").arg(links).arg(i + 1)});
        f.subfields.push_back({code, chunks[i]});
    }
}

// MARC21 writes the name as the card has it, surname first (first indicator 1) or a forename
// alone (0); RUSMARC parts it into surname, initials and forenames.
void writeName(Record &record, const MappingRule &rule, const QString &name, Format format)
{
    Field &f = record.addField(tagText(rule.tag));
    const QChar form = isSurnameFirst(name) ? u'1' : u'0';
    if (format == Format::Marc21) {
        f.ind1 = form;
        f.subfields.push_back({u'a', name});
        return;
    }
    f.ind2 = form;
    const auto parts = splitPersonalName(name);
    if (!parts) {
        f.subfields.push_back({u'a', name});
        return;
    }
    f.subfields.push_back({u'a', parts->surname});
    f.subfields.push_back({u'b', parts->initials});
    if (!parts->forenames.isEmpty())
        f.subfields.push_back({u'g', parts->forenames});
}

void writeIsbn(Record &record, const MappingRule &rule, const QString &text)
{
    Field &f = record.addField(tagText(rule.tag));
    const auto parts = splitIsbnText(text);
    f.subfields.push_back({QLatin1Char(rule.codes[0]), parts ? parts->number : text});
    if (parts)
        for (const QString &q : parts->qualifiers)
            f.subfields.push_back({QLatin1Char(rule.codes[1]), q});
}

void writeRule(Record &record, const MappingRule &rule, const BookFields &fields, Format format, int &links)
{
    if (rule.write == Write::No || (rule.field == BookField::Keywords && fields.keywords.isEmpty()))
        return;
    const QString text = rule.field == BookField::Keywords ? QString() : fieldText(fields, rule.field);
    if (text.isEmpty() && rule.field != BookField::Keywords)
        return;
    QStringList items;
    if (rule.write != Write::Whole)
        items = rule.field == BookField::Keywords ? fields.keywords : listItems(text, itemSeparator(rule.field));
    switch (rule.write) {
    case Write::No:
        return;
    case Write::Whole: {
        if (rule.shape == Shape::Linked)
            return writeLinked(record, rule, text, links);
        Field *f = openFieldFor(record, rule);
        if (!f)
            f = &record.addField(tagText(rule.tag));
        if (!rule.codes[1]) { // one subfield, the value whole: no list to make
            f->subfields.push_back({QLatin1Char(rule.codes[0]), text});
            return;
        }
        const QStringList parts = splitForCodes(text, rule);
        for (int i = 0; i < parts.size(); ++i)
            f->subfields.push_back({QLatin1Char(rule.codes[i]), parts[i]});
        return;
    }
    case Write::First:
        items = items.mid(0, 1);
        break;
    case Write::Rest:
        items.removeFirst();
        break;
    case Write::Each:
        break;
    }
    for (const QString &item : items) {
        if (rule.field == BookField::Author)
            writeName(record, rule, item, format);
        else if (rule.shape == Shape::Isbn)
            writeIsbn(record, rule, item);
        else
            record.addField(tagText(rule.tag)).subfields.push_back({QLatin1Char(rule.codes[0]), item});
    }
}

// The moment in the forms the coded fields write, worked out once for a whole export.
struct Dates {
    QString entered6, entered8, latest;
};
const Dates &datesOf(const QDateTime &now)
{
    thread_local QDateTime at;
    thread_local Dates dates;
    if (at != now) {
        at = now;
        dates = {now.toString(QStringLiteral("yyMMdd")), now.toString(QStringLiteral("yyyyMMdd")),
                 now.toString(QStringLiteral("yyyyMMddhhmmss.0"))};
    }
    return dates;
}

// Leader, identity and the coded fields the format asks for: no ISBD punctuation is written
// (MARC21 leader/18 "c"), a year unknown is said so, the language and script follow the title.
void writeControlFields(Record &record, const Holding &holding, Format format, const QDateTime &now)
{
    const std::optional<int> &y = holding.fields.year;
    const bool dated = y && *y >= 0 && *y <= 9999;
    const QString year = dated ? QString::number(*y).rightJustified(4, u'0') : QString();
    const bool cyrillic = hasCyrillic(holding.fields.title);
    const Dates &d = datesOf(now);
    record.addControl(tagText("001"), holding.inventoryNumber.isEmpty() ? QString::number(holding.id) : holding.inventoryNumber);
    if (format == Format::Marc21) {
        static const QString leader = QStringLiteral("00000nam a22000007c 4500");
        record.leader = leader;
        record.addControl(tagText("005"), d.latest);
        // Few years and two languages: each 008 is made once and shared.
        thread_local QHash<int, QString> made;
        const int key = (dated ? *y : -1) * 2 + (cyrillic ? 1 : 0);
        auto it = made.find(key);
        if (it == made.end() || !it->startsWith(d.entered6))
            it = made.insert(key, d.entered6 + (dated ? u's' + year + QStringLiteral("    ") : QStringLiteral("nuuuuuuuu")) +
                                      QStringLiteral("xx     ") + QStringLiteral("       000 0 ") +
                                      (cyrillic ? QStringLiteral("rus") : QStringLiteral("und")) + QStringLiteral(" d"));
        record.addControl(tagText("008"), *it);
        return;
    }
    // UNIMARC and RUSMARC say their character set in 100 $a, positions 26-29: "50" is UTF-8.
    record.leader = QStringLiteral("00000nam  2200000 i 450 ");
    record.addControl(tagText("005"), d.latest);
    record.addField(QStringLiteral("100")).subfields.push_back(
        {u'a', d.entered8 + (dated ? u'd' + year : QStringLiteral("u    ")) + QStringLiteral("    k  y0rusy50      ") +
                   (cyrillic || holding.fields.title.isEmpty() ? QStringLiteral("ca") : QStringLiteral("ba"))});
}

} // namespace

BookFields exchangeFields(const BookFields &given)
{
    BookFields f = given;
    for (QString *text : {&f.author, &f.title, &f.location, &f.publisher, &f.isbn, &f.annotation, &f.notes})
        *text = exchangeText(*text);
    for (QString &k : f.keywords)
        k = exchangeText(k);
    f.keywords.removeAll(QString());
    // A book has a few keywords, seldom one twice: looked for pair by pair before a list is rebuilt.
    const auto twice = [](const QStringList &list) {
        for (qsizetype i = 1; i < list.size(); ++i)
            for (qsizetype j = 0; j < i; ++j)
                if (list[i] == list[j])
                    return true;
        return false;
    };
    if (f.keywords.size() > 16 || twice(f.keywords))
        f.keywords.removeDuplicates();
    QList<QStringList> rubrics;
    for (QStringList path : std::as_const(f.rubrics)) {
        for (QString &title : path)
            title = exchangeText(title);
        path.removeAll(QString());
        if (!path.isEmpty() && !rubrics.contains(path))
            rubrics << path;
    }
    f.rubrics = rubrics;
    return f;
}

namespace {

// The title's indicators: MARC21 245 says whether a name heads the record and how many
// characters a leading article takes; RUSMARC 200 says the title is significant.
void setTitleIndicators(Record &record, Format format, const BookFields &fields)
{
    for (Field &f : record.fields) {
        if (format == Format::Marc21 && isTag(f.tag, "245")) {
            f.ind1 = fields.author.isEmpty() ? u'0' : u'1';
            f.ind2 = QChar(u'0' + std::min(nonfilingCharacters(fields.title), 9));
        } else if (format != Format::Marc21 && isTag(f.tag, "200")) {
            f.ind1 = u'1';
        }
    }
}

} // namespace

Record fromHolding(const Holding &holding, Format format, const QDateTime &now)
{
    const FormatTable &table = tableFor(format);
    Record record;
    record.fields.reserve(24);
    writeControlFields(record, holding, table.format, now);
    const BookFields fields = exchangeFields(holding.fields);
    int links = 0;
    for (const MappingRule &rule : table.rules)
        writeRule(record, rule, fields, table.format, links);
    for (const QStringList &path : fields.rubrics) {
        Field &f = record.addField(tagText(RubricTag));
        f.subfields.push_back({QLatin1Char(RubricTopCode), path.front()});
        for (qsizetype i = 1; i < path.size(); ++i)
            f.subfields.push_back({QLatin1Char(RubricLevelCode), path[i]});
    }
    setTitleIndicators(record, table.format, fields);
    if (!holding.inventoryNumber.isEmpty()) {
        Field &h = record.addField(tagText(table.holdingsTag));
        h.subfields.push_back({QLatin1Char(table.inventoryCode), holding.inventoryNumber});
        if (!holding.letter.isEmpty())
            h.subfields.push_back({QLatin1Char(table.letterCode), holding.letter});
    }
    // Fields in the order of their tags; those of one tag keep theirs. A few fields: sorted in place.
    for (std::size_t i = 1; i < record.fields.size(); ++i)
        for (std::size_t j = i; j > 0 && record.fields[j].tag < record.fields[j - 1].tag; --j)
            std::swap(record.fields[j], record.fields[j - 1]);
    return record;
}

} // namespace marc
