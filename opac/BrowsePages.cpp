// Browsing: the rubric tree, the author index and the new acquisitions.
#include "Pages.h"

namespace opac {

QByteArray rubricsPage(const PageContext &context, const QList<RubricRef> &path, const QList<Rubric> &children,
                       const ResultPage &results)
{
    const QString title = path.isEmpty() ? QStringLiteral("Рубрики") : path.back().title;
    return framedPage(context, title, [&](Html &html) {
        html << "<nav aria-label=\"Путь по рубрикам\"><a href=\"/rubrics\">Все рубрики</a>";
        for (const RubricRef &r : path)
            html << " / <a href=\"/rubrics?id=" << r.id << "\">" << r.title << "</a>";
        html << "</nav>\n";
        if (!children.isEmpty()) {
            html << "<ul>\n";
            for (const Rubric &r : children)
                html << "<li><a href=\"/rubrics?id=" << r.id << "\">" << r.title << "</a>"
                     << (r.hasChildren ? Markup(" …") : Markup("")) << "</li>\n";
            html << "</ul>\n";
        }
        if (!path.isEmpty()) {
            html << "<h2>Издания рубрики</h2>\n";
            writeResults(html, results, QStringLiteral("/rubrics?id=") + QString::number(path.back().id));
        }
    });
}

QByteArray authorsPage(const PageContext &context, const QList<QChar> &letters, QChar letter, const QStringList &headings)
{
    return framedPage(context, QStringLiteral("Именной указатель"), [&](Html &html) {
        html << "<nav class=\"letters\" aria-label=\"Буквы\">";
        for (const QChar c : letters)
            html << "<a href=\"/authors?letter=" << urlEncoded(QString(c)) << "\">" << QString(c) << "</a> ";
        html << "</nav>\n";
        if (letter.isNull()) {
            html << "<p>Выберите первую букву фамилии.</p>\n";
            return;
        }
        html << "<h2>" << QString(letter) << "</h2>\n<ul>\n";
        for (const QString &h : headings)
            html << "<li><a href=\"/author?name=" << urlEncoded(h) << "\">" << h << "</a></li>\n";
        html << "</ul>\n";
    });
}

QByteArray authorPage(const PageContext &context, const QString &heading, const ResultPage &results)
{
    return framedPage(context, heading, [&](Html &html) {
        writeResults(html, results, QStringLiteral("/author?name=") + urlEncoded(heading));
    });
}

QByteArray newAcquisitionsPage(const PageContext &context, int days, const ResultPage &results)
{
    return framedPage(context, QStringLiteral("Новые поступления"), [&](Html &html) {
        html << "<p>Издания, поступившие за последние " << days << " дн., сначала новые.</p>\n";
        writeResults(html, results, QStringLiteral("/new"));
    });
}

} // namespace opac
