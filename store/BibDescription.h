#pragma once

#include <QString>

namespace store {

// The fields of a holding a bibliographic description is made from, as the card keeps them.
struct DescribedHolding {
    QString author;    // the box "Авторы, составители"
    QString title;     // may hold " : " and other title information, and line breaks
    QString location;  // "Место издания", abbreviated or not ("М.", "СПб.")
    QString publisher;
    int year = 0;      // 0 when unknown
    int pages = 0;     // 0 when unknown
    QString isbn;      // an ISBN, or an ISSN for a journal
    QString kind;      // the item kind's name: it tells a journal issue, a disc or a collection
    QString notes;     // a line "Серия: ..." gives the series
};

// A description by ГОСТ Р 7.0.100-2018: the heading (empty when the record goes under its title)
// and what follows it.
struct BibDescription {
    QString heading;
    QString body;
    QString title; // the title proper, as the body begins
    QString text() const { return heading.isEmpty() ? body : heading + u' ' + body; }
    // What a list is ordered by: the heading and then the title, or the title alone.
    QString sortText() const { return heading.isEmpty() ? title : heading + u' ' + title; }
};

BibDescription describeHolding(const DescribedHolding &holding);

// The place of publication written whole, as the 2018 rules want: "М." is "Москва".
QString fullPlaceName(const QString &place);

} // namespace store
