// What pages share: the frame with the menu, a list of holdings and its pager, a message.
#include "Pages.h"

#include "LoanTerms.h"

namespace opac {

namespace {

constexpr Markup Style =
    "body{font-family:'DejaVu Sans',Arial,sans-serif;margin:0;line-height:1.45;color:#1d1d1d;background:#fff}"
    "header{background:#24476b;color:#fff;padding:.6em 1em}header a{color:#fff}"
    ".lib{font-size:1.25em;font-weight:bold;text-decoration:none}"
    "nav ul{list-style:none;margin:.4em 0 0;padding:0;display:flex;flex-wrap:wrap;gap:.3em 1.2em}"
    "main{max-width:52em;margin:0 auto;padding:1em}"
    "form.search{display:grid;grid-template-columns:auto minmax(0,1fr);gap:.4em .8em;align-items:center}"
    "form.search input,form.search select{width:100%}"
    "form.search button{grid-column:2;justify-self:start}"
    "input,select,button{font-size:1em;padding:.35em;max-width:100%;box-sizing:border-box}"
    "ol.results li{margin:.5em 0}.out{color:#8a4b00}.shelf{color:#1f6b2a}"
    ".pager{display:flex;flex-wrap:wrap;gap:1em;margin:1em 0}"
    "dl.card dt{font-weight:bold;margin-top:.6em}dl.card dd{margin-left:0}"
    "table{border-collapse:collapse;width:100%}th,td{border-bottom:1px solid #ccc;padding:.3em;text-align:left}"
    ".letters a{display:inline-block;min-width:1.6em;padding:.2em;text-align:center}"
    ".notice{background:#fff4d6;padding:.5em}";

} // namespace

QString shownDay(const QDate &date) { return store::shownDate(date); }

ResultPage resultPage(qint64 total, qint64 asked)
{
    ResultPage r;
    r.total = total;
    r.pages = std::max<qint64>(1, (total + PageSize - 1) / PageSize);
    r.page = std::clamp<qint64>(asked, 1, r.pages);
    return r;
}

QByteArray framedPage(const PageContext &context, const QString &title, const std::function<void(Html &)> &content)
{
    Html html;
    html << "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>"
         << title << " — " << context.libraryName << "</title>\n<style>" << Style << "</style>\n</head>\n<body>\n"
         << "<header><a class=\"lib\" href=\"/\">" << context.libraryName << "</a>\n"
         << "<nav aria-label=\"Разделы каталога\"><ul><li><a href=\"/\">Поиск</a></li>"
            "<li><a href=\"/rubrics\">Рубрики</a></li><li><a href=\"/authors\">Авторы</a></li>"
            "<li><a href=\"/new\">Новые поступления</a></li><li><a href=\"/my\">Мои книги</a></li>";
    if (context.signedIn)
        html << "<li><form method=\"post\" action=\"/signout\" style=\"display:inline\">"
                "<button type=\"submit\">Выйти</button></form></li>";
    html << "</ul></nav></header>\n<main>\n<h1>" << title << "</h1>\n";
    content(html);
    html << "</main>\n</body>\n</html>\n";
    return html.take();
}

void writeResults(Html &html, const ResultPage &results, const QString &linkBase)
{
    if (results.total == 0) {
        html << "<p>Ничего не найдено.</p>\n";
        return;
    }
    html << "<p>Найдено: " << results.total << ". Страница " << results.page << " из " << results.pages << ".</p>\n"
         << "<ol class=\"results\" start=\"" << (results.page - 1) * PageSize + 1 << "\">\n";
    for (const HoldingLine &line : results.lines) {
        html << "<li><a href=\"/holding?id=" << line.id << "\">";
        if (!line.heading.isEmpty())
            html << "<b>" << line.heading << "</b> ";
        html << line.body << "</a> "
             << (line.onLoan ? Markup("<span class=\"out\">(выдано)</span>") : Markup("<span class=\"shelf\">(на полке)</span>"))
             << "</li>\n";
    }
    html << "</ol>\n";
    if (results.pages < 2)
        return;
    html << "<nav class=\"pager\" aria-label=\"Страницы\">";
    const QString joiner = linkBase.contains(u'?') ? QStringLiteral("&page=") : QStringLiteral("?page=");
    if (results.page > 1)
        html << "<a href=\"" << linkBase + joiner + QString::number(results.page - 1) << "\" rel=\"prev\">← Предыдущая</a>";
    if (results.page < results.pages)
        html << "<a href=\"" << linkBase + joiner + QString::number(results.page + 1) << "\" rel=\"next\">Следующая →</a>";
    html << "</nav>\n";
}

QByteArray messagePage(const PageContext &context, const QString &title, const QString &text)
{
    return framedPage(context, title, [&](Html &html) {
        html << "<p>" << text << "</p>\n<p><a href=\"/\">К поиску</a></p>\n";
    });
}

} // namespace opac
