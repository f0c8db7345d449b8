#include "CatalogueRestore.h"

#include "CatalogueTables.h"
#include "LoanTerms.h"
#include "Readers.h"

namespace store {

RestoredCatalogue restoreCatalogue(data::ScriptDump &dump, data::Connection &connection, const QString &fileName,
                                   const data::Progress &progress, const std::function<void()> &beforeChange)
{
    const data::RestorePlan plan = dump.PrepareRestore(fileName, restoreTables());
    if (beforeChange)
        beforeChange();
    ensureLoanTerms(connection);
    ensureReaders(connection);
    return {dump.RunRestore(plan, progress), plan.skipped};
}

} // namespace store
