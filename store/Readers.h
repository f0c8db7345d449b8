#pragma once

#include <QDate>
#include <QHash>
#include <QSet>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace data {
class Connection;
}

namespace store {

// The register of readers: a table of its own beside the loans. A loan names its reader by her
// name as text, as always, so the loans, the reports and a copy of the program that knows no
// register go on as before; the register adds the card, the category, the contacts.
inline const QString ReadersTable = QStringLiteral("readers");

struct Reader {
    qint64 id = 0; // 0 for a reader not yet saved
    QString card;  // the card number, unique
    QString name;  // as loans carry it; unique by its key (see readerNameKey)
    QString category, department, phone, email, address;
    QDate registeredOn, validUntil;
    bool blocked = false;
    QString blockReason, note;
};

// True when the catalogue has the register (one made before it has not, until opened in edit mode).
bool readersExist(data::Connection &connection);
// Makes the register when it is missing.
void ensureReaders(data::Connection &connection);

// The categories offered: the usual ones and those the register holds.
QStringList readerCategories(data::Connection &connection);

std::optional<Reader> readerById(data::Connection &connection, qint64 id);
// By the card number as scanned or typed (blanks around it do not count).
std::optional<Reader> readerByCard(data::Connection &connection, const QString &card);
// By her name, in any of its variants.
std::optional<Reader> readerByName(data::Connection &connection, const QString &name);

// The readers whose name keys are given (every one when none are), under the key of her name, for
// lists that meet many names at once: her name, card, category, phone and e-mail only.
QHash<QString, Reader> readersByNameKey(data::Connection &connection, const QSet<QString> &keys = {});

// Readers whose name, card number, phone or e-mail holds the text (name by its key: letter case
// and Ё do not matter), by name; all of them for an empty text. At most `limit` when positive.
QList<Reader> findReaders(data::Connection &connection, const QString &text, int limit = 0);

// Saves a new reader or the changes of one; returns her id. Refused, with the reason in Russian,
// for an empty card number or name, a card number or name another reader has, an address a
// letter cannot go to, a block without a reason. A new name is carried over to her loans and to
// the holdings she has, in one transaction with the record.
qint64 saveReader(data::Connection &connection, const Reader &reader);
// Refused while she holds anything; her past loans keep her name.
void deleteReader(data::Connection &connection, qint64 id);
// The loans of `merged` go to `kept`, whose empty details the other's fill; `merged` goes. One
// transaction; refused for one reader merged into herself.
void mergeReaders(data::Connection &connection, qint64 kept, qint64 merged);

// Loans not yet returned that carry the name.
int openLoanCount(data::Connection &connection, const QString &name);

// The loans that carry one name, and the holdings lent under it, go under another.
void moveLoansToName(data::Connection &connection, const QString &from, const QString &to);

// The number a new card gets: one past the largest card number made of digits alone.
QString nextCardNumber(data::Connection &connection);

} // namespace store
