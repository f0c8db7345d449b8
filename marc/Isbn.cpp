#include "Isbn.h"

#include <QHash>
#include <QRegularExpression>

namespace marc {

namespace {

QChar isbn10Check(QStringView nine)
{
    int sum = 0;
    for (int i = 0; i < 9; ++i)
        sum += (10 - i) * nine[i].digitValue();
    const int check = (11 - sum % 11) % 11;
    return check == 10 ? QChar(u'X') : QChar(u'0' + check);
}

QChar isbn13Check(QStringView twelve)
{
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (i % 2 ? 3 : 1) * twelve[i].digitValue();
    return QChar(u'0' + (10 - sum % 10) % 10);
}

bool checkDigitRight(const QString &d)
{
    return d.size() == 13 ? isbn13Check(d) == d.back() : isbn10Check(d) == d.back();
}

QString thirteen(const QString &d)
{
    if (d.size() == 13)
        return d;
    const QString twelve = QStringLiteral("978") + d.left(9);
    return twelve + isbn13Check(twelve);
}

struct RangeLine {
    const char *prefix, *group, *ranges;
};
constexpr RangeLine RangeTable[] = {
#include "IsbnRanges.inc"
};

// The ranges of each prefix and group, "9785" → "00000-00499 0050-0099 ...".
const QHash<QString, QString> &rangesByGroup()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> t;
        for (const RangeLine &line : RangeTable)
            t.insert(QLatin1String(line.prefix) + QLatin1String(line.group), QString::fromLatin1(line.ranges));
        return t;
    }();
    return table;
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

QString IsbnFound::key() const { return checkDigitRight ? thirteen(digits) : QString(); }

IsbnFound findIsbn(const QString &text)
{
    // The first run of digits, hyphens and blanks that makes 10 or 13 characters of an ISBN;
    // "ISBN", "ISBN-13:" before it and "(в пер.)" after it are passed over.
    static const QRegularExpression kind(QStringLiteral("ISBN[-\\x{2010} ]?1[03]"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression candidate(QStringLiteral("(?<![\\dXxХх])\\d[\\d\\-\\x{2010}\\x{2013} ]{7,20}[\\dXxХх](?![\\dXxХх])"));
    const QString plain = QString(text).remove(kind);
    for (auto it = candidate.globalMatch(plain); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QString digits = isbnDigits(m.captured(0).trimmed());
        for (QString piece = m.captured(0); digits.isEmpty() && piece.contains(u' ');) {
            piece = piece.section(u' ', 0, -2); // "5-02-013848-7 1990": the ISBN before the blank
            digits = isbnDigits(piece.trimmed());
        }
        if (!digits.isEmpty())
            return {digits, checkDigitRight(digits)};
    }
    return {};
}

QString isbnKey(const QString &text) { return findIsbn(text).key(); }

QString hyphenatedIsbn(const QString &digits)
{
    if (digits.size() != 10 && digits.size() != 13)
        return digits;
    const QString full = thirteen(digits);
    const QString prefix = full.left(3);
    for (int groupLength = 1; groupLength <= 5; ++groupLength) {
        const QString group = full.mid(3, groupLength);
        const auto ranges = rangesByGroup().find(prefix + group);
        if (ranges == rangesByGroup().end())
            continue;
        const QString rest = full.mid(3 + groupLength, 9 - groupLength);
        for (const QString &range : ranges->split(u' ')) {
            const QString first = range.section(u'-', 0, 0), last = range.section(u'-', 1);
            const QString registrant = rest.left(first.size());
            if (first.size() >= rest.size() || registrant < first || registrant > last)
                continue;
            const QString body = group + u'-' + registrant + u'-' + rest.mid(registrant.size()) + u'-';
            return digits.size() == 13 ? prefix + u'-' + body + digits.back() : body + digits.back();
        }
        return digits;
    }
    return digits;
}

QStringList isbnForms(const QString &typed)
{
    if (typed.trimmed().isEmpty())
        return {};
    QStringList forms{typed.trimmed()};
    const IsbnFound found = findIsbn(typed);
    if (found.digits.isEmpty())
        return forms;
    QStringList whole;
    if (found.checkDigitRight) {
        const QString full = thirteen(found.digits);
        whole << hyphenatedIsbn(full) << full;
        if (full.startsWith(QLatin1String("978"))) {
            const QString ten = full.mid(3, 9) + isbn10Check(QStringView(full).mid(3, 9));
            whole << hyphenatedIsbn(ten) << ten;
        }
    } else {
        whole << found.digits; // a wrong check digit is looked for as typed
    }
    for (const QString &form : whole)
        if (!forms.contains(form))
            forms << form;
    return forms;
}

QStringList isbnWritings(const QString &typed)
{
    QStringList writings = isbnForms(typed);
    const qsizetype forms = writings.size();
    for (qsizetype f = 0; f < forms; ++f) {
        const QString digits = isbnDigits(writings[f]);
        if (digits.isEmpty() || digits != writings[f])
            continue; // hyphens are added to the digits alone
        const QString prefix = digits.size() == 13 ? digits.left(3) + u'-' : QString();
        const QString body = digits.mid(prefix.size() ? 3 : 0, 9);
        // Group, publisher and title of at least a digit each, then the check digit.
        for (int group = 1; group <= 5; ++group)
            for (int publisher = 1; group + publisher < 9; ++publisher) {
                const QString written = prefix + body.left(group) + u'-' + body.mid(group, publisher) + u'-' +
                                        body.mid(group + publisher) + u'-' + digits.back();
                if (!writings.contains(written))
                    writings << written;
            }
    }
    return writings;
}

} // namespace marc
