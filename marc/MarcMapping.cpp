// The mapping tables: one per format, read by toBookFields and written by fromHolding.
#include "MarcMapping.h"

#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <string_view>

namespace marc {

namespace {

using F = BookField;

// MARC21: 1XX/7XX names and 245 $c when there is no name; 260, else 264, for the imprint.
constexpr MappingRule Marc21Rules[] = {
    {"100", "a", F::Author, Take::First, "", Write::First},
    {"110", "a", F::Author, Take::First, "", Write::No},
    {"700", "a", F::Author, Take::All, "", Write::Rest},
    {"245", "c", F::Author, Take::IfEmpty, "", Write::No},
    {"245", "ab", F::Title, Take::First, " : ", Write::Whole},
    {"260", "a", F::Location, Take::First, "", Write::Whole},
    {"264", "a", F::Location, Take::IfEmpty, "", Write::No},
    {"260", "b", F::Publisher, Take::First, "", Write::Whole},
    {"264", "b", F::Publisher, Take::IfEmpty, "", Write::No},
    {"260", "c", F::Year, Take::First, "", Write::Whole},
    {"264", "c", F::Year, Take::IfEmpty, "", Write::No},
    {"300", "a", F::Pages, Take::First, "", Write::Whole},
    {"020", "a", F::Isbn, Take::First, "", Write::Whole},
    {"020", "c", F::Price, Take::First, "", Write::Whole},
    {"520", "a", F::Annotation, Take::All, "", Write::Whole},
    {"650", "a", F::Keywords, Take::All, "", Write::No},
    {"653", "a", F::Keywords, Take::All, "", Write::Each},
    {"500", "a", F::Notes, Take::All, "", Write::Whole},
};

// RUSMARC: 700 the first author, 701/702 the others, 710 a body; 200 $f when there is none.
constexpr MappingRule RusmarcRules[] = {
    {"700", "ab", F::Author, Take::First, " ", Write::First},
    {"701", "ab", F::Author, Take::All, " ", Write::Rest},
    {"702", "ab", F::Author, Take::All, " ", Write::No},
    {"710", "a", F::Author, Take::All, "", Write::No},
    {"200", "f", F::Author, Take::IfEmpty, "", Write::No},
    {"200", "ae", F::Title, Take::First, " : ", Write::Whole},
    {"210", "a", F::Location, Take::First, "", Write::Whole},
    {"210", "c", F::Publisher, Take::First, "", Write::Whole},
    {"210", "d", F::Year, Take::First, "", Write::Whole},
    {"215", "a", F::Pages, Take::First, "", Write::Whole},
    {"010", "a", F::Isbn, Take::First, "", Write::Whole},
    {"010", "d", F::Price, Take::First, "", Write::Whole},
    {"330", "a", F::Annotation, Take::All, "", Write::Whole},
    {"606", "a", F::Keywords, Take::All, "", Write::No},
    {"610", "a", F::Keywords, Take::All, "", Write::Each},
    {"300", "a", F::Notes, Take::All, "", Write::Whole},
};

const FormatTable Tables[] = {
    {Format::Marc21, Marc21Rules, "852", 'p', 'k'},
    {Format::Rusmarc, RusmarcRules, "899", 'p', 'k'},
    // UNIMARC keeps what the card holds in the same fields as RUSMARC; only the holdings differ.
    {Format::Unimarc, RusmarcRules, "995", 'f', 'k'},
};

// The subfields of one occurrence that the rule reads, tidied and joined.
QString occurrenceValue(const Field &field, const MappingRule &rule)
{
    QStringList parts;
    for (const Subfield &s : field.subfields)
        if (const char c = s.code.toLatin1(); c && std::strchr(rule.codes, c)) {
            const QString v = tidyValue(s.value);
            if (!v.isEmpty())
                parts << v;
        }
    return parts.join(QString::fromLatin1(rule.joiner));
}

} // namespace

const FormatTable &tableFor(Format format)
{
    for (const FormatTable &t : Tables)
        if (t.format == format)
            return t;
    return Tables[0];
}

QString tidyValue(const QString &value)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    static const QRegularExpression trailing(QStringLiteral("(\\s+[/:;=]|,|(?<=[^\\W\\d_]{3})\\.)\\s*$"),
                                             QRegularExpression::UseUnicodePropertiesOption);
    QString v = value;
    v.replace(lineBreak, QStringLiteral("\r\n"));
    for (;;) {
        const QString before = v;
        v = v.trimmed();
        v.remove(trailing);
        if (v == before)
            return v;
    }
}

BookFields toBookFields(const Record &record, Format format)
{
    std::array<QStringList, BookFieldCount> gathered;
    for (const MappingRule &rule : tableFor(format).rules) {
        QStringList &values = gathered[std::size_t(rule.field)];
        if (rule.take == Take::IfEmpty && !values.isEmpty())
            continue;
        for (const Field &f : record.fields) {
            if (f.tag != QLatin1String(rule.tag) || f.isControl())
                continue;
            const QString v = occurrenceValue(f, rule);
            if (!v.isEmpty())
                values << v;
            if (rule.take == Take::First)
                break;
        }
    }
    BookFields out;
    for (int i = 0; i < BookFieldCount; ++i) {
        const auto field = BookField(i);
        const QStringList &values = gathered[std::size_t(i)];
        if (field == BookField::Keywords)
            out.keywords = values;
        else if (!values.isEmpty())
            setFieldText(out, field, values.join(itemSeparator(field)));
    }
    out.keywords.removeDuplicates();
    return out;
}

namespace {

// The parts of a value for the rule's subfields: cut at the joiner, the rest in the last one.
QStringList splitForCodes(const QString &value, const MappingRule &rule)
{
    const int codes = int(std::strlen(rule.codes));
    const QString joiner = QString::fromLatin1(rule.joiner);
    if (codes < 2 || joiner.trimmed().isEmpty())
        return {value};
    QStringList parts;
    QString rest = value;
    while (parts.size() + 1 < codes) {
        const qsizetype at = rest.indexOf(joiner);
        if (at < 0)
            break;
        parts << rest.left(at);
        rest = rest.mid(at + joiner.size());
    }
    return parts << rest;
}

// The tags of the tables as shared strings: export writes a hundred thousand records with them.
QString tagText(const char *tag)
{
    thread_local std::map<std::string_view, QString> tags;
    auto [it, added] = tags.try_emplace(tag);
    if (added)
        it->second = QString::fromLatin1(tag);
    return it->second;
}

// A field of the tag written earlier for this holding that lacks every one of the codes.
Field *openFieldFor(Record &record, const MappingRule &rule)
{
    for (Field &f : record.fields) {
        if (f.tag != QLatin1StringView(rule.tag))
            continue;
        const bool free = std::none_of(f.subfields.begin(), f.subfields.end(),
                                       [&](const Subfield &s) { return std::strchr(rule.codes, s.code.toLatin1()); });
        if (free)
            return &f;
    }
    return nullptr;
}

void writeRule(Record &record, const MappingRule &rule, const BookFields &fields)
{
    if (rule.write == Write::No)
        return;
    const QString text = fieldText(fields, rule.field);
    if (text.isEmpty())
        return;
    const QChar first = QLatin1Char(rule.codes[0]);
    QStringList items;
    if (rule.write != Write::Whole)
        items = rule.field == BookField::Keywords ? fields.keywords : text.split(itemSeparator(rule.field));
    switch (rule.write) {
    case Write::No:
        return;
    case Write::Whole: {
        Field *f = openFieldFor(record, rule);
        if (!f)
            f = &record.addField(tagText(rule.tag));
        const QStringList parts = splitForCodes(text, rule);
        for (int i = 0; i < parts.size(); ++i)
            f->subfields.push_back({QLatin1Char(rule.codes[i]), parts[i]});
        return;
    }
    case Write::First:
        record.addField(tagText(rule.tag)).subfields.push_back({first, items.first()});
        return;
    case Write::Rest:
        items.removeFirst();
        [[fallthrough]];
    case Write::Each:
        for (const QString &item : items)
            record.addField(tagText(rule.tag)).subfields.push_back({first, item});
        return;
    }
}

// The day in the two forms the coded fields write, worked out once for a whole export.
const std::pair<QString, QString> &dayTexts(const QDate &today)
{
    thread_local QDate day;
    thread_local std::pair<QString, QString> texts;
    if (day != today) {
        day = today;
        texts = {today.toString(QStringLiteral("yyMMdd")), today.toString(QStringLiteral("yyyyMMdd"))};
    }
    return texts;
}

// Leader, identity and the coded fields the format asks for, dated today.
void writeControlFields(Record &record, const Holding &holding, Format format, const QDate &today)
{
    const QString year = holding.fields.year ? QString::number(*holding.fields.year).rightJustified(4, u'0') : QStringLiteral("    ");
    record.addControl(QStringLiteral("001"), QString::number(holding.id));
    if (format == Format::Marc21) {
        record.leader = QStringLiteral("00000nam a2200000 i 4500");
        record.addControl(QStringLiteral("008"), dayTexts(today).first + u's' + year +
                                                     QStringLiteral("    xx ") + QString(17, u' ') +
                                                     QStringLiteral("und d"));
        return;
    }
    // UNIMARC and RUSMARC say their character set in 100 $a, positions 26-29: "50" is UTF-8.
    record.leader = QStringLiteral("00000nam  2200000   450 ");
    record.addField(QStringLiteral("100")).subfields.push_back(
        {u'a', dayTexts(today).second + u'd' + year + QStringLiteral("    k  y0rusy50      ca")});
}

// MARC's own separators and other control characters cannot stand in a value (nor in XML); they
// go before the values are cut into subfields, so that what is read back is cut the same way.
BookFields withoutControlCharacters(const BookFields &given)
{
    const auto control = [](QChar c) { return c.unicode() < 0x20 && c != u'\r' && c != u'\n' && c != u'\t'; };
    BookFields f = given;
    for (QString *text : {&f.author, &f.title, &f.location, &f.publisher, &f.isbn, &f.annotation, &f.notes})
        if (std::any_of(text->cbegin(), text->cend(), control))
            text->removeIf(control);
    for (QString &k : f.keywords)
        if (std::any_of(k.cbegin(), k.cend(), control))
            k.removeIf(control);
    return f;
}

} // namespace

Record fromHolding(const Holding &holding, Format format, const QDate &today)
{
    const FormatTable &table = tableFor(format);
    Record record;
    record.fields.reserve(24);
    writeControlFields(record, holding, table.format, today);
    const BookFields fields = withoutControlCharacters(holding.fields);
    for (const MappingRule &rule : table.rules)
        writeRule(record, rule, fields);
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
