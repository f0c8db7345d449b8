#include "ReportPages.h"

#include "HtmlText.h"
#include "data/dataset/Dataset.h"
#include "data/text/Cp1251.h"

namespace reports {

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString pageHead()
{
    return QStringLiteral("<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"windows-1251\">\r\n"
                          "<title>Отчёт</title>\r\n</head>\r\n<body>\r\n");
}

QString item(const QString &caption, qint64 number)
{
    return QStringLiteral("<li>") + caption + QString::number(number) + QStringLiteral("</li>") + CrLf;
}

} // namespace

QString periodClause(const QDate &from, const QDate &to)
{
    const QString iso = QStringLiteral("yyyy-MM-dd");
    return QStringLiteral(" BETWEEN '") + from.toString(iso) + QStringLiteral("' AND '") + to.toString(iso) +
           QStringLiteral("')");
}

QList<AcquisitionCount> readAcquisitions(data::Dataset &rprtSet, const QString &clause)
{
    rprtSet.setFilterSQL(QString());
    rprtSet.setSql(QStringLiteral("SELECT COUNT(*), itemkind_name FROM books, v_itemkind WHERE (date_reg") + clause +
                   QStringLiteral(" AND itemkind_id = v_itemkind.id") + QStringLiteral(" GROUP BY itemkind_id"));
    rprtSet.open();
    QList<AcquisitionCount> rows;
    for (rprtSet.first(); !rprtSet.eof(); rprtSet.next())
        rows.push_back({rprtSet.field(1).asString(), rprtSet.field(0).asInteger()});
    rprtSet.close();
    return rows;
}

LoanTotals readLoanTotals(data::Dataset &rprtSet, const QString &clause)
{
    rprtSet.setSql(QStringLiteral("SELECT id, status, cost FROM orders"));
    rprtSet.setFilterSQL(QStringLiteral("(date_out") + clause + QStringLiteral(" AND (date_in") + clause);
    rprtSet.open();
    LoanTotals totals;
    const int status = rprtSet.fieldIndex(QStringLiteral("status"));
    const int cost = rprtSet.fieldIndex(QStringLiteral("cost"));
    for (rprtSet.first(); !rprtSet.eof(); rprtSet.next()) {
        const qint64 kind = rprtSet.field(status).asInteger();
        if (kind >= 0 && kind <= 3)
            ++totals.byStatus[std::size_t(kind)];
        totals.costSum += rprtSet.field(cost).asInteger();
    }
    rprtSet.close();
    return totals;
}

QString readerLoansSql(const QString &reader, const QString &clause)
{
    return QStringLiteral("SELECT orders.date_out, orders.date_in, book_id, inv_num, title FROM orders, books "
                          "WHERE (books.id = book_id) AND (orders.loaner LIKE '") +
           QString(reader).replace(u'\'', QStringLiteral("''")) + QStringLiteral("'") +
           QStringLiteral(") AND (orders.date_out ") + clause + QStringLiteral(" ORDER BY orders.id ASC");
}

QList<ReaderLoan> readReaderLoans(data::Dataset &rprtSet, const QString &reader, const QString &clause)
{
    rprtSet.setFilterSQL(QString());
    rprtSet.setSql(readerLoansSql(reader, clause));
    rprtSet.open();
    QList<ReaderLoan> rows;
    for (rprtSet.first(); !rprtSet.eof(); rprtSet.next())
        rows.push_back({rprtSet.field(3).asString(), rprtSet.field(4).asString(), rprtSet.field(0).asString(),
                        rprtSet.field(1).asString()});
    rprtSet.close();
    return rows;
}

QByteArray generalReportPage(const QList<AcquisitionCount> &acquisitions, const LoanTotals &loans)
{
    QString page = pageHead() + QStringLiteral("<h1>Общий отчёт</h1>") + CrLf;
    if (acquisitions.isEmpty()) {
        page += QStringLiteral("<p>Новых поступлений не было</p>");
    } else {
        page += QStringLiteral("<h2>Новые поступления</h2>\r\n<ul>\r\n");
        for (const AcquisitionCount &a : acquisitions)
            page += QStringLiteral("<li>") + store::htmlEscape(a.kindName) + u' ' + QString::number(a.count) +
                    QStringLiteral("</li>") + CrLf;
        page += QStringLiteral("</ul>");
    }
    page += QStringLiteral("<h2>Количество выполненных заявок</h2>\r\n<ul>\r\n");
    page += item(QStringLiteral("от сотрудников "), loans.byStatus[0]);
    page += item(QStringLiteral("от организаций ИК "), loans.byStatus[1]);
    page += item(QStringLiteral("Платные "), loans.byStatus[2]);
    page += item(QStringLiteral("Читальный зал "), loans.byStatus[3]);
    page += item(QStringLiteral("Оказано платных услуг на сумму "), loans.costSum);
    page += QStringLiteral("</ul>\r\n\r\n</body>\r\n</html>");
    return data::encodeCp1251Html(page);
}

QByteArray readerReportPage(const QString &reader, const QList<ReaderLoan> &loans)
{
    QString page = pageHead() + QStringLiteral("<h1>Отчёт по выданной литературе</h1>") + CrLf;
    page += QStringLiteral("<h2>") + store::htmlEscape(reader) + QStringLiteral("</h2>");
    if (loans.isEmpty()) {
        page += QStringLiteral("<p>Выданных изданий не было</p>");
        return data::encodeCp1251Html(page);
    }
    page += QStringLiteral("<table>");
    for (const ReaderLoan &l : loans)
        page += QStringLiteral("<tr><td>") + store::htmlEscape(l.invNum) + QStringLiteral("</td><td>") +
                store::htmlEscape(l.title) + QStringLiteral("</td><td>") + store::htmlEscape(l.dateOut) +
                QStringLiteral("</td><td>") + store::htmlEscape(l.dateIn) + QStringLiteral("</td></tr>") + CrLf;
    page += QStringLiteral("</table>");
    return data::encodeCp1251Html(page);
}

} // namespace reports
