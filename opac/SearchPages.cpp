// The search form and its results.
#include "Pages.h"

namespace opac {

namespace {

struct Choice {
    QString value, caption;
};

void writeSelect(Html &html, const QString &id, const QString &label, const QList<Choice> &choices, const QString &chosen)
{
    html << "<label for=\"" << id << "\">" << label << "</label>\n<select id=\"" << id << "\" name=\"" << id << "\">";
    for (const Choice &c : choices) {
        html << "<option value=\"" << c.value << "\"";
        if (c.value == chosen)
            html << " selected";
        html << ">" << c.caption << "</option>";
    }
    html << "</select>\n";
}

void writeSearchForm(Html &html, const SearchRequest &request, const QList<ItemKind> &kinds)
{
    html << "<form class=\"search\" role=\"search\" method=\"get\" action=\"/search\">\n"
            "<label for=\"q\">Что искать</label>\n<input id=\"q\" name=\"q\" type=\"search\" maxlength=\"256\" value=\""
         << request.text << "\">\n";
    writeSelect(html, QStringLiteral("field"), QStringLiteral("Где искать"),
                {{QStringLiteral("any"), QStringLiteral("Во всех полях")},
                 {QStringLiteral("title"), QStringLiteral("Название")},
                 {QStringLiteral("author"), QStringLiteral("Автор")},
                 {QStringLiteral("keyword"), QStringLiteral("Ключевое слово")},
                 {QStringLiteral("isbn"), QStringLiteral("ISBN")}},
                fieldName(request.field));
    QList<Choice> kindChoices{{QStringLiteral("0"), QStringLiteral("Все разделы")}};
    for (const ItemKind &k : kinds)
        kindChoices.append({QString::number(k.id), k.name});
    writeSelect(html, QStringLiteral("kind"), QStringLiteral("Раздел"), kindChoices, QString::number(request.kind));
    writeSelect(html, QStringLiteral("sort"), QStringLiteral("Порядок"),
                {{QStringLiteral("title"), QStringLiteral("По названию")},
                 {QStringLiteral("author"), QStringLiteral("По автору")},
                 {QStringLiteral("year"), QStringLiteral("Сначала новые издания")},
                 {QStringLiteral("new"), QStringLiteral("Сначала новые поступления")}},
                sortName(request.sort));
    html << "<button type=\"submit\">Найти</button>\n</form>\n";
}

} // namespace

QByteArray searchPage(const PageContext &context, const SearchRequest &request, const QList<ItemKind> &kinds,
                      const ResultPage *results)
{
    const QString title = results ? QStringLiteral("Результаты поиска") : QStringLiteral("Поиск в каталоге");
    return framedPage(context, title, [&](Html &html) {
        writeSearchForm(html, request, kinds);
        if (request.cut)
            html << "<p class=\"notice\">Запрос сокращён до " << MaxSearchText << " знаков.</p>\n";
        if (!results) {
            html << "<p>Слова ищутся как начала слов: «пушк» найдёт и «Пушкин», и «Пушкина». "
                    "Можно также просмотреть <a href=\"/rubrics\">рубрики</a>, <a href=\"/authors\">авторов</a> "
                    "и <a href=\"/new\">новые поступления</a>.</p>\n";
            return;
        }
        SearchRequest base = request;
        const QString query = searchQuery(base, 1);
        writeResults(html, *results, QStringLiteral("/search?") + query.left(query.lastIndexOf(u'&')));
    });
}

} // namespace opac
