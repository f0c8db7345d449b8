// The export of the holdings the catalogue shows into a copy of the template page.
#include "DBModUnit.h"
#include "data/text/FileBytes.h"

#include "ExportPage.h"
#include "HtmlText.h"
#include "ProcessValues.h"


namespace store {

void TDBMod::ExportHtml(const QString &fileName, const data::Progress &progress)
{
    const QByteArray templ = data::readWholeFile(process().AppDir + QStringLiteral("table.html"));
    if (!templ.contains("{content}")) {
        writePageFile(fileName, templ);
        return;
    }
    // Columns by their fixed positions: inventory number, date of receipt, source, author,
    // title, place, year, pages, price, note.
    static const int columns[10] = {1, 4, 5, 2, 3, 6, 8, 9, 10, 13};
    ExportTable table;
    const int n = MyBooks.recordCount();
    ExportRow row;
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < 10; ++c)
            row[std::size_t(c)] = MyBooks.textAt(r, columns[c]);
        table.addRow(row);
        if (progress && r % 2000 == 0)
            progress(r, n);
    }
    // The walk over the catalogue leaves its last row current, as a row-by-row walk would.
    if (n > 0)
        MyBooks.last();
    writePageFile(fileName, exportPage(templ, table.finish()));
}

} // namespace store
