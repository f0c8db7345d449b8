// The pages of overdue loans and of reminder letters.
#include "CirculationPages.h"

#include "HtmlText.h"
#include "data/text/Cp1251.h"

#include <algorithm>
#include <iterator>

namespace reports {

namespace {

const QString CrLf = QStringLiteral("\r\n");

// Where a table is written: the page's own bytes in code page 1251 (a list of twenty thousand
// loans is a page of megabytes, written straight in), or text for a letter.
struct PageBytes {
    QByteArray &out;
    void markup(QStringView html) { data::appendCp1251Html(out, html); }
    void markup(QLatin1StringView ascii) { out.append(ascii.data(), ascii.size()); }
    void value(QStringView text) { data::appendCp1251HtmlValue(out, text); }
};
struct PageText {
    QString &out;
    void markup(QStringView html) { out += html; }
    void markup(QLatin1StringView ascii) { out += ascii; }
    void value(QStringView text) { out += store::htmlEscape(text.toString()); }
};

// dd.MM.yyyy without a format parsed for every cell.
QLatin1StringView dateText(const QDate &date, char (&buffer)[11])
{
    if (!date.isValid())
        return {};
    const int y = date.year(), m = date.month(), d = date.day();
    const char digits[] = {char('0' + d / 10), char('0' + d % 10), '.', char('0' + m / 10), char('0' + m % 10), '.',
                           char('0' + y / 1000 % 10), char('0' + y / 100 % 10), char('0' + y / 10 % 10), char('0' + y % 10)};
    std::copy(std::begin(digits), std::end(digits), buffer);
    return QLatin1StringView(buffer, 10);
}

template <typename Page> void appendCell(Page &page, QStringView text)
{
    page.markup(QLatin1StringView("<td>"));
    page.value(text);
    page.markup(QLatin1StringView("</td>"));
}

// A title keeps its line breaks in the page.
template <typename Page> void appendTitleCell(Page &page, QStringView title)
{
    page.markup(QLatin1StringView("<td>"));
    for (qsizetype from = 0;;) {
        const qsizetype at = title.indexOf(QLatin1StringView("\r\n"), from);
        page.value(title.mid(from, at < 0 ? -1 : at - from));
        if (at < 0)
            break;
        page.markup(QLatin1StringView("<br>"));
        from = at + 2;
    }
    page.markup(QLatin1StringView("</td>"));
}

template <typename Page> void appendLoansTable(Page &page, const QList<store::OverdueLoan> &loans)
{
    page.markup(u"<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\r\n<tr><th>Инв. №</th>"
                u"<th>Лит</th><th>Автор</th><th>Название</th><th>Выдано</th><th>Срок возврата</th>"
                u"<th>Дней просрочки</th></tr>\r\n");
    char date[11];
    for (const store::OverdueLoan &l : loans) {
        page.markup(QLatin1StringView("<tr>"));
        appendCell(page, l.invNum);
        appendCell(page, l.liter);
        appendCell(page, l.author);
        appendTitleCell(page, l.title);
        for (const QDate &d : {l.lent, l.due}) {
            page.markup(QLatin1StringView("<td>"));
            page.markup(dateText(d, date));
            page.markup(QLatin1StringView("</td>"));
        }
        page.markup(QLatin1StringView("<td class=\"n\">"));
        const QByteArray days = QByteArray::number(l.daysOverdue);
        page.markup(QLatin1StringView(days));
        page.markup(QLatin1StringView("</td></tr>\r\n"));
    }
    page.markup(QLatin1StringView("</table>\r\n"));
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
    QByteArray bytes;
    bytes.reserve(4096 + 200 * loansIn(debts));
    PageBytes page{bytes};
    page.markup(circulationPageHead(QStringLiteral("Должники")));
    page.markup(QStringLiteral("<h1>Должники на ") + store::shownDate(day) + QStringLiteral("</h1>") + CrLf);
    if (debts.isEmpty())
        page.markup(NothingOverdue);
    qsizetype loans = 0, readers = 0;
    for (const store::ReaderDebt &debt : debts) {
        page.markup(QLatin1StringView("<h2>"));
        if (debt.reader.trimmed().isEmpty()) {
            page.markup(u"Читатель не указан");
        } else {
            page.value(debt.reader);
            if (!debt.card.isEmpty()) {
                page.markup(u", билет № ");
                page.value(debt.card);
            }
        }
        page.markup(QLatin1StringView("</h2>\r\n"));
        if (withContacts && !(debt.category.isEmpty() && debt.phone.isEmpty() && debt.email.isEmpty()))
            page.markup(contactsLine(debt));
        appendLoansTable(page, debt.loans);
        page.markup(u"<p>Итого у читателя: ");
        page.markup(QLatin1StringView(QByteArray::number(debt.loans.size())));
        page.markup(QLatin1StringView("</p>\r\n"));
        loans += debt.loans.size();
        readers += debt.reader.trimmed().isEmpty() ? 0 : 1;
    }
    if (!debts.isEmpty())
        page.markup(paragraph(QStringLiteral("<b>Всего просроченных выдач: ") + QString::number(loans) +
                              QStringLiteral(", читателей: ") + QString::number(readers) + QStringLiteral("</b>")));
    page.markup(CirculationPageEnd);
    return bytes;
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
    PageText text{letter};
    appendLoansTable(text, debt.loans);
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
