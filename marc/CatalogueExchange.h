#pragma once

#include "BookFields.h"
#include "MarcCodec.h"
#include "data/Progress.h"

#include <QString>
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

// Writes the holdings the catalogue shows (every row of MyBooks) with their keywords and rubrics,
// all in UTF-8; the file is replaced whole or not at all.
void exportRecords(store::TDBMod &module, const QString &fileName, ExportForm form, const data::Progress &progress = {});

} // namespace marc
