#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace marc {

// How a record writes its values: with ISBD punctuation between them (MARC21 records of most
// libraries), or as bare values (UNIMARC and RUSMARC, and MARC21 with leader/18 "c" or "n").
enum class Punctuation { Isbd, Bare };

// A subfield's value as the card keeps it, every line break written CR LF. From an ISBD record
// the separator at its end (" :", " /", " ;", " =", ",") goes, and so does a full stop that ends
// the field (last) unless it is an abbreviation's ("СПб.", "т.", "Ltd.").
QString cardValue(const QString &value, Punctuation punctuation, bool last);

// Card text as an exchange record may hold it: control characters, noncharacters (U+FFFE) and
// halves of surrogate pairs left out, line breaks CR LF, no blanks at either end.
QString exchangeText(const QString &text);

// The items of a list written with separator between them; the whole text as one item unless
// every item is non-empty and without blanks at its ends, so that joining them gives it back.
QStringList listItems(const QString &text, const QString &separator);

// A personal name as the card writes it, "Толстой Л. Н." or "Толстой Лев Николаевич": the
// surname, the initials and the forenames (empty when only initials are given).
struct NameParts {
    QString surname, initials, forenames;
};
std::optional<NameParts> splitPersonalName(const QString &name);
// "Толстой, Л. Н." and "Гомер" are names of one form or another; "Гомер" stands under its forename.
bool isSurnameFirst(const QString &name);

// An ISBN of the card with its qualifiers in brackets, "5-02-013848-7 (в пер.)".
struct IsbnText {
    QString number;
    QStringList qualifiers;
};
std::optional<IsbnText> splitIsbnText(const QString &text);
QString joinIsbnText(const QString &number, const QStringList &qualifiers);

// How many characters of a title's leading article a sort leaves out ("The ", "Les "); 0 when
// there is none or the title is not in a language with articles.
int nonfilingCharacters(const QString &title);

bool hasCyrillic(const QString &text);

} // namespace marc
