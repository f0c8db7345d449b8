#pragma once

#include <QString>
#include <QStringList>

namespace marc {

// An ISBN as typed or as a record writes it, with hyphens, spaces and a small or Cyrillic "х":
// its digits and X alone; empty when it is not 10 or 13 characters of an ISBN.
QString isbnDigits(const QString &text);

// The ISBN in both its forms, 13 digits and, for 978-, 10 digits: what a search asks for, so
// that a 10-digit ISBN finds a record that writes 13 and the other way round.
QStringList isbnForms(const QString &text);

// The 13-digit form, by which two ISBNs are the same book; empty when text is no ISBN.
QString isbnKey(const QString &text);

} // namespace marc
