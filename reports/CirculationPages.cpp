// The pages of overdue loans and of reminder letters.
#include "CirculationPages.h"

#include "HtmlText.h"
#include "data/text/Cp1251.h"

namespace reports {

namespace {

const QString CrLf = QStringLiteral("\r\n");

void appendCell(QString &out, const QString &text)
{
    out += QLatin1String("<td>");
    out += store::htmlEscape(text);
    out += QLatin1String("</td>");
}

// A title keeps its line breaks in the page.
void appendTitleCell(QString &out, const QString &title)
{
    QString text = store::htmlEscape(title);
    store::CrLfToBr(text);
    out += QLatin1String("<td>");
    out += text;
    out += QLatin1String("</td>");
}

// Appended in place: a list of ten thousand loans is a page of megabytes.
void appendLoansTable(QString &out, const QList<store::OverdueLoan> &loans)
{
    out += QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\r\n<tr><th>Инв. №</th>"
                          "<th>Лит</th><th>Автор</th><th>Название</th><th>Выдано</th><th>Срок возврата</th>"
                          "<th>Дней просрочки</th></tr>\r\n");
    for (const store::OverdueLoan &l : loans) {
        out += QLatin1String("<tr>");
        appendCell(out, l.invNum);
        appendCell(out, l.liter);
        appendCell(out, l.author);
        appendTitleCell(out, l.title);
        appendCell(out, store::shownDate(l.lent));
        appendCell(out, store::shownDate(l.due));
        out += QLatin1String("<td class=\"n\">");
        out += QString::number(l.daysOverdue);
        out += QLatin1String("</td></tr>\r\n");
    }
    out += QLatin1String("</table>\r\n");
}

QString readerHeading(const store::ReaderDebt &debt)
{
    if (debt.reader.trimmed().isEmpty())
        return QStringLiteral("Читатель не указан");
    QString heading = store::htmlEscape(debt.reader);
    if (!debt.card.isEmpty())
        heading += QStringLiteral(", билет № ") + store::htmlEscape(debt.card);
    return heading;
}

QString contactsLine(const store::ReaderDebt &debt)
{
    QStringList parts;
    if (!debt.category.isEmpty())
        parts << store::htmlEscape(debt.category);
    if (!debt.phone.isEmpty())
        parts << QStringLiteral("тел. ") + store::htmlEscape(debt.phone);
    if (!debt.email.isEmpty())
        parts << QStringLiteral("e-mail: ") + store::htmlEscape(debt.email);
    return parts.isEmpty() ? QString() : QStringLiteral("<p class=\"contacts\">") + parts.join(QStringLiteral("; ")) +
                                             QStringLiteral("</p>") + CrLf;
}

QString paragraph(const QString &html) { return QStringLiteral("<p>") + html + QStringLiteral("</p>") + CrLf; }

qsizetype loansIn(const QList<store::ReaderDebt> &debts)
{
    qsizetype n = 0;
    for (const store::ReaderDebt &d : debts)
        n += d.loans.size();
    return n;
}

const QString NothingOverdue = QStringLiteral("<p>Просроченных выдач нет</p>\r\n");
} // namespace

const QString CirculationPageEnd = QStringLiteral("</body>\r\n</html>\r\n");

QString circulationPageHead(const QString &title, const QString &charset)
{
    return QStringLiteral("<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"") + charset +
           QStringLiteral("\">\r\n<title>") + title +
           QStringLiteral("</title>\r\n<style>body { font-family: sans-serif; } table { border-collapse: collapse; }"
                          " td.n { text-align: right; }</style>\r\n</head>\r\n<body>\r\n");
}

QByteArray overdueReportPage(const QDate &day, const QList<store::ReaderDebt> &debts, bool withContacts)
{
    QString page = circulationPageHead(QStringLiteral("Должники"));
    page.reserve(4096 + 160 * loansIn(debts));
    page += QStringLiteral("<h1>Должники на ") + store::shownDate(day) + QStringLiteral("</h1>") + CrLf;
    if (debts.isEmpty())
        page += NothingOverdue;
    qsizetype loans = 0, readers = 0;
    for (const store::ReaderDebt &debt : debts) {
        page += QStringLiteral("<h2>") + readerHeading(debt) + QStringLiteral("</h2>") + CrLf;
        if (withContacts)
            page += contactsLine(debt);
        appendLoansTable(page, debt.loans);
        page += paragraph(QStringLiteral("Итого у читателя: ") + QString::number(debt.loans.size()));
        loans += debt.loans.size();
        readers += debt.reader.trimmed().isEmpty() ? 0 : 1;
    }
    if (!debts.isEmpty())
        page += paragraph(QStringLiteral("<b>Всего просроченных выдач: ") + QString::number(loans) +
                          QStringLiteral(", читателей: ") + QString::number(readers) + QStringLiteral("</b>"));
    return data::encodeCp1251Html(page + CirculationPageEnd);
}

QString reminderLetterHtml(const QDate &day, const store::ReaderDebt &debt, const store::LibraryLetterhead &letterhead,
                           LetterForm form)
{
    QString letter = QStringLiteral("<div class=\"letter\">") + CrLf;
    // Each printed letter after the first starts a page of its own, from its first line.
    const QString newPage = form == LetterForm::NextPrinted ? QStringLiteral(" style=\"page-break-before: always\"") : QString();
    if (!letterhead.name.isEmpty())
        letter += QStringLiteral("<p") + newPage + u'>' + store::htmlEscape(letterhead.name) + QStringLiteral("</p>") + CrLf;
    letter += QStringLiteral("<h1") + (letterhead.name.isEmpty() ? newPage : QString()) +
              QStringLiteral(">Напоминание о возврате изданий</h1>") + CrLf;
    letter += paragraph(QStringLiteral("Читатель: ") + readerHeading(debt));
    letter += paragraph(QStringLiteral("На ") + store::shownDate(day) +
                        QStringLiteral(" не возвращены в срок выданные Вам издания:"));
    appendLoansTable(letter, debt.loans);
    letter += paragraph(QStringLiteral("Просим вернуть их в библиотеку или продлить срок пользования."));
    // A printed letter is signed by hand on the line.
    const QString signatureLine = form == LetterForm::Mail ? QString() : QStringLiteral("________________ ");
    letter += paragraph(signatureLine + store::htmlEscape(letterhead.signature));
    letter += paragraph(store::shownDate(day));
    return letter + QStringLiteral("</div>") + CrLf;
}

QByteArray reminderLettersPage(const QDate &day, const QList<store::ReaderDebt> &debts,
                               const store::LibraryLetterhead &letterhead)
{
    QString page = circulationPageHead(QStringLiteral("Напоминания о возврате изданий"));
    page.reserve(4096 + 1024 * debts.size() + 160 * loansIn(debts));
    int letters = 0;
    for (const store::ReaderDebt &debt : debts) {
        if (debt.reader.trimmed().isEmpty())
            continue;
        page += reminderLetterHtml(day, debt, letterhead, letters++ == 0 ? LetterForm::FirstPrinted : LetterForm::NextPrinted);
    }
    if (letters == 0)
        page += NothingOverdue;
    return data::encodeCp1251Html(page + CirculationPageEnd);
}

} // namespace reports
