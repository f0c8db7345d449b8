// The pages of overdue loans and of reminder letters.
#include "CirculationPages.h"

#include "HtmlText.h"
#include "data/text/Cp1251.h"

namespace reports {

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString cell(const QString &text) { return QStringLiteral("<td>") + store::htmlEscape(text) + QStringLiteral("</td>"); }

// A title keeps its line breaks in the page.
QString titleCell(const QString &title)
{
    QString text = store::htmlEscape(title);
    store::CrLfToBr(text);
    return QStringLiteral("<td>") + text + QStringLiteral("</td>");
}

QString loansTable(const QList<store::OverdueLoan> &loans)
{
    QString table = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\r\n<tr><th>Инв. №</th>"
                                   "<th>Лит</th><th>Автор</th><th>Название</th><th>Выдано</th><th>Срок возврата</th>"
                                   "<th>Дней просрочки</th></tr>\r\n");
    for (const store::OverdueLoan &l : loans)
        table += QStringLiteral("<tr>") + cell(l.invNum) + cell(l.liter) + cell(l.author) + titleCell(l.title) +
                 cell(store::shownDate(l.lent)) + cell(store::shownDate(l.due)) + QStringLiteral("<td class=\"n\">") +
                 QString::number(l.daysOverdue) + QStringLiteral("</td></tr>") + CrLf;
    return table + QStringLiteral("</table>") + CrLf;
}

QString readerHeading(const store::ReaderDebt &debt)
{
    return debt.reader.trimmed().isEmpty() ? QStringLiteral("Читатель не указан") : store::htmlEscape(debt.reader);
}

QString paragraph(const QString &html) { return QStringLiteral("<p>") + html + QStringLiteral("</p>") + CrLf; }

const QString NothingOverdue = QStringLiteral("<p>Просроченных выдач нет</p>\r\n");
const QString PageEnd = QStringLiteral("</body>\r\n</html>\r\n");

} // namespace

QString circulationPageHead(const QString &title)
{
    return QStringLiteral("<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"windows-1251\">\r\n<title>") + title +
           QStringLiteral("</title>\r\n<style>body { font-family: sans-serif; } table { border-collapse: collapse; }"
                          " td.n { text-align: right; }</style>\r\n</head>\r\n<body>\r\n");
}

QByteArray overdueReportPage(const QDate &day, const QList<store::ReaderDebt> &debts)
{
    QString page = circulationPageHead(QStringLiteral("Должники"));
    page += QStringLiteral("<h1>Должники на ") + store::shownDate(day) + QStringLiteral("</h1>") + CrLf;
    if (debts.isEmpty())
        page += NothingOverdue;
    qsizetype loans = 0, readers = 0;
    for (const store::ReaderDebt &debt : debts) {
        page += QStringLiteral("<h2>") + readerHeading(debt) + QStringLiteral("</h2>") + CrLf;
        page += loansTable(debt.loans);
        page += paragraph(QStringLiteral("Итого у читателя: ") + QString::number(debt.loans.size()));
        loans += debt.loans.size();
        readers += debt.reader.trimmed().isEmpty() ? 0 : 1;
    }
    if (!debts.isEmpty())
        page += paragraph(QStringLiteral("<b>Всего просроченных выдач: ") + QString::number(loans) +
                          QStringLiteral(", читателей: ") + QString::number(readers) + QStringLiteral("</b>"));
    return data::encodeCp1251Html(page + PageEnd);
}

QByteArray reminderLettersPage(const QDate &day, const QList<store::ReaderDebt> &debts,
                               const store::LibraryLetterhead &letterhead)
{
    QString page = circulationPageHead(QStringLiteral("Напоминания о возврате изданий"));
    int letters = 0;
    for (const store::ReaderDebt &debt : debts) {
        if (debt.reader.trimmed().isEmpty())
            continue;
        page += QStringLiteral("<div class=\"letter\">") + CrLf;
        if (!letterhead.name.isEmpty())
            page += paragraph(store::htmlEscape(letterhead.name));
        // Each letter after the first starts a printed page of its own.
        page += (letters++ == 0 ? QStringLiteral("<h1>") : QStringLiteral("<h1 style=\"page-break-before: always\">")) +
                QStringLiteral("Напоминание о возврате изданий</h1>") + CrLf;
        page += paragraph(QStringLiteral("Читатель: ") + store::htmlEscape(debt.reader));
        page += paragraph(QStringLiteral("На ") + store::shownDate(day) +
                          QStringLiteral(" не возвращены в срок выданные Вам издания:"));
        page += loansTable(debt.loans);
        page += paragraph(QStringLiteral("Просим вернуть их в библиотеку или продлить срок пользования."));
        page += paragraph(QStringLiteral("________________ ") + store::htmlEscape(letterhead.signature));
        page += paragraph(store::shownDate(day));
        page += QStringLiteral("</div>") + CrLf;
    }
    if (letters == 0)
        page += NothingOverdue;
    return data::encodeCp1251Html(page + PageEnd);
}

} // namespace reports
