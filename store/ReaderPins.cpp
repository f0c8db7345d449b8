// Readers' PINs: hashed and checked by libsodium, never by a hash of our own.
#include "ReaderPins.h"

#include "Readers.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"

#include <sodium.h>

namespace store {

namespace {

void needSodium()
{
    if (sodium_init() < 0)
        throw data::DataError(QStringLiteral("Не удалось подготовить библиотеку шифрования libsodium."));
}

QString storedHash(data::Connection &connection, const QString &where, const QVariant &value, qint64 *id)
{
    if (!readersExist(connection))
        return {};
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT id, pin_hash FROM readers WHERE ") + where + QStringLiteral(" = :value"));
    q.paramByName(QStringLiteral("value")).value = value;
    q.open();
    if (q.eof())
        return {};
    if (id)
        *id = q.field(0).asInteger();
    return q.field(1).asString();
}

void writeHash(data::Connection &connection, qint64 readerId, const QVariant &hash)
{
    connection.runStatement(QStringLiteral("UPDATE readers SET pin_hash = ? WHERE id = ?"), {hash, readerId});
    if (connection.changes() != 1)
        throw data::DataError(QStringLiteral("Читатель не найден в списке читателей."), 0, data::ErrorKind::Refused);
}

} // namespace

bool pinAcceptable(const QString &pin)
{
    return pin.size() >= 4 && pin.size() <= 32 && pin == pin.trimmed();
}

void setReaderPin(data::Connection &connection, qint64 readerId, const QString &pin)
{
    if (!pinAcceptable(pin))
        throw data::DataError(QStringLiteral("PIN должен состоять из 4–32 знаков без пробелов в начале и в конце."), 0,
                              data::ErrorKind::Refused);
    needSodium();
    const QByteArray bytes = pin.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, bytes.constData(), quint64(bytes.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw data::DataError(QStringLiteral("Не хватило памяти, чтобы записать PIN."));
    writeHash(connection, readerId, QString::fromLatin1(hash));
}

void clearReaderPin(data::Connection &connection, qint64 readerId) { writeHash(connection, readerId, QVariant()); }

bool readerHasPin(data::Connection &connection, qint64 readerId)
{
    return !storedHash(connection, QStringLiteral("id"), readerId, nullptr).isEmpty();
}

std::optional<qint64> readerWithPin(data::Connection &connection, const QString &card, const QString &pin)
{
    needSodium();
    qint64 id = 0;
    QByteArray hash = storedHash(connection, QStringLiteral("card_number"), card.trimmed(), &id).toLatin1();
    // A card without a PIN is checked against a hash no PIN matches, so that it is refused as slowly.
    static const QByteArray unmatchable = [] {
        char h[crypto_pwhash_STRBYTES];
        unsigned char noise[32];
        randombytes_buf(noise, sizeof noise);
        crypto_pwhash_str(h, reinterpret_cast<const char *>(noise), sizeof noise, crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE);
        return QByteArray(h);
    }();
    const bool known = !hash.isEmpty();
    if (!known)
        hash = unmatchable;
    const QByteArray bytes = pin.toUtf8();
    const bool match = crypto_pwhash_str_verify(hash.constData(), bytes.constData(), quint64(bytes.size())) == 0;
    if (known && match)
        return id;
    return std::nullopt;
}

} // namespace store
