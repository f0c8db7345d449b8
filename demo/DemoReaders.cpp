#include "DemoReaders.h"

#include "DemoRandom.h"
#include "DemoSqlite.h"
#include "ReaderNames.h"

#include <QDate>
#include <QSet>

namespace demo {

namespace {

const char16_t *const Categories[] = {u"Студент", u"Студент", u"Студент", u"Студент", u"Студент", u"Студент",
                                      u"Сотрудник", u"Сотрудник", u"Сотрудник", u"Аспирант", u"Гость"};
const char16_t *const Departments[] = {u"Кафедра физики", u"Кафедра истории", u"Бухгалтерия", u"Лаборатория химии",
                                       u"Отдел кадров", u"Кафедра математики"};

QString phoneOf(Rng &rng)
{
    return QStringLiteral("+7 9%1 %2-%3-%4")
        .arg(rng.between(10, 99))
        .arg(rng.between(100, 999))
        .arg(rng.between(10, 99))
        .arg(rng.between(10, 99));
}

} // namespace

void writeReaders(Database &db, const QStringList &names, quint32 seed)
{
    Rng rng(seed ^ 0x4EADE45u);
    Statement insert(db, "INSERT INTO readers (card_number, full_name, name_key, category, department, phone, email,"
                         " registered_on, valid_until, blocked, block_reason) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9,"
                         " ?10, ?11)");
    QSet<QString> keys;
    int card = FirstDemoCard;
    for (const QString &name : names) {
        const QString key = store::readerNameKey(name);
        if (key.isEmpty() || keys.contains(key))
            continue;
        keys.insert(key);
        const QString category = QString::fromUtf16(rng.pick(Categories));
        const QDate registered = QDate(2015, 1, 1).addDays(rng.below(4000));
        insert.bindText(1, QString::number(card));
        insert.bindText(2, name);
        insert.bindText(3, key);
        insert.bindText(4, category);
        insert.bindTextOrNull(5, category == u"Сотрудник" ? QString::fromUtf16(rng.pick(Departments)) : QString());
        insert.bindTextOrNull(6, rng.percent(70) ? phoneOf(rng) : QString());
        insert.bindTextOrNull(7, rng.percent(50) ? QStringLiteral("reader%1@example.ru").arg(card) : QString());
        insert.bindText(8, registered.toString(Qt::ISODate));
        insert.bindText(9, registered.addYears(5).toString(Qt::ISODate));
        const bool blocked = rng.percent(1);
        insert.bindInt(10, blocked ? 1 : 0);
        insert.bindTextOrNull(11, blocked ? QStringLiteral("утерян билет") : QString());
        insert.run();
        ++card;
    }
}

} // namespace demo
