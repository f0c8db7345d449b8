#include "RubricText.h"

namespace store {

QStringList rubricElements(const QString &rubricText)
{
    QStringList elements;
    for (const QString &part : rubricText.split(u';')) {
        qsizetype start = 0;
        while (start < part.size() && part[start] == u' ')
            ++start;
        if (start < part.size())
            elements << part.mid(start);
    }
    return elements;
}

QString LastRubricId(const QString &element)
{
    if (element.isEmpty())
        return {};
    const qsizetype closing = element.size() - 1;
    const qsizetype previous = closing > 0 ? element.lastIndexOf(u'.', closing - 1) : -1;
    return element.mid(previous + 1, closing - previous - 1);
}

QList<qint64> rubricPath(const QString &element)
{
    QList<qint64> path;
    for (const QString &part : element.split(u'.', Qt::SkipEmptyParts)) {
        bool ok = false;
        const qint64 id = part.toLongLong(&ok);
        if (ok)
            path << id;
    }
    return path;
}

QString rubricElement(const QList<qint64> &path)
{
    QString text;
    for (const qint64 id : path)
        text += QString::number(id) + u'.';
    return text + u';';
}

} // namespace store
