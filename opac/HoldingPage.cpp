// A holding's own page: its description, where it is filed, and whether it can be had now.
#include "Pages.h"

namespace opac {

namespace {

void writeRubrics(Html &html, const QList<QList<RubricRef>> &rubrics)
{
    html << "<dt>Рубрики</dt>\n";
    for (const QList<RubricRef> &path : rubrics) {
        html << "<dd>";
        for (qsizetype i = 0; i < path.size(); ++i) {
            if (i)
                html << " / ";
            html << "<a href=\"/rubrics?id=" << path[i].id << "\">" << path[i].title << "</a>";
        }
        html << "</dd>\n";
    }
}

void writeAvailability(Html &html, const HoldingDetails &h)
{
    html << "<dt>Наличие</dt>\n<dd>";
    if (!h.lent)
        html << "<span class=\"shelf\">На полке</span>";
    else if (h.due.isValid())
        html << "<span class=\"out\">Выдано, срок возврата — " << shownDay(h.due) << "</span>";
    else
        html << "<span class=\"out\">Выдано</span>";
    html << "</dd>\n";
}

} // namespace

QByteArray holdingPage(const PageContext &context, const HoldingDetails &h, bool downloads)
{
    // The description begins with the title proper, up to the first statement of responsibility.
    const QString title = h.line.body.section(QStringLiteral(" / "), 0, 0).section(QStringLiteral(". — "), 0, 0);
    return framedPage(context, title.left(120), [&](Html &html) {
        html << "<p>";
        if (!h.line.heading.isEmpty())
            html << "<b>" << h.line.heading << "</b> ";
        html << h.line.body << "</p>\n<dl class=\"card\">\n";
        writeAvailability(html, h);
        if (!h.invNum.isEmpty())
            html << "<dt>Инвентарный номер</dt>\n<dd>" << h.invNum << "</dd>\n";
        if (!h.kindName.isEmpty())
            html << "<dt>Раздел</dt>\n<dd>" << h.kindName << "</dd>\n";
        if (!h.isbn.isEmpty())
            html << "<dt>ISBN</dt>\n<dd>" << h.isbn << "</dd>\n";
        if (!h.rubrics.isEmpty())
            writeRubrics(html, h.rubrics);
        if (!h.keywords.isEmpty()) {
            html << "<dt>Ключевые слова</dt>\n<dd>";
            for (qsizetype i = 0; i < h.keywords.size(); ++i) {
                if (i)
                    html << ", ";
                html << "<a href=\"/search?field=keyword&amp;q=" << urlEncoded(h.keywords[i]) << "\">"
                     << h.keywords[i] << "</a>";
            }
            html << "</dd>\n";
        }
        if (!h.annotation.trimmed().isEmpty())
            html << "<dt>Аннотация</dt>\n<dd>" << h.annotation.trimmed() << "</dd>\n";
        if (h.hasFile && downloads)
            html << "<dt>Электронная версия</dt>\n<dd><a href=\"/file?id=" << h.line.id << "\">Скачать ("
                 << h.fileExtension.mid(1).toUpper() << ")</a></dd>\n";
        html << "</dl>\n";
    });
}

} // namespace opac
