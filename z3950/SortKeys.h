#pragma once

#include <QString>
#include <yaz/z-core.h>

namespace z3950 {

// A result set's order unless the client asks for another: by author, then title, as the
// catalogue's own lists read.
inline const char *const CatalogueOrder = "my_lower(author), my_lower(title), id";

// The most keys one sort may give.
inline constexpr int MaxSortKeys = 3;

// The ORDER BY of Bib-1 sort keys: a use attribute (4 title, 1003 or 1 author, 31 or 30 year)
// or a field name, each ascending or descending. Raises Bib1Error for keys it cannot sort by.
QString sortOrder(const Z_SortKeySpecList &keys);

// The ORDER BY of SRU 1.1 sort keys, "title,,1 dc.creator,,0" (path, schema, ascending); the
// catalogue's order for none.
QString sruSortOrder(const QString &keys);

} // namespace z3950
