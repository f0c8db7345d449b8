#include "data/dataset/RussianCollator.h"

#include "data/DataError.h"

#include <QString>

namespace data {

CollatorPtr openRussianCollator(bool caseInsensitive)
{
    UErrorCode status = U_ZERO_ERROR;
    CollatorPtr collator(ucol_open("ru_RU", &status), &ucol_close);
    if (U_FAILURE(status))
        throw DataError(QStringLiteral("The Russian collation is not available"));
    ucol_setAttribute(collator.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator.get(), UCOL_STRENGTH, caseInsensitive ? UCOL_SECONDARY : UCOL_DEFAULT_STRENGTH, &status);
    ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(collator.get(), UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    return collator;
}

} // namespace data
