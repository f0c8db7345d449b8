// The register of readers: its table, the checks a record must pass, and the changes that reach
// the loans (a new name, a merge) made in one transaction with the record.
#include "Readers.h"

#include "HeldCells.h"
#include "ReaderNames.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "data/Transaction.h"
#include "data/dataset/Dataset.h"

namespace store {

namespace {

// The same words make the register in a new catalogue file and in one opened in edit mode; the
// server's creation script (install_db.sql) says the same in its own types.
const QString SqliteColumns = QStringLiteral(
    " (id INTEGER PRIMARY KEY, card_number TEXT NOT NULL, full_name TEXT NOT NULL, name_key TEXT NOT NULL,"
    " category TEXT, department TEXT, phone TEXT, email TEXT, address TEXT, registered_on DATE, valid_until DATE,"
    " blocked INTEGER DEFAULT 0, block_reason TEXT, note TEXT, pin_hash TEXT);"
    " CREATE UNIQUE INDEX IF NOT EXISTS readers_card ON readers (card_number);"
    " CREATE UNIQUE INDEX IF NOT EXISTS readers_name ON readers (name_key)");
const QString ServerColumns = QStringLiteral(
    " (id BIGINT NOT NULL AUTO_INCREMENT PRIMARY KEY, card_number VARCHAR(64) NOT NULL, full_name LONGTEXT NOT NULL,"
    " name_key VARCHAR(255) NOT NULL, category LONGTEXT, department LONGTEXT, phone LONGTEXT, email LONGTEXT,"
    " address LONGTEXT, registered_on DATE, valid_until DATE, blocked BIGINT DEFAULT 0, block_reason LONGTEXT,"
    " note LONGTEXT, pin_hash LONGTEXT, UNIQUE KEY readers_card (card_number), UNIQUE KEY readers_name (name_key))"
    " ENGINE = InnoDB DEFAULT CHARSET = utf8mb4 COLLATE = utf8mb4_nopad_bin");

const QString Columns = QStringLiteral("id, card_number, full_name, category, department, phone, email, address,"
                                       " registered_on, valid_until, blocked, block_reason, note");

Reader readerAt(data::Dataset &q)
{
    Reader r;
    r.id = q.field(0).asInteger();
    r.card = q.field(1).asString();
    r.name = q.field(2).asString();
    r.category = q.field(3).asString();
    r.department = q.field(4).asString();
    r.phone = q.field(5).asString();
    r.email = q.field(6).asString();
    r.address = q.field(7).asString();
    r.registeredOn = q.field(8).asDate();
    r.validUntil = q.field(9).asDate();
    r.blocked = q.field(10).asInteger() != 0;
    r.blockReason = q.field(11).asString();
    r.note = q.field(12).asString();
    return r;
}

QList<Reader> readers(data::Connection &connection, const QString &where, const QVariantList &values,
                      const QString &tail = {})
{
    QList<Reader> found;
    if (!readersExist(connection))
        return found;
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT ") + Columns + QStringLiteral(" FROM readers WHERE ") + where + tail);
    for (int i = 0; i < values.size(); ++i)
        q.paramByName(QStringLiteral("p%1").arg(i)).value = values[i];
    q.open();
    for (q.first(); !q.eof(); q.next())
        found.push_back(readerAt(q));
    return found;
}

std::optional<Reader> one(const QList<Reader> &list)
{
    return list.isEmpty() ? std::nullopt : std::optional<Reader>(list.first());
}

[[noreturn]] void refuse(const QString &why) { throw data::DataError(why, 0, data::ErrorKind::Refused); }

void check(data::Connection &connection, const Reader &r)
{
    if (r.card.trimmed().isEmpty())
        refuse(QStringLiteral("Не указан номер читательского билета."));
    if (r.name.simplified().isEmpty())
        refuse(QStringLiteral("Не указаны фамилия, имя и отчество читателя."));
    if (!r.email.trimmed().isEmpty() && !plausibleMailAddress(r.email.trimmed()))
        refuse(QStringLiteral("Адрес электронной почты «%1» неверен: в нём должен быть один знак @, перед ним имя, после "
                              "него — почтовый сервер с точкой (например, ivanova@example.ru).").arg(r.email.trimmed()));
    if (r.blocked && r.blockReason.trimmed().isEmpty())
        refuse(QStringLiteral("Укажите причину, по которой читатель заблокирован."));
    if (r.registeredOn.isValid() && r.validUntil.isValid() && r.validUntil < r.registeredOn)
        refuse(QStringLiteral("Билет не может быть действителен до дня раньше дня записи."));
    if (const auto other = readerByCard(connection, r.card); other && other->id != r.id)
        refuse(QStringLiteral("Билет № %1 уже выдан читателю «%2».").arg(r.card.trimmed(), other->name));
    if (const auto other = readerByName(connection, r.name); other && other->id != r.id)
        refuse(QStringLiteral("Читатель «%1» уже есть в картотеке (билет № %2). Имена, которые различаются только "
                              "заглавными и строчными буквами, буквами Е и Ё или пробелами, принадлежат одному "
                              "читателю; если это другой человек, добавьте к имени то, что их различает (инициалы, "
                              "отдел).").arg(other->name, other->card));
}

QVariant dateOrNull(const QDate &d) { return d.isValid() ? QVariant(d) : QVariant(); }

QVariantList valuesOf(const Reader &r)
{
    return {r.card.trimmed(), r.name.simplified(), readerNameKey(r.name), r.category.trimmed(), r.department.trimmed(),
            r.phone.trimmed(), r.email.trimmed(), r.address.trimmed(), dateOrNull(r.registeredOn),
            dateOrNull(r.validUntil), r.blocked ? 1 : 0, r.blocked ? r.blockReason.trimmed() : QString(), r.note};
}

} // namespace

bool readersExist(data::Connection &connection)
{
    return connection.tableNames().contains(ReadersTable, Qt::CaseInsensitive);
}

void ensureReaders(data::Connection &connection)
{
    if (!readersExist(connection))
        connection.runStatement(QStringLiteral("CREATE TABLE IF NOT EXISTS readers") +
                                (connection.isServer() ? ServerColumns : SqliteColumns));
}

QStringList readerCategories(data::Connection &connection)
{
    QStringList categories{QStringLiteral("Сотрудник"), QStringLiteral("Студент"), QStringLiteral("Аспирант"),
                           QStringLiteral("Гость")};
    if (!readersExist(connection))
        return categories;
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT DISTINCT category FROM readers WHERE category <> '' ORDER BY category"));
    q.open();
    for (q.first(); !q.eof(); q.next())
        if (!categories.contains(q.field(0).asString()))
            categories << q.field(0).asString();
    return categories;
}

std::optional<Reader> readerById(data::Connection &connection, qint64 id)
{
    return one(readers(connection, QStringLiteral("id = :p0"), {id}));
}

std::optional<Reader> readerByCard(data::Connection &connection, const QString &card)
{
    if (card.trimmed().isEmpty())
        return std::nullopt;
    return one(readers(connection, QStringLiteral("card_number = :p0"), {card.trimmed()}));
}

std::optional<Reader> readerByName(data::Connection &connection, const QString &name)
{
    const QString key = readerNameKey(name);
    if (key.isEmpty())
        return std::nullopt;
    return one(readers(connection, QStringLiteral("name_key = :p0"), {key}));
}

QHash<QString, Reader> readersByNameKey(data::Connection &connection, const QSet<QString> &keys)
{
    QHash<QString, Reader> byKey;
    if (!readersExist(connection))
        return byKey;
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT name_key, full_name, card_number, category, phone, email FROM readers"));
    q.open();
    // Read in place: twenty thousand readers, of whom a list may need a few.
    for (int r = 0; r < q.recordCount(); ++r) {
        const QString key = heldText(q, r, 0);
        if (!keys.isEmpty() && !keys.contains(key))
            continue;
        Reader reader;
        reader.name = heldText(q, r, 1);
        reader.card = heldText(q, r, 2);
        reader.category = heldText(q, r, 3);
        reader.phone = heldText(q, r, 4);
        reader.email = heldText(q, r, 5);
        byKey.insert(key, std::move(reader));
    }
    return byKey;
}

QList<Reader> findReaders(data::Connection &connection, const QString &text, int limit)
{
    const QString tail = QStringLiteral(" ORDER BY name_key") + (limit > 0 ? QStringLiteral(" LIMIT %1").arg(limit) : QString());
    const QString typed = text.trimmed();
    if (typed.isEmpty())
        return readers(connection, QStringLiteral("1 = 1"), {}, tail);
    // The wildcards of LIKE typed by the librarian are letters to look for, not patterns.
    auto pattern = [](QString t) {
        t.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("\\%")).replace(u'_', QStringLiteral("\\_"));
        return u'%' + t + u'%';
    };
    return readers(connection,
                   QStringLiteral("name_key LIKE :p0 ESCAPE '\\' OR LOWER(card_number) LIKE :p1 ESCAPE '\\'"
                                  " OR phone LIKE :p2 ESCAPE '\\' OR LOWER(email) LIKE :p3 ESCAPE '\\'"),
                   {pattern(readerNameKey(typed)), pattern(typed.toLower()), pattern(typed), pattern(typed.toLower())}, tail);
}

qint64 saveReader(data::Connection &connection, const Reader &reader)
{
    ensureReaders(connection);
    data::Transaction transaction(connection);
    check(connection, reader);
    const QVariantList values = valuesOf(reader);
    qint64 id = reader.id;
    if (id == 0) {
        connection.runStatement(QStringLiteral("INSERT INTO readers (card_number, full_name, name_key, category, department,"
                                               " phone, email, address, registered_on, valid_until, blocked, block_reason,"
                                               " note) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                                values);
        id = connection.lastInsertRowId();
    } else {
        const auto before = readerById(connection, id);
        if (!before)
            refuse(QStringLiteral("Читатель не найден: возможно, его удалили на другом компьютере."));
        connection.runStatement(QStringLiteral("UPDATE readers SET card_number = ?, full_name = ?, name_key = ?, category = ?,"
                                               " department = ?, phone = ?, email = ?, address = ?, registered_on = ?,"
                                               " valid_until = ?, blocked = ?, block_reason = ?, note = ? WHERE id = ?"),
                                values + QVariantList{id});
        moveLoansToName(connection, before->name, values[1].toString());
    }
    transaction.commit();
    return id;
}

int openLoanCount(data::Connection &connection, const QString &name)
{
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT COUNT(*) FROM orders WHERE loaner = :name AND date_in IS NULL"));
    q.paramByName(QStringLiteral("name")).value = name;
    q.open();
    return int(q.field(0).asInteger());
}

void moveLoansToName(data::Connection &connection, const QString &from, const QString &to)
{
    if (from == to)
        return;
    connection.runStatement(QStringLiteral("UPDATE orders SET loaner = ? WHERE loaner = ?"), {to, from});
    connection.runStatement(QStringLiteral("UPDATE books SET loaner = ? WHERE loaner = ? AND onloan = 1"), {to, from});
}

QString nextCardNumber(data::Connection &connection)
{
    if (!readersExist(connection))
        return QStringLiteral("1");
    data::Dataset q(&connection);
    q.setSql(QStringLiteral("SELECT card_number FROM readers"));
    q.open();
    qint64 largest = 0;
    for (q.first(); !q.eof(); q.next()) {
        bool digits = false;
        const qint64 n = q.field(0).asString().toLongLong(&digits);
        if (digits && n > largest)
            largest = n;
    }
    return QString::number(largest + 1);
}

void deleteReader(data::Connection &connection, qint64 id)
{
    data::Transaction transaction(connection);
    const auto reader = readerById(connection, id);
    if (!reader)
        return;
    if (const int held = openLoanCount(connection, reader->name))
        refuse(QStringLiteral("Читатель «%1» не вернул изданий: %2. Пока они у него, удалить его из картотеки нельзя.")
                   .arg(reader->name)
                   .arg(held));
    connection.runStatement(QStringLiteral("DELETE FROM readers WHERE id = ?"), {id});
    transaction.commit();
}

void mergeReaders(data::Connection &connection, qint64 kept, qint64 merged)
{
    if (kept == merged)
        refuse(QStringLiteral("Читателя нельзя объединить с самим собой: выберите двух разных читателей."));
    data::Transaction transaction(connection);
    auto keep = readerById(connection, kept);
    const auto drop = readerById(connection, merged);
    if (!keep || !drop)
        refuse(QStringLiteral("Читатель не найден: возможно, его удалили на другом компьютере."));
    for (auto [mine, theirs] : {std::pair{&keep->category, drop->category}, {&keep->department, drop->department},
                                {&keep->phone, drop->phone}, {&keep->email, drop->email},
                                {&keep->address, drop->address}, {&keep->note, drop->note}})
        if (mine->trimmed().isEmpty())
            *mine = theirs;
    connection.runStatement(QStringLiteral("DELETE FROM readers WHERE id = ?"), {merged});
    connection.runStatement(QStringLiteral("UPDATE readers SET category = ?, department = ?, phone = ?, email = ?,"
                                           " address = ?, note = ? WHERE id = ?"),
                            {keep->category, keep->department, keep->phone, keep->email, keep->address, keep->note, kept});
    moveLoansToName(connection, drop->name, keep->name);
    transaction.commit();
}

} // namespace store
