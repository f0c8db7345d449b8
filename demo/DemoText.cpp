#include "DemoText.h"

#include "DemoWords.h"

#include <QSet>

namespace demo {

namespace {

QString pickText(Rng &rng, words::List list)
{
    return QString::fromUtf16(rng.pick(list));
}

QString capitalized(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString initialsText(Rng &rng)
{
    return pickText(rng, words::initials) + QStringLiteral(". ") + pickText(rng, words::initials) + u'.';
}

// "Основы физики"
QString headAndSubject(Rng &rng)
{
    const QString head = pickText(rng, words::titleHeads);
    QString subject = pickText(rng, words::subjectsGenitive);
    while (head.contains(u"истории") && subject.contains(u"истории")) // no "Очерки истории истории России"
        subject = pickText(rng, words::subjectsGenitive);
    return head + u' ' + subject;
}

QString academicTitle(Rng &rng)
{
    QString title = headAndSubject(rng);
    if (rng.percent(40))
        title += pickText(rng, words::titleQualifiers);
    if (rng.percent(60))
        title += pickText(rng, words::titleSubtitles);
    return title;
}

QString literaryTitle(Rng &rng)
{
    QString noun;
    Gender gender = Gender::Masculine;
    switch (rng.below(4)) {
    case 0: noun = pickText(rng, words::nounsMasculine); break;
    case 1: noun = pickText(rng, words::nounsFeminine); gender = Gender::Feminine; break;
    case 2: noun = pickText(rng, words::nounsNeuter); gender = Gender::Neuter; break;
    default: noun = pickText(rng, words::nounsPlural); gender = Gender::Plural; break;
    }
    QString title = rng.percent(85) ? adjectiveForm(pickText(rng, words::adjectives), gender) + u' ' + noun
                                    : capitalized(noun);
    if (rng.percent(35))
        title += pickText(rng, words::placePhrases);
    if (rng.percent(50))
        title += QStringLiteral(": ") + pickText(rng, words::literaryForms);
    return title;
}

// Titles many libraries hold several times over.
QString commonTitle(Rng &rng)
{
    switch (rng.below(4)) {
    case 0: return QStringLiteral("Избранное");
    case 1: return QStringLiteral("Стихотворения");
    case 2: return QStringLiteral("Собрание сочинений в %1 т. Т. %2").arg(rng.between(5, 12)).arg(rng.between(1, 5));
    default: return QStringLiteral("Повести и рассказы");
    }
}

QString bookTitle(Rng &rng)
{
    const int r = rng.below(100);
    if (r < 55)
        return academicTitle(rng);
    if (r < 92)
        return literaryTitle(rng);
    return commonTitle(rng);
}

QString titleOfKind(Rng &rng, int kindId, int year)
{
    switch (kindId) {
    case 2:
        return QStringLiteral("%1. %2, № %3").arg(pickText(rng, words::journals)).arg(year).arg(rng.between(1, 12));
    case 3:
        return headAndSubject(rng)
            + (rng.percent(50) ? QStringLiteral(": дис. ... ") : QStringLiteral(": автореф. дис. ... "))
            + pickText(rng, words::degrees);
    case 4:
        return bookTitle(rng) + QStringLiteral(" [Электронный ресурс]");
    default:
        return bookTitle(rng);
    }
}

// Puts the subtitle on a line of its own, as a title copied from a title page often is.
QString withLineBreak(Rng &rng, QString title)
{
    for (const QString &separator : {QStringLiteral(": "), QStringLiteral(". ")}) {
        const qsizetype at = title.indexOf(separator);
        if (at > 0)
            return title.replace(at, 2, QStringLiteral("\r\n"));
    }
    QString subtitle = pickText(rng, words::titleSubtitles);
    return title + QStringLiteral("\r\n") + subtitle.mid(2);
}

QString annotationSentence(Rng &rng)
{
    return pickText(rng, words::annotationOpeners) + u' ' + pickText(rng, words::annotationObjects)
        + pickText(rng, words::annotationTails) + u'.';
}

} // namespace

QString feminineSurname(const QString &masculine)
{
    for (const char16_t *ending : {u"ов", u"ев", u"ёв", u"ин", u"ын"}) {
        if (masculine.endsWith(QStringView(ending)))
            return masculine + u'а';
    }
    if (masculine.endsWith(QStringView(u"ий")) || masculine.endsWith(QStringView(u"ой")))
        return masculine.chopped(2) + QStringLiteral("ая");
    return masculine;
}

QString adjectiveForm(const QString &masculine, Gender gender)
{
    if (gender == Gender::Masculine || masculine.size() < 3)
        return masculine;
    const QString stem = masculine.chopped(2);
    const QChar last = stem.back();
    const bool velarOrHushing = QStringView(u"гкхжшчщ").contains(last);
    const bool soft = masculine.endsWith(QStringView(u"ий")) && !velarOrHushing;
    switch (gender) {
    case Gender::Feminine: return stem + (soft ? QStringLiteral("яя") : QStringLiteral("ая"));
    case Gender::Neuter: return stem + (soft ? QStringLiteral("ее") : QStringLiteral("ое"));
    default: return stem + (soft || velarOrHushing ? QStringLiteral("ие") : QStringLiteral("ые"));
    }
}

QString personName(Rng &rng)
{
    const QString surname = pickText(rng, words::surnames);
    return (rng.percent(55) ? feminineSurname(surname) : surname) + u' ' + initialsText(rng);
}

QStringList readerNames(Rng &rng, int count)
{
    QStringList names;
    QSet<QString> seen;
    while (names.size() < count) {
        QString name = personName(rng);
        if (!seen.contains(name)) {
            seen.insert(name);
            names.append(name);
        }
    }
    return names;
}

QString authorField(Rng &rng)
{
    const int r = rng.below(100);
    if (r < 2)
        return {};
    if (r < 12)
        return pickText(rng, words::classics);
    if (r < 16)
        return pickText(rng, words::latinAuthors);
    QString authors = personName(rng);
    if (r >= 84) {
        const int more = rng.between(1, 3);
        for (int i = 0; i < more; ++i)
            authors += QStringLiteral(", ") + personName(rng);
    }
    return authors;
}

QString titleFor(Rng &rng, int kindId, int year)
{
    QString title = titleOfKind(rng, kindId, year);
    if (rng.percent(5))
        title = withLineBreak(rng, title);
    const int r = rng.below(200);
    if (r == 0)
        return title.toUpper();
    if (r == 1)
        return title.toLower();
    return title;
}

QString annotation(Rng &rng, int length)
{
    QString text = annotationSentence(rng);
    const bool twoParagraphs = rng.percent(15);
    bool broken = false;
    while (text.size() < length) {
        const QString next = rng.percent(20) ? pickText(rng, words::annotationClosings) : annotationSentence(rng);
        if (text.size() + next.size() / 2 > length)
            break;
        const bool breakHere = twoParagraphs && !broken && text.size() >= length / 2;
        text += breakHere ? QStringLiteral("\r\n") : QStringLiteral(" ");
        broken = broken || breakHere;
        text += next;
    }
    return text;
}

QString isbn(Rng &rng, int year)
{
    const QString publisher = QStringLiteral("%1").arg(rng.between(1, 99), 2, 10, QLatin1Char('0'));
    const QString number = QStringLiteral("%1").arg(rng.below(1000000), 6, 10, QLatin1Char('0'));
    const QString digits = QStringLiteral("5") + publisher + number;
    if (year < 2007) {
        int sum = 0;
        for (int i = 0; i < 9; ++i)
            sum += (10 - i) * digits[i].digitValue();
        const int check = (11 - sum % 11) % 11;
        const QString checkText = check == 10 ? QStringLiteral("X") : QString::number(check);
        return QStringLiteral("5-%1-%2-%3").arg(publisher, number, checkText);
    }
    const QString full = QStringLiteral("978") + digits;
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (i % 2 == 0 ? 1 : 3) * full[i].digitValue();
    return QStringLiteral("978-5-%1-%2-%3").arg(publisher, number).arg((10 - sum % 10) % 10);
}

} // namespace demo
