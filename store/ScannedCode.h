#pragma once

#include <QString>
#include <optional>

namespace store {

// An inventory code as a scanner types it from a barcode ("K123", "ZH-45") or as the librarian
// types it ("К-123", "к 123", "123"): the letters before the number, and the number.
struct ScannedCode {
    QString letters; // upper case, without blanks and dashes; empty when only the number was typed
    qint64 number = 0;
};

// Reads a code; nullopt for a text that does not end in a number, whose number has more than 18
// digits, or that has something else than letters and digits before the number.
std::optional<ScannedCode> parseScannedCode(const QString &text);

// True when the code names the holding with this letter and number: the numbers equal, and the
// code's letters are the holding's letter in any case, in Cyrillic or in its Latin form on the
// barcode ("К" and "K", "Ж" and "ZH"), or no letters at all.
bool codeNamesHolding(const ScannedCode &code, const QString &liter, qint64 invNum);

// The letters a scanner meant when the desktop's keyboard layout was Russian: it presses the keys
// of "K", and "Л" arrives. Empty when a letter is not on a Russian key that has a Latin letter.
QString latinKeysOf(const QString &letters);

// The code as the desk and its messages show a holding: "К-123", or "123" without a letter.
QString shownHoldingCode(const QString &liter, qint64 invNum);

} // namespace store
