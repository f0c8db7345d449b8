#pragma once

#include "data/Progress.h"
#include "data/script/ScriptDump.h"

#include <QString>

namespace store {

// Puts a backup of the catalogue back. A catalogue made before due dates were kept gets their
// table first; a backup written before then says nothing of it, and the table is emptied, so
// that the loans it brings back take over no extension of the loans they replace.
data::TableRows restoreCatalogue(data::ScriptDump &dump, data::Connection &connection, const QString &fileName,
                                 const data::Progress &progress = {});

} // namespace store
