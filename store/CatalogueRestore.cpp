#include "CatalogueRestore.h"

#include "CatalogueTables.h"
#include "LoanTerms.h"

namespace store {

data::TableRows restoreCatalogue(data::ScriptDump &dump, data::Connection &connection, const QString &fileName,
                                 const data::Progress &progress)
{
    ensureLoanTerms(connection);
    return dump.RestoreFromScript(fileName, restoreTables(), progress);
}

} // namespace store
