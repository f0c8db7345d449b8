#pragma once

#include "DemoRandom.h"

#include <QString>
#include <QStringList>

// Builders of the catalogue's texts. A null QString stands for an empty (NULL) field.
namespace demo {

enum class Gender { Masculine, Feminine, Neuter, Plural };

// "Толстая" from "Толстой", "Иванова" from "Иванов"; names that do not change stay as they are.
QString feminineSurname(const QString &masculine);
// "Тихая" from "Тихий" and Gender::Feminine.
QString adjectiveForm(const QString &masculine, Gender gender);

// "Сидорова А. В."
QString personName(Rng &rng);
// count distinct names of readers.
QStringList readerNames(Rng &rng, int count);
// One or several authors, a classic, a Latin-script author, or null.
QString authorField(Rng &rng);

// A title suited to the kind of item (1 books, 2 journals, 3 theses, 4 electronic editions).
QString titleFor(Rng &rng, int kindId, int year);
// Prose of about length characters, sometimes in two paragraphs.
QString annotation(Rng &rng, int length);
// ISBN-10 before 2007, ISBN-13 from then on, both with a correct check digit.
QString isbn(Rng &rng, int year);

} // namespace demo
