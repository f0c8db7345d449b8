#pragma once

#include <QStringList>
#include <optional>

namespace marc {

// What the card keeps of a catalogue record, as an exchange record maps to it.
enum class BookField { Author, Title, Location, Publisher, Year, Pages, Isbn, Price, Annotation, Notes, Keywords };
inline constexpr int BookFieldCount = int(BookField::Keywords) + 1;

struct BookFields {
    QString author, title, location, publisher, isbn, annotation, notes;
    std::optional<int> year, pages;
    std::optional<double> price;
    QStringList keywords;
    // The rubrics of the catalogue's tree the record is filed under, each as the titles from the
    // top level down.
    QList<QStringList> rubrics;
    bool operator==(const BookFields &) const = default;
};

// The column of `books` a field is kept in; empty for the keywords, which have a table of their own.
QString columnOf(BookField field);

// A field as text, as the exchange formats write it; and set from such text (numbers read from
// the first number in it).
QString fieldText(const BookFields &fields, BookField field);
void setFieldText(BookFields &fields, BookField field, const QString &text);

// The caption of a field for the librarian, as the card names it.
QString fieldCaption(BookField field);

// Between two values of one field gathered from several places of a record.
QString itemSeparator(BookField field);

} // namespace marc
