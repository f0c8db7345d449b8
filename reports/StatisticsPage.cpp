// The page of the loan statistics: the chart with its figures as a table beside it, for the
// printed page and for screen readers, then the two top lists and the holdings not lent.
#include "CirculationPages.h"

#include "HtmlText.h"
#include "LoanChart.h"
#include "data/text/Cp1251.h"

namespace reports {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString TableStart = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\r\n");
const QString NoLoans = QStringLiteral("<p>Выдач за период не было</p>\r\n");

QString numberCell(qint64 n) { return QStringLiteral("<td class=\"n\">") + QString::number(n) + QStringLiteral("</td>"); }
QString textCell(const QString &text) { return QStringLiteral("<td>") + store::htmlEscape(text) + QStringLiteral("</td>"); }

QString headerRow(const QStringList &titles)
{
    QString row = QStringLiteral("<tr>");
    for (const QString &t : titles)
        row += QStringLiteral("<th>") + t + QStringLiteral("</th>");
    return row + QStringLiteral("</tr>") + CrLf;
}

QString monthTable(const QList<store::MonthLoans> &months)
{
    QString table = TableStart + headerRow(QStringList{QStringLiteral("Месяц")} + store::loanKindNames() +
                                           QStringList{QStringLiteral("Всего")});
    std::array<qint64, store::LoanKindCount> sums{};
    for (const store::MonthLoans &m : months) {
        table += QStringLiteral("<tr><td>%1.%2</td>").arg(m.month, 2, 10, QLatin1Char('0')).arg(m.year);
        for (int k = 0; k < store::LoanKindCount; ++k) {
            table += numberCell(m.byKind[std::size_t(k)]);
            sums[std::size_t(k)] += m.byKind[std::size_t(k)];
        }
        table += numberCell(m.total()) + QStringLiteral("</tr>") + CrLf;
    }
    table += QStringLiteral("<tr><th>Всего</th>");
    qint64 all = 0;
    for (qint64 s : sums) {
        table += numberCell(s);
        all += s;
    }
    return table + numberCell(all) + QStringLiteral("</tr>\r\n</table>\r\n");
}

QString holdingsTable(const QList<store::LentHolding> &holdings)
{
    QString table = TableStart + headerRow({QStringLiteral("№"), QStringLiteral("Инв. №"), QStringLiteral("Лит"),
                                            QStringLiteral("Автор"), QStringLiteral("Название"), QStringLiteral("Выдач")});
    for (qsizetype i = 0; i < holdings.size(); ++i) {
        const store::LentHolding &h = holdings[i];
        QString title = store::htmlEscape(h.title);
        store::CrLfToBr(title);
        table += QStringLiteral("<tr>") + numberCell(i + 1) + textCell(h.invNum) + textCell(h.liter) + textCell(h.author) +
                 QStringLiteral("<td>") + title + QStringLiteral("</td>") + numberCell(h.loans) + QStringLiteral("</tr>") +
                 CrLf;
    }
    return table + QStringLiteral("</table>") + CrLf;
}

QString readersTable(const QList<store::ActiveReader> &readers)
{
    QString table = TableStart + headerRow({QStringLiteral("№"), QStringLiteral("Читатель"), QStringLiteral("Выдач")});
    for (qsizetype i = 0; i < readers.size(); ++i)
        table += QStringLiteral("<tr>") + numberCell(i + 1) + textCell(readers[i].reader) + numberCell(readers[i].loans) +
                 QStringLiteral("</tr>") + CrLf;
    return table + QStringLiteral("</table>") + CrLf;
}

QString categoriesTable(const QList<store::CategoryLoans> &categories)
{
    QString table = TableStart + headerRow({QStringLiteral("Категория читателей"), QStringLiteral("Читателей"),
                                            QStringLiteral("Выдач")});
    for (const store::CategoryLoans &c : categories)
        table += QStringLiteral("<tr>") +
                 textCell(c.category.isEmpty() ? QStringLiteral("без категории или не в картотеке") : c.category) +
                 numberCell(c.readers) + numberCell(c.loans) + QStringLiteral("</tr>") + CrLf;
    return table + QStringLiteral("</table>") + CrLf;
}

QString neverLent(const store::LoanStatistics &s)
{
    const QString by = store::shownDate(s.to);
    if (s.holdings <= 0)
        return QStringLiteral("<p>В каталоге нет изданий, поступивших по ") + by + QStringLiteral("</p>") + CrLf;
    const qint64 idle = s.holdings - s.lentHoldings;
    const QString share = QString::number(100.0 * double(idle) / double(s.holdings), 'f', 1).replace(u'.', u',');
    return QStringLiteral("<p>Ни разу не выдавались за период: %1 из %2 изданий, поступивших по %3 (%4 %)</p>")
               .arg(idle)
               .arg(s.holdings)
               .arg(by, share) +
           CrLf;
}

} // namespace

QByteArray loanStatisticsPage(const store::LoanStatistics &s)
{
    QString page = circulationPageHead(QStringLiteral("Статистика выдачи"));
    page += QStringLiteral("<h1>Статистика выдачи</h1>\r\n<p>Период: с ") + store::shownDate(s.from) +
            QStringLiteral(" по ") + store::shownDate(s.to) + QStringLiteral("</p>") + CrLf;
    if (s.from > s.to)
        page += QStringLiteral("<p>Начало периода позже его конца.</p>") + CrLf;
    page += QStringLiteral("<p>Всего выдач: ") + QString::number(s.loans()) + QStringLiteral("</p>") + CrLf;
    page += QStringLiteral("<h2>Выдачи по месяцам</h2>") + CrLf;
    page += s.loans() == 0 ? NoLoans : loanChartSvg(s.months) + monthTable(s.months);
    page += QStringLiteral("<h2>Чаще всего выдавались</h2>") + CrLf;
    page += s.topHoldings.isEmpty() ? NoLoans : holdingsTable(s.topHoldings);
    page += QStringLiteral("<h2>Самые активные читатели</h2>") + CrLf;
    if (s.topReaders.isEmpty())
        page += s.loans() == 0 ? NoLoans : QStringLiteral("<p>В выдачах за период читатели не указаны</p>") + CrLf;
    else
        page += readersTable(s.topReaders);
    if (!s.byCategory.isEmpty())
        page += QStringLiteral("<h2>Выдачи по категориям читателей</h2>") + CrLf + categoriesTable(s.byCategory);
    page += QStringLiteral("<h2>Издания, не выдававшиеся за период</h2>") + CrLf + neverLent(s);
    return data::encodeCp1251Html(page + QStringLiteral("</body>\r\n</html>\r\n"));
}

} // namespace reports
