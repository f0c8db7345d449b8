// "Мои книги": the sign-in form and the reader's loans. Her name is never written: the card
// number she typed is all the page says of her.
#include "Pages.h"

namespace opac {

QByteArray signInPage(const PageContext &context, const QString &card, const QString &message)
{
    return framedPage(context, QStringLiteral("Мои книги"), [&](Html &html) {
        html << "<p>Войдите с номером читательского билета и PIN-кодом, который выдаёт библиотекарь.</p>\n";
        if (!message.isEmpty())
            html << "<p class=\"notice\" role=\"alert\">" << message << "</p>\n";
        html << "<form class=\"search\" method=\"post\" action=\"/signin\">\n"
                "<label for=\"card\">Номер билета</label>\n"
                "<input id=\"card\" name=\"card\" autocomplete=\"username\" maxlength=\"64\" required value=\""
             << card << "\">\n<label for=\"pin\">PIN</label>\n"
                "<input id=\"pin\" name=\"pin\" type=\"password\" autocomplete=\"current-password\" maxlength=\"32\" required>\n"
                "<button type=\"submit\">Войти</button>\n</form>\n";
    });
}

QByteArray myBooksPage(const PageContext &context, const QString &card, const QList<MyLoan> &loans)
{
    return framedPage(context, QStringLiteral("Мои книги"), [&](Html &html) {
        html << "<p>Читательский билет № " << card << ".</p>\n";
        if (loans.isEmpty()) {
            html << "<p>У вас нет книг из библиотеки.</p>\n";
            return;
        }
        html << "<table>\n<caption>Книги на руках: " << int(loans.size())
             << "</caption>\n<thead><tr><th scope=\"col\">Издание</th><th scope=\"col\">Выдано</th>"
                "<th scope=\"col\">Вернуть до</th></tr></thead>\n<tbody>\n";
        for (const MyLoan &l : loans) {
            html << "<tr><td>";
            if (!l.heading.isEmpty())
                html << "<b>" << l.heading << "</b> ";
            html << l.body << "</td><td>" << shownDay(l.lent) << "</td><td>" << shownDay(l.due);
            if (l.daysOverdue > 0)
                html << " <span class=\"out\">(просрочено на " << l.daysOverdue << " дн.)</span>";
            html << "</td></tr>\n";
        }
        html << "</tbody>\n</table>\n";
    });
}

} // namespace opac
