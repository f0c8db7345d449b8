#pragma once

#include <QString>
#include <QStringList>

namespace store {

// The text a holding's barcode carries: the inventory number with its letter, as a scanner types
// it back. Scanners type only ASCII, so a Russian letter goes in by the transliteration of
// ГОСТ 7.79-2000 (system B): "К" is "K", "Ж" is "ZH". "-" parts a letter that ends in a digit
// from the number. Empty when the holding has no number or its letter holds a character with no
// ASCII form (Code 128 cannot carry it then).
QString holdingCode(const QString &liter, const QString &invNum);

// What keeps a holding's code from being made: the characters of the letter with no ASCII form
// and those of the number outside printable ASCII, each once, in their order ("пробел" for a blank).
QStringList uncarriedCharacters(const QString &liter, const QString &invNum);

} // namespace store
