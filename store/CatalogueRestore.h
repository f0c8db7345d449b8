#pragma once

#include "data/Progress.h"
#include "data/script/ScriptDump.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace store {

// What a restore put back, and the views and engine tables of the file it left out.
struct RestoredCatalogue {
    data::TableRows rows;
    QStringList skipped;
};

// Puts a backup of the catalogue back. The whole file is read and checked first: a refused file
// changes nothing, not even the copy taken before (`beforeChange`, run only once the file is
// accepted; when it raises, nothing is changed). A catalogue made before due dates were kept gets
// their table; a backup written before then says nothing of it, and the table is emptied, so that
// the loans it brings back take over no extension of the loans they replace.
RestoredCatalogue restoreCatalogue(data::ScriptDump &dump, data::Connection &connection, const QString &fileName,
                                   const data::Progress &progress = {},
                                   const std::function<void()> &beforeChange = {});

} // namespace store
