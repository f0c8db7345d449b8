#pragma once

#include <QStringList>

namespace demo {

class Database;

// Card numbers of the demonstration register: seven digits from here on, beyond any inventory
// number the generator makes, so that a scanned card is never also a holding's number.
inline constexpr int FirstDemoCard = 2000001;

// A register record for each name the loans carry (one per name key: a name that differs from
// another only in letter case or Ё stays a variant of her), with a category, contacts for most,
// a card that has run out for some and a block for a few. Its own random stream: the rest of the
// catalogue is the same with or without it.
void writeReaders(Database &db, const QStringList &names, quint32 seed);

} // namespace demo
