// The mapping tables, one per format, and the one function that reads them: a record to the
// card's fields. fromHolding (MarcWriting.cpp) writes by the same tables.
#include "MarcMapping.h"

#include "MarcValues.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace marc {

namespace {

using F = BookField;

// MARC21: 1XX/7XX names and 245 $c when there is no name; 260, else the publication statement
// of 264 (second indicator 1, the copyright date of 4 for a year), for the imprint.
constexpr MappingRule Marc21Rules[] = {
    {"100", "a", F::Author, Take::First, "", Write::First},
    {"110", "a", F::Author, Take::First, "", Write::No},
    {"700", "a", F::Author, Take::All, "", Write::Rest},
    {"245", "c", F::Author, Take::IfEmpty, "", Write::No},
    {"245", "ab", F::Title, Take::First, " : ", Write::Whole},
    {"260", "a", F::Location, Take::First, "; ", Write::Whole},
    {"264", "a", F::Location, Take::IfEmpty, "; ", Write::No, '1'},
    {"260", "b", F::Publisher, Take::First, "; ", Write::Whole},
    {"264", "b", F::Publisher, Take::IfEmpty, "; ", Write::No, '1'},
    {"260", "c", F::Year, Take::First, "", Write::Whole},
    {"264", "c", F::Year, Take::IfEmpty, "", Write::No, '1'},
    {"264", "c", F::Year, Take::IfEmpty, "", Write::No, '4'},
    {"300", "a", F::Pages, Take::First, "", Write::Whole},
    {"020", "aq", F::Isbn, Take::All, "", Write::Each, 0, Shape::Isbn},
    {"020", "c", F::Price, Take::First, "", Write::Whole},
    {"520", "a", F::Annotation, Take::All, "", Write::Whole, 0, Shape::Linked},
    {"650", "a", F::Keywords, Take::All, "", Write::No},
    {"653", "a", F::Keywords, Take::All, "", Write::Each},
    {"500", "a", F::Notes, Take::All, "", Write::Whole, 0, Shape::Linked},
};

constexpr NoteRule Marc21Notes[] = {
    {"250", "ab", "Издание", " "},
    {"490", "av", "Серия", " ; "},
    {"830", "av", "Серия", " ; ", "490"},
    {"246", "ab", "Другое заглавие", " : "},
    {"041", "a", "Язык", ", "},
    {"505", "a", "Содержание", " "},
    {"504", "a", "", " "},
    {"502", "a", "", " "},
    {"856", "u", "Электронная версия", " "},
};

// RUSMARC: 700 the first author, 701/702 the others, 710 a body; 200 $f when there is none.
constexpr MappingRule RusmarcRules[] = {
    {"700", "abg", F::Author, Take::First, " ", Write::First, 0, Shape::Name},
    {"701", "abg", F::Author, Take::All, " ", Write::Rest, 0, Shape::Name},
    {"702", "abg", F::Author, Take::All, " ", Write::No, 0, Shape::Name},
    {"710", "a", F::Author, Take::All, "", Write::No},
    {"200", "f", F::Author, Take::IfEmpty, "", Write::No},
    {"200", "ae", F::Title, Take::First, " : ", Write::Whole},
    {"210", "a", F::Location, Take::First, "; ", Write::Whole},
    {"210", "c", F::Publisher, Take::First, "; ", Write::Whole},
    {"210", "d", F::Year, Take::First, "", Write::Whole},
    {"215", "a", F::Pages, Take::First, "", Write::Whole},
    {"010", "ab", F::Isbn, Take::All, "", Write::Each, 0, Shape::Isbn},
    {"010", "d", F::Price, Take::First, "", Write::Whole},
    {"330", "a", F::Annotation, Take::All, "", Write::Whole, 0, Shape::Linked},
    {"606", "a", F::Keywords, Take::All, "", Write::No},
    {"610", "a", F::Keywords, Take::All, "", Write::Each},
    {"300", "a", F::Notes, Take::All, "", Write::Whole, 0, Shape::Linked},
};

constexpr NoteRule RusmarcNotes[] = {
    {"205", "ab", "Издание", " "},
    {"225", "av", "Серия", " ; "},
    {"517", "a", "Другое заглавие", " "},
    {"101", "a", "Язык", ", "},
    {"327", "a", "Содержание", " "},
    {"320", "a", "", " "},
    {"328", "a", "", " "},
    {"856", "u", "Электронная версия", " "},
};

const FormatTable Tables[] = {
    {Format::Marc21, Marc21Rules, Marc21Notes, "852", 'p', 'k'},
    {Format::Rusmarc, RusmarcRules, RusmarcNotes, "899", 'p', 'k'},
    // UNIMARC keeps what the card holds in the same fields as RUSMARC; only the holdings differ.
    {Format::Unimarc, RusmarcRules, RusmarcNotes, "995", 'f', 'k'},
};

bool has(const char *codes, QChar code)
{
    const char c = code.toLatin1();
    return c && std::strchr(codes, c);
}

// Free text is the cataloguer's own sentence: its full stop stays whatever the record's
// punctuation.
Punctuation punctuationOf(const Record &record, Format format, BookField field)
{
    if (format != Format::Marc21 || field == F::Notes || field == F::Annotation)
        return Punctuation::Bare;
    const QChar form = record.leader.size() > 18 ? record.leader[18] : QChar(u' ');
    return form == u'c' || form == u'n' ? Punctuation::Bare : Punctuation::Isbd;
}

// The subfields of one occurrence that the rule reads, tidied and joined: those of one code
// repeated ("New York ; London") by the rule's joiner too.
QString occurrenceValue(const Field &field, const MappingRule &rule, Punctuation punctuation)
{
    QStringList parts;
    const std::size_t n = field.subfields.size();
    for (std::size_t i = 0; i < n; ++i) {
        const Subfield &s = field.subfields[i];
        if (!has(rule.codes, s.code))
            continue;
        // In an ISBD record the field's last subfield carries the full stop that ends its area;
        // bare values are taken as they stand, blanks between them too, and tidied once joined.
        const QString v = punctuation == Punctuation::Bare ? s.value : cardValue(s.value, punctuation, i + 1 == n);
        if (!v.isEmpty())
            parts << v;
    }
    const QString joined = parts.join(QString::fromLatin1(rule.joiner));
    return punctuation == Punctuation::Bare ? cardValue(joined, punctuation, true) : joined;
}

QString subfieldValue(const Field &field, char code, Punctuation punctuation)
{
    for (const Subfield &s : field.subfields)
        if (s.code == QLatin1Char(code))
            return cardValue(s.value, punctuation, false);
    return {};
}

// "Толстой Л. Н." from $a Толстой $b Л. Н.; the forenames of $g when the record gives them.
QString nameValue(const Field &field, const MappingRule &rule, Punctuation punctuation)
{
    const QString surname = subfieldValue(field, rule.codes[0], punctuation);
    QString rest = subfieldValue(field, rule.codes[2], punctuation);
    if (rest.isEmpty())
        rest = subfieldValue(field, rule.codes[1], punctuation);
    return rest.isEmpty() ? surname : surname.isEmpty() ? rest : surname + u' ' + rest;
}

QString isbnValue(const Field &field, const MappingRule &rule, Punctuation punctuation)
{
    const QString number = subfieldValue(field, rule.codes[0], punctuation);
    if (number.isEmpty())
        return {};
    QStringList qualifiers;
    for (const Subfield &s : field.subfields)
        if (s.code == QLatin1Char(rule.codes[1]))
            if (const QString q = cardValue(s.value, punctuation, false); !q.isEmpty())
                qualifiers << q;
    return joinIsbnText(number, qualifiers);
}

// The link of a field cut for its length: "1" of $8 "1.2\x"; empty when it has none.
QString linkOf(const Field &field)
{
    for (const Subfield &s : field.subfields)
        if (s.code == u'8' && s.value.endsWith(QLatin1String("\\x")))
            return s.value.section(u'.', 0, 0);
    return {};
}

// Linked free text: the pieces of one cut value joined as they were, whole before it is tidied.
void gatherLinked(const Record &record, const MappingRule &rule, QStringList &values)
{
    QString previousLink, joined;
    auto flush = [&] {
        if (const QString v = cardValue(joined, Punctuation::Bare, true); !v.isEmpty())
            values << v;
        joined.clear();
    };
    for (const Field &f : record.fields) {
        if (f.tag != QLatin1String(rule.tag) || f.isControl())
            continue;
        const QString link = linkOf(f);
        if (link.isEmpty() || link != previousLink)
            flush();
        previousLink = link;
        for (const Subfield &s : f.subfields)
            if (has(rule.codes, s.code))
                joined += s.value;
    }
    flush();
}

void gather(const Record &record, Format format, const MappingRule &rule, QStringList &values)
{
    if (rule.shape == Shape::Linked)
        return gatherLinked(record, rule, values);
    const Punctuation punctuation = punctuationOf(record, format, rule.field);
    for (const Field &f : record.fields) {
        if (f.tag != QLatin1String(rule.tag) || f.isControl() || (rule.ind2 && f.ind2 != QLatin1Char(rule.ind2)))
            continue;
        const QString v = rule.shape == Shape::Name   ? nameValue(f, rule, punctuation)
                          : rule.shape == Shape::Isbn ? isbnValue(f, rule, punctuation)
                                                      : occurrenceValue(f, rule, punctuation);
        if (!v.isEmpty())
            values << v;
        if (rule.take == Take::First && !v.isEmpty())
            break;
    }
}

// "Серия: Библиотека всемирной литературы ; т. 5" for each descriptive field the card has no
// box for, in the record's order.
QStringList descriptiveNotes(const Record &record, const FormatTable &table)
{
    QStringList lines;
    for (const Field &f : record.fields) {
        const auto rule = std::find_if(table.notes.begin(), table.notes.end(),
                                       [&](const NoteRule &r) { return f.tag == QLatin1String(r.tag); });
        if (rule == table.notes.end() || f.isControl() || (*rule->unlessTag && record.has(QString::fromLatin1(rule->unlessTag))))
            continue;
        const MappingRule asRule{rule->tag, rule->codes, F::Notes, Take::All, rule->joiner, Write::No};
        if (const QString v = occurrenceValue(f, asRule, punctuationOf(record, table.format, F::Title)); !v.isEmpty())
            lines << (*rule->caption ? QString::fromUtf8(rule->caption) + QStringLiteral(": ") + v : v);
    }
    return lines;
}

// Each rubric once, its titles tidied as free text; an occurrence without a title gives none.
QList<QStringList> rubricsOf(const Record &record)
{
    QList<QStringList> rubrics;
    for (const Field &f : record.fields) {
        if (f.tag != QLatin1String(RubricTag) || f.isControl())
            continue;
        QStringList path;
        for (const Subfield &s : f.subfields)
            if (s.code == QLatin1Char(RubricTopCode) || s.code == QLatin1Char(RubricLevelCode))
                if (const QString title = cardValue(s.value, Punctuation::Bare, true); !title.isEmpty())
                    path << title;
        if (!path.isEmpty() && !rubrics.contains(path))
            rubrics << path;
    }
    return rubrics;
}

} // namespace

const FormatTable &tableFor(Format format)
{
    for (const FormatTable &t : Tables)
        if (t.format == format)
            return t;
    return Tables[0];
}

BookFields toBookFields(const Record &record, Format format)
{
    const FormatTable &table = tableFor(format);
    std::array<QStringList, BookFieldCount> gathered;
    for (const MappingRule &rule : table.rules) {
        QStringList &values = gathered[std::size_t(rule.field)];
        if (rule.take == Take::IfEmpty && !values.isEmpty())
            continue;
        gather(record, table.format, rule, values);
    }
    gathered[std::size_t(F::Notes)] << descriptiveNotes(record, table);
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
    out.rubrics = rubricsOf(record);
    return out;
}

} // namespace marc
