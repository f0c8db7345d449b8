#include "ReaderNames.h"

#include <QHash>

namespace store {

QString readerNameKey(const QString &name)
{
    QString key = name.simplified().toLower();
    key.replace(u'ё', u'е');
    return key;
}

qint64 NameGroup::loans() const
{
    qint64 n = 0;
    for (const LoanName &v : variants)
        n += v.loans;
    return n;
}

QList<NameGroup> groupLoanNames(const QList<LoanName> &names)
{
    QList<NameGroup> groups;
    QHash<QString, qsizetype> groupOf;
    for (const LoanName &n : names) {
        const QString key = readerNameKey(n.name);
        if (key.isEmpty())
            continue;
        const auto found = groupOf.constFind(key);
        if (found == groupOf.cend()) {
            groupOf.insert(key, groups.size());
            groups.push_back({n.name.simplified(), {n}});
            continue;
        }
        NameGroup &g = groups[*found];
        g.variants.push_back(n);
        qint64 best = -1;
        for (const LoanName &v : g.variants)
            if (v.loans > best) {
                best = v.loans;
                g.proposed = v.name.simplified();
            }
    }
    return groups;
}

bool plausibleMailAddress(const QString &address)
{
    const qsizetype at = address.indexOf(u'@');
    if (at <= 0 || at != address.lastIndexOf(u'@'))
        return false;
    const QStringView domain = QStringView(address).mid(at + 1);
    const qsizetype dot = domain.indexOf(u'.');
    if (dot <= 0 || domain.endsWith(u'.') || domain.contains(QStringLiteral("..")))
        return false;
    for (const QChar c : address)
        if (c.isSpace() || c.unicode() < 0x20 || c == u'<' || c == u'>' || c == u',' || c == u';' || c == u'"' ||
            c == u'(' || c == u')' || c == u'\\')
            return false;
    return true;
}

} // namespace store
