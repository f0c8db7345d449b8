#pragma once

#include <QString>
#include <QVariantList>

namespace z3950 {

// SQL made from a query: a condition on the rows of books, its `?` placeholders filled in order
// by the values. Terms reach the statement only as values, never as its text.
struct SqlCondition {
    QString text;
    QVariantList values;
};

// The Bib-1 attributes of one term as the query gave them; 0 where it gave none.
struct TermAttributes {
    int use = 0, relation = 0, position = 0, structure = 0, truncation = 0, completeness = 0;
};

// The longest term taken: a longer one is refused, not searched for.
inline constexpr int MaxTermCharacters = 1000;
// The most words one term is cut into.
inline constexpr int MaxTermWords = 32;

// The condition one term makes, by the rules of the field its use attribute names (none: any
// field): title, annotation and notes hold it anywhere, as the main window's search finds them;
// an author's name begins with it; a keyword is it whole; an ISBN is any way of writing it. A word
// list (structure 6, or 105 and 106 for any of the words) matches word by word; truncation and
// completeness anchor the term in words or in the whole value as Bib-1 says. Raises Bib1Error for
// an attribute the field does not take.
SqlCondition termCondition(const TermAttributes &attributes, const QString &term);

// The term as the catalogue's text is compared with it: lower-cased as my_lower does.
QString loweredTerm(const QString &term);

} // namespace z3950
