#include "ExportPage.h"

#include "HtmlText.h"
#include "data/text/Cp1251.h"

namespace store {

ExportTable::ExportTable()
{
    bytes_ = "<table>\r\n<tr>\r\n";
    for (const char *heading : {"Инв. №", "Дата поступления", "Источник", "Автор", "Название", "Место",
                                "Год издания", "Количество", "Цена", "Примечание"})
        bytes_ += "<th>" + data::encodeCp1251Html(QString::fromUtf8(heading)) + "</th>";
    bytes_ += "</tr>";
}

void ExportTable::addRow(const ExportRow &values)
{
    bytes_ += "  <tr><td>";
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            bytes_ += "</td><td>";
        if (i != 4) {
            data::appendCp1251HtmlValue(bytes_, values[i]);
            continue;
        }
        QString title = htmlEscape(values[i]); // only the title's line breaks become <br>
        CrLfToBr(title);
        data::appendCp1251Html(bytes_, title);
    }
    bytes_ += "</td></tr>\r\n";
}

QByteArray ExportTable::finish()
{
    bytes_ += "</table>";
    return std::move(bytes_);
}

QByteArray exportPage(const QByteArray &templateBytes, const QByteArray &table)
{
    static const QByteArray marker = "{content}";
    const qsizetype p = templateBytes.indexOf(marker);
    if (p < 0)
        return templateBytes;
    QByteArray page = templateBytes;
    page.replace(p, marker.size(), table);
    return page;
}

} // namespace store
