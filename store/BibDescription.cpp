// The bibliographic description of a holding by ГОСТ Р 7.0.100-2018, as a reference list or a
// catalogue card gives it: areas joined by ". — ", words written whole rather than abbreviated.
#include "BibDescription.h"

#include "AuthorNames.h"

#include <QRegularExpression>
#include <QStringList>

namespace store {

namespace {

enum class Form { Book, Collection, Journal, Disc };

// What the item kind's name says about how the holding is described.
Form formOfKind(const QString &kind)
{
    static const QStringList journal = {QStringLiteral("журнал"), QStringLiteral("газет"), QStringLiteral("период")};
    static const QStringList disc = {QStringLiteral("диск"), QStringLiteral("cd"), QStringLiteral("dvd"),
                                     QStringLiteral("электрон"), QStringLiteral("мультимедиа")};
    auto names = [&kind](const QStringList &stems) {
        return std::any_of(stems.cbegin(), stems.cend(),
                           [&kind](const QString &stem) { return kind.contains(stem, Qt::CaseInsensitive); });
    };
    if (names(journal))
        return Form::Journal;
    if (names(disc))
        return Form::Disc;
    return kind.contains(QStringLiteral("сборник"), Qt::CaseInsensitive) ? Form::Collection : Form::Book;
}

QString squeezed(const QString &text)
{
    QString s = text;
    s.replace(QChar(0x00A0), u' ');
    return s.simplified();
}

bool endsWithStop(const QString &text)
{
    return text.endsWith(u'.') || text.endsWith(u'?') || text.endsWith(u'!') || text.endsWith(QChar(0x2026));
}

// Areas follow each other after ". — "; an area that ends with its own full stop keeps only that.
void appendArea(QString &out, const QString &area)
{
    if (area.isEmpty())
        return;
    if (!out.isEmpty())
        out += endsWithStop(out) ? QStringLiteral(" — ") : QStringLiteral(". — ");
    out += area;
}

// The title with other title information after " : ", as the rules space it.
QString titleProper(const QString &title, Form form)
{
    QString t = squeezed(title);
    if (t.contains(u':')) {
        static const QRegularExpression colon(QStringLiteral("\\s*:\\s*"));
        t = t.replace(colon, QStringLiteral(" : ")).simplified(); // "a::b", a colon at the end
    }
    // A title's own closing full stop or an empty other title information after " :" goes.
    while ((t.endsWith(u'.') && !t.endsWith(QStringLiteral(".."))) || t.endsWith(u':'))
        t = t.chopped(1).trimmed();
    if (t.isEmpty())
        t = QStringLiteral("[Без заглавия]");
    if (!t.contains(QStringLiteral(" : "))) {
        if (form == Form::Journal)
            t += QStringLiteral(" : журнал");
        else if (form == Form::Collection)
            t += QStringLiteral(" : сборник");
    }
    return t;
}

// Up to four authors are all named; of more, the first three and "[и др.]".
QString authorsStatement(const QList<AuthorName> &authors)
{
    QStringList named;
    const qsizetype shown = authors.size() > 4 ? 3 : authors.size();
    for (qsizetype i = 0; i < shown; ++i)
        named << authors[i].statementForm();
    QString s = named.join(QStringLiteral(", "));
    if (shown < authors.size())
        s += QStringLiteral(" [и др.]");
    return s;
}

// Authors first, then each other role with its word: "редактор И. И. Иванов".
QString responsibility(const QList<AuthorName> &names)
{
    QList<AuthorName> authors;
    QStringList roles;
    for (const AuthorName &n : names) {
        if (n.role.isEmpty())
            authors << n;
        else if (!roles.contains(n.role))
            roles << n.role;
    }
    QStringList groups;
    if (!authors.isEmpty())
        groups << authorsStatement(authors);
    for (const QString &role : roles) {
        QStringList persons;
        for (const AuthorName &n : names)
            if (n.role == role)
                persons << n.statementForm();
        groups << roleWord(role, int(persons.size())) + u' ' + persons.join(QStringLiteral(", "));
    }
    return groups.join(QStringLiteral(" ; "));
}

// A record goes under its first author when one to three authors are named and the first is a person.
QString headingOf(const QList<AuthorName> &names)
{
    QList<AuthorName> authors;
    for (const AuthorName &n : names)
        if (n.role.isEmpty())
            authors << n;
    if (authors.isEmpty() || authors.size() > 3 || !authors.first().person)
        return {};
    QString h = authors.first().headingForm();
    return endsWithStop(h) ? h : h + u'.';
}

// A journal issue's number, "№ 5" at the end of its title, goes to the area of numbering.
QString takeIssueNumber(QString &title)
{
    static const QRegularExpression number(QStringLiteral("[\\s.,;]*№\\s*([^\\s№]+)\\s*$"));
    const QRegularExpressionMatch m = number.match(title);
    if (!m.hasMatch())
        return {};
    title.truncate(m.capturedStart());
    return QStringLiteral("№ ") + m.captured(1);
}

QString publicationArea(const DescribedHolding &h)
{
    QStringList places;
    for (const QString &p : squeezed(h.location).split(u';', Qt::SkipEmptyParts))
        if (!fullPlaceName(p).isEmpty())
            places << fullPlaceName(p);
    QString publisher = squeezed(h.publisher);
    const QString year = h.year > 0 ? QString::number(h.year) : QString();
    if (places.isEmpty() && publisher.isEmpty())
        return year;
    QString area = places.isEmpty() ? QStringLiteral("[Б. м.]") : places.join(QStringLiteral(" ; "));
    area += QStringLiteral(" : ") + (publisher.isEmpty() ? QStringLiteral("[б. и.]") : publisher);
    return area + QStringLiteral(", ") + (year.isEmpty() ? QStringLiteral("[б. г.]") : year);
}

QString seriesArea(const QString &notes)
{
    if (!notes.contains(QStringLiteral("серия"), Qt::CaseInsensitive))
        return {};
    static const QRegularExpression series(QStringLiteral("^\\s*Серия\\s*[:.]?\\s*(.+?)\\s*$"),
                                           QRegularExpression::MultilineOption |
                                               QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = series.match(QString(notes).replace(u'\r', u'\n'));
    if (!m.hasMatch())
        return {};
    QString s = squeezed(m.captured(1));
    if (s.startsWith(u'(') && s.endsWith(u')'))
        s = s.mid(1, s.size() - 2).trimmed();
    return s.isEmpty() ? QString() : u'(' + s + u')';
}

QString numberArea(const QString &isbn, Form form)
{
    const QString n = squeezed(isbn);
    if (n.isEmpty() || n.startsWith(QStringLiteral("ISBN"), Qt::CaseInsensitive) ||
        n.startsWith(QStringLiteral("ISSN"), Qt::CaseInsensitive))
        return n;
    static const QRegularExpression issn(QStringLiteral("^\\d{4}-\\d{3}[\\dXx]$"));
    return (form == Form::Journal && issn.match(n).hasMatch() ? QStringLiteral("ISSN ") : QStringLiteral("ISBN ")) + n;
}

QString extentArea(const DescribedHolding &h, Form form)
{
    if (form == Form::Disc)
        return h.kind.contains(QStringLiteral("dvd"), Qt::CaseInsensitive)
                   ? QStringLiteral("1 электронный оптический диск (DVD-ROM)")
                   : QStringLiteral("1 электронный оптический диск (CD-ROM)");
    return h.pages > 0 ? QString::number(h.pages) + QStringLiteral(" с.") : QString();
}

} // namespace

QString fullPlaceName(const QString &place)
{
    QString p = squeezed(place);
    while (p.endsWith(u':'))
        p = p.chopped(1).trimmed();
    static const QList<std::pair<QString, QString>> abbreviated = [] {
        const std::pair<const char *, const char *> table[] = {
            {"М.", "Москва"}, {"М", "Москва"}, {"СПб.", "Санкт-Петербург"}, {"СПб", "Санкт-Петербург"},
            {"С.-Пб.", "Санкт-Петербург"}, {"С.-Петербург", "Санкт-Петербург"}, {"Л.", "Ленинград"},
            {"Ростов н/Д", "Ростов-на-Дону"}, {"Ростов н/Д.", "Ростов-на-Дону"}, {"Н. Новгород", "Нижний Новгород"},
            {"Мн.", "Минск"}, {"К.", "Киев"}};
        QList<std::pair<QString, QString>> list;
        for (const auto &[typed, whole] : table)
            list.append({QString::fromUtf8(typed), QString::fromUtf8(whole)});
        return list;
    }();
    for (const auto &[typed, whole] : abbreviated)
        if (p.compare(typed, Qt::CaseInsensitive) == 0)
            return whole;
    if (!p.isEmpty() && p[0].isLower()) // a place is a proper name, typed "москва" or not
        p[0] = p[0].toUpper();
    return p;
}

BibDescription describeHolding(const DescribedHolding &h)
{
    const Form form = formOfKind(h.kind);
    const QList<AuthorName> names = parseAuthorNames(h.author);
    QString title = squeezed(h.title);
    const QString issue = form == Form::Journal ? takeIssueNumber(title) : QString();
    BibDescription d;
    d.title = titleProper(title, form);
    QString titleArea = d.title;
    const QString statement = responsibility(names);
    if (!statement.isEmpty())
        titleArea += QStringLiteral(" / ") + statement;

    d.heading = headingOf(names);
    appendArea(d.body, titleArea);
    if (!issue.isEmpty())
        appendArea(d.body, h.year > 0 ? QString::number(h.year) + QStringLiteral(", ") + issue : issue);
    appendArea(d.body, publicationArea(h));
    appendArea(d.body, extentArea(h, form));
    appendArea(d.body, seriesArea(h.notes));
    appendArea(d.body, numberArea(h.isbn, form));
    appendArea(d.body, form == Form::Disc ? QStringLiteral("Текст : электронный")
                                          : QStringLiteral("Текст : непосредственный"));
    if (!endsWithStop(d.body))
        d.body += u'.';
    return d;
}

} // namespace store
