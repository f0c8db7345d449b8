#pragma once

#include <QString>
#include <optional>

namespace data {
class Connection;
}

namespace store {

// The PIN a reader signs in to "Мои книги" with, beside her card number. Only libsodium's
// crypto_pwhash_str of it is kept (readers.pin_hash): a salted, deliberately slow hash.

// True when the text can be a PIN: 4 to 32 characters, no blanks at either end.
bool pinAcceptable(const QString &pin);
// Sets or replaces her PIN; refused, with the reason in Russian, for a PIN pinAcceptable refuses
// or a reader the register does not have.
void setReaderPin(data::Connection &connection, qint64 readerId, const QString &pin);
void clearReaderPin(data::Connection &connection, qint64 readerId);
bool readerHasPin(data::Connection &connection, qint64 readerId);
// The reader whose card and PIN these are; nothing for an unknown card, a card without a PIN or
// a wrong PIN, which take about as long to refuse as a right one takes to accept.
std::optional<qint64> readerWithPin(data::Connection &connection, const QString &card, const QString &pin);

} // namespace store
