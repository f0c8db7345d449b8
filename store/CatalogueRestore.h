#pragma once

#include "data/Progress.h"
#include "data/script/ScriptDump.h"

#include <QString>

namespace store {

// Puts a backup of the catalogue back. A backup written before due dates were kept says nothing
// of their table: it is read as one that empties it, so that the loans it brings back take over
// no extension of the loans they replace. A catalogue made before them gets the table first.
data::TableRows restoreCatalogue(data::ScriptDump &dump, data::Connection &connection, const QString &fileName,
                                 const data::Progress &progress = {});

} // namespace store
