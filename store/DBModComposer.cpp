// The record filter composer: named conditions and the current item kind make the SQL filter
// of the catalogue dataset.
#include "DBModUnit.h"

#include "ProcessValues.h"
#include "data/DataError.h"

namespace store {

static int findCondition(const QStringList &list, const QString &name)
{
    for (int i = 0; i < list.size(); ++i) {
        const qsizetype sep = list[i].indexOf(ConditionSeparator);
        const QString entryName = sep < 0 ? list[i] : list[i].left(sep);
        if (entryName.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// Runs a change of the composer's state and the re-query it causes; when the store rejects the
// new filter, the state goes back to what it was, so it keeps matching what the catalogue shows.
void TDBMod::applyComposed(const std::function<void()> &change)
{
    if (!Conditions)
        Conditions.emplace();
    const QStringList savedConditions = *Conditions;
    const quint16 savedKind = CurrentKind;
    change();
    try {
        ApplyFilter();
    } catch (...) {
        *Conditions = savedConditions;
        CurrentKind = savedKind;
        throw;
    }
}

void TDBMod::SetKind(quint16 kind)
{
    if (kind == CurrentKind)
        return;
    applyComposed([&] { CurrentKind = kind; });
}

void TDBMod::SetCondition(const QString &entry)
{
    applyComposed([&] {
        const qsizetype sep = entry.indexOf(ConditionSeparator);
        if (sep >= 0) {
            const int i = findCondition(*Conditions, entry.left(sep));
            if (i < 0)
                Conditions->append(entry);
            else
                (*Conditions)[i] = entry;
        } else if (entry.isEmpty()) {
            Conditions->clear();
        } else {
            const int i = findCondition(*Conditions, entry);
            if (i >= 0)
                Conditions->removeAt(i);
        }
    });
}

QString TDBMod::JoinConditions() const
{
    if (!Conditions)
        return {};
    QStringList texts;
    for (const QString &entry : *Conditions)
        texts << entry.mid(entry.indexOf(ConditionSeparator) + 1);
    return texts.join(QStringLiteral(" AND "));
}

void TDBMod::ApplyFilter()
{
    const QString joined = JoinConditions();
    QString filter;
    if (Conditions && !Conditions->isEmpty())
        filter = CurrentKind > 0 ? joined + QStringLiteral(" AND itemkind_id = ") + QString::number(CurrentKind) : joined;
    else
        filter = CurrentKind > 0 ? QStringLiteral("itemkind_id = ") + QString::number(CurrentKind) : QString();
    const bool wasActive = MyBooks.active();
    try {
        MyBooks.setFilterSQL(filter);
    } catch (...) {
        // The dataset is closed with its previous filter text: bring the catalogue back with it
        // before the error goes on to be shown.
        if (wasActive) {
            try {
                MyBooks.open();
            } catch (...) {
            }
        }
        throw;
    }
}

} // namespace store
