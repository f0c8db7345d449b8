#pragma once

#include "BookFields.h"
#include "MarcCodec.h"
#include "MarcMapping.h"
#include "data/Progress.h"
#include "data/dataset/Row.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace data {
class Connection;
}
namespace store {
class TDBMod;
}

namespace marc {

// Puts the records into the item kind with the next inventory numbers of that kind, dated today,
// with their keywords and rubrics (a rubric the tree lacks is added to it), in one transaction: on
// an error nothing of them stays. Returns how many.
int importRecords(data::Connection &connection, int kind, const std::vector<BookFields> &records,
                  const data::Progress &progress = {});

// The forms export writes, chosen by the file type of the save dialog.
enum class ExportForm { Marc21Iso, Marc21Xml, RusmarcIso };
ExportForm exportFormForFile(const QString &fileName);
// The file types of the save dialog, "text|*.ext|..." with MARC21 ISO 2709 first.
QString exportFileFilter();

// The columns of books a holding is exchanged from, in the order holdingFromCells reads them;
// the last, the rubric text, is left to the caller, who knows the rubrics' titles.
inline constexpr std::array<const char *, 14> HoldingColumns{"id", "inv_num", "liter", "author", "title", "location",
                                                             "publisher", "year_p", "page_count", "isbn", "price",
                                                             "annotation", "notes", "rubric"};
// A holding from the cells of those columns, cell(i) giving the i-th; its keywords and rubrics
// are left to the caller.
Holding holdingFromCells(const std::function<data::CellView(int)> &cell);

// The titles of the tree's rubrics by id, read once for an export.
class RubricTitles {
public:
    explicit RubricTitles(data::Connection &c);
    // Each rubric of a record's rubric text as its titles from the top level down; a rubric
    // deleted since the record was filed is left out, as the card leaves it out.
    QList<QStringList> of(const QString &rubricText) const;

private:
    QHash<qint64, QString> titles_;
};

// Writes the holdings the catalogue shows (every row of MyBooks) with their keywords and rubrics,
// all in UTF-8; the file is replaced whole or not at all.
void exportRecords(store::TDBMod &module, const QString &fileName, ExportForm form, const data::Progress &progress = {});

} // namespace marc
