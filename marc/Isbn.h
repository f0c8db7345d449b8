#pragma once

#include <QString>
#include <QStringList>

namespace marc {

// An ISBN as typed, with hyphens, spaces and a small or Cyrillic "х": its digits and X alone;
// empty when it is not 10 or 13 characters of an ISBN.
QString isbnDigits(const QString &text);

// The ISBN a text names, as a record or a card holds it: "ISBN 5-02-013848-7 (в пер.)" names
// 5020138487. Prefixes and qualifiers in brackets go; the check digit says whether it is whole.
struct IsbnFound {
    QString digits; // 10 or 13, as written; empty when the text names no ISBN
    bool checkDigitRight = false;
    // The 13-digit form by which two ISBNs are one book; empty unless the check digit is right.
    QString key() const;
};
IsbnFound findIsbn(const QString &text);

// What a search asks for: the ISBN as typed (trimmed), and, for a whole ISBN, its hyphenated
// and digit forms as ISBN-13 and, for 978-, ISBN-10: a catalogue indexes one or another.
QStringList isbnForms(const QString &typed);

// Every way a card may hold the ISBN a search names: its forms as above and, for 10 or 13 digits,
// each of them hyphenated after any lengths of group and publisher (a card keeps what the book
// prints, and not every book follows the agency's ranges). Else the text as typed alone.
QStringList isbnWritings(const QString &typed);

// The ISBN with the hyphens of its group, registrant and publication ("978-5-02-013848-3");
// the digits alone when the range table does not know its group.
QString hyphenatedIsbn(const QString &digits);

// The 13-digit form of a text naming an ISBN whose check digit is right; else empty.
QString isbnKey(const QString &text);

} // namespace marc
