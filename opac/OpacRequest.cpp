// Reading what a reader's request asks for. Nothing here reaches SQL: words go to the index,
// ids and page numbers are numbers, and every value is bounded.
#include "OpacRequest.h"

#include <array>

namespace opac {

namespace {

struct Named {
    const char *name;
    int value;
};
constexpr std::array<Named, 5> FieldNames{{{"any", int(SearchField::Any)},
                                           {"title", int(SearchField::Title)},
                                           {"author", int(SearchField::Author)},
                                           {"keyword", int(SearchField::Keyword)},
                                           {"isbn", int(SearchField::Isbn)}}};
constexpr std::array<Named, 4> SortNames{{{"title", int(SortOrder::Title)},
                                          {"author", int(SortOrder::Author)},
                                          {"new", int(SortOrder::Newest)},
                                          {"year", int(SortOrder::Year)}}};

template <std::size_t N>
int valueNamed(const std::array<Named, N> &table, const QString &name)
{
    for (const Named &n : table)
        if (name == QLatin1String(n.name))
            return n.value;
    return table[0].value;
}

template <std::size_t N>
QString nameOf(const std::array<Named, N> &table, int value)
{
    for (const Named &n : table)
        if (n.value == value)
            return QLatin1String(n.name);
    return QLatin1String(table[0].name);
}

} // namespace

QString Params::value(const QString &key) const
{
    for (const auto &item : items_)
        if (item.first == key)
            return item.second;
    return {};
}

qint64 parsePage(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 40)
        return t.size() > 40 && t.front().isDigit() ? MaxPage : 1;
    for (const QChar c : t)
        if (!c.isDigit() || c.unicode() > '9')
            return 1;
    bool ok = false;
    const qint64 n = t.toLongLong(&ok);
    if (!ok) // beyond 64 bits: only digits, so a very large number
        return MaxPage;
    return std::clamp<qint64>(n, 1, MaxPage);
}

qint64 parseId(const QString &text)
{
    bool ok = false;
    const qint64 id = text.trimmed().toLongLong(&ok);
    return ok && id > 0 ? id : 0;
}

SearchRequest parseSearch(const Params &params)
{
    SearchRequest r;
    r.field = SearchField(valueNamed(FieldNames, params.value(QStringLiteral("field"))));
    r.text = params.value(QStringLiteral("q"));
    if (r.text.size() > MaxSearchText) {
        r.text.truncate(MaxSearchText);
        if (r.text.back().isHighSurrogate())
            r.text.chop(1);
        r.cut = true;
    }
    r.page = parsePage(params.value(QStringLiteral("page")));
    r.sort = SortOrder(valueNamed(SortNames, params.value(QStringLiteral("sort"))));
    const qint64 kind = parseId(params.value(QStringLiteral("kind")));
    r.kind = kind <= 32767 ? int(kind) : 0;
    return r;
}

QString fieldName(SearchField field) { return nameOf(FieldNames, int(field)); }
QString sortName(SortOrder sort) { return nameOf(SortNames, int(sort)); }

QString searchQuery(const SearchRequest &request, qint64 page)
{
    QString q = QStringLiteral("q=") + QString::fromLatin1(request.text.toUtf8().toPercentEncoding()) +
                QStringLiteral("&field=") + fieldName(request.field) + QStringLiteral("&sort=") + sortName(request.sort);
    if (request.kind)
        q += QStringLiteral("&kind=") + QString::number(request.kind);
    return q + QStringLiteral("&page=") + QString::number(page);
}

QStringList searchWords(const QString &text)
{
    QStringList words;
    QString word;
    const QString lower = text.toLower();
    for (qsizetype i = 0; i <= lower.size(); ++i) {
        const QChar c = i < lower.size() ? lower[i] : QChar();
        if (i < lower.size() && c.isLetterOrNumber()) {
            word += c == u'ё' ? u'е' : c;
            continue;
        }
        if (!word.isEmpty() && words.size() < MaxSearchWords && !words.contains(word))
            words.append(word);
        word.clear();
    }
    return words;
}

QString isbnKey(const QString &text)
{
    QString key;
    for (const QChar c : text)
        if ((c >= u'0' && c <= u'9') || c == u'x' || c == u'X')
            key += c.toUpper();
    return key;
}

} // namespace opac
