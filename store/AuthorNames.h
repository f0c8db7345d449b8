#pragma once

#include <QList>
#include <QString>

namespace store {

// One name of the box "Авторы, составители" as a bibliographic description needs it.
struct AuthorName {
    QString surname;  // for a person; the whole text for anything else
    QString initials; // "И. И.", empty when none were given
    bool person = true;
    QString role;     // empty for an author; else the role word in full, "редактор", "составитель"...

    // "Иванов, И. И." as a heading; "И. И. Иванов" in the statement of responsibility.
    QString headingForm() const;
    QString statementForm() const;
};

// The names of the box, in their order. Names are separated by ";" or ","; a part of only
// initials after a comma belongs to the name before it ("Иванов, И. И."). A role word before or
// after a name ("ред.", "под ред.", "сост.", "(пер.)") makes it an editor, compiler or translator.
QList<AuthorName> parseAuthorNames(const QString &text);

// The role word for one or several persons: "редактор" / "редакторы".
QString roleWord(const QString &role, int persons);

} // namespace store
