#pragma once

#include <QString>

namespace store {

// The text a holding's barcode carries: the inventory number with its letter, as a scanner types
// it back. Scanners type only ASCII, so a Russian letter goes in by the transliteration of
// ГОСТ 7.79-2000 (system B): "К" is "K", "Ж" is "ZH". "-" parts a letter that ends in a digit
// from the number. Empty when the holding has no number or its letter holds a character with no
// ASCII form (Code 128 cannot carry it then).
QString holdingCode(const QString &liter, const QString &invNum);

// The characters of text that no barcode of ours can carry, each once, in their order.
QString uncarriedCharacters(const QString &liter);

} // namespace store
