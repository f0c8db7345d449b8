#pragma once

#include "LoanTerms.h"
#include "Readers.h"
#include "data/script/ScriptDump.h"

#include <QStringList>

namespace store {

// The catalogue's own tables: every one is in every backup, and a copy of a database that lacks
// one is no copy of a catalogue.
inline QStringList catalogueTables()
{
    return {QStringLiteral("books"), QStringLiteral("categories"), QStringLiteral("keywords"),
            QStringLiteral("orders"), QStringLiteral("settings"), QStringLiteral("v_itemkind")};
}

// What a restore may write: the catalogue's tables, and the tables added beside them since, which
// an older backup does not hold.
inline data::RestoreTables restoreTables() { return {catalogueTables(), {LoanTermsTable, ReadersTable}}; }

} // namespace store
