#include "Isbn.h"

namespace marc {

namespace {

QChar isbn10Check(const QString &nine)
{
    int sum = 0;
    for (int i = 0; i < 9; ++i)
        sum += (10 - i) * nine[i].digitValue();
    const int check = (11 - sum % 11) % 11;
    return check == 10 ? QChar(u'X') : QChar(u'0' + check);
}

QChar isbn13Check(const QString &twelve)
{
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (i % 2 ? 3 : 1) * twelve[i].digitValue();
    return QChar(u'0' + (10 - sum % 10) % 10);
}

} // namespace

QString isbnDigits(const QString &text)
{
    QString d;
    for (QChar c : text) {
        if (c.isDigit())
            d += QChar(u'0' + c.digitValue());
        else if (c == u'x' || c == u'X' || c == u'х' || c == u'Х')
            d += u'X';
        else if (c != u'-' && c != u' ' && c != u'\u2010' && c != u'\u2013')
            return {};
    }
    const qsizetype x = d.indexOf(u'X');
    if ((d.size() == 10 && (x < 0 || x == 9)) || (d.size() == 13 && x < 0))
        return d;
    return {};
}

QString isbnKey(const QString &text)
{
    const QString d = isbnDigits(text);
    if (d.size() == 13)
        return d;
    if (d.size() != 10)
        return {};
    const QString twelve = QStringLiteral("978") + d.left(9);
    return twelve + isbn13Check(twelve);
}

QStringList isbnForms(const QString &text)
{
    const QString d = isbnDigits(text);
    if (d.isEmpty())
        return {};
    const QString key = isbnKey(d);
    QStringList forms{key};
    if (key.startsWith(QLatin1String("978"))) {
        const QString nine = key.mid(3, 9);
        forms << nine + isbn10Check(nine);
    }
    if (!forms.contains(d))
        forms << d; // as typed, should its check digit be wrong
    return forms;
}

} // namespace marc
