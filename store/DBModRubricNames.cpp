// The rubric caption of the card: the titles of the current record's rubrics.
#include "DBModUnit.h"

#include "RubricText.h"

namespace store {

QString TDBMod::RubricNames()
{
    QString names;
    const QStringList elements = rubricElements(MyBooks.fieldByName(QStringLiteral("rubric")).asString());
    if (elements.isEmpty())
        return names;
    MyCats.setFiltered(false);
    if (!MyCats.active())
        MyCats.open();
    for (const QString &element : elements) {
        bool ok = false;
        const qint64 id = LastRubricId(element).toLongLong(&ok);
        // A rubric deleted since the record was filed names nothing: it is left out.
        if (ok && MyCats.moveToValue(QStringLiteral("id"), id))
            names += MyCats.field(1).asString() + QStringLiteral("; ");
    }
    return names;
}

} // namespace store
