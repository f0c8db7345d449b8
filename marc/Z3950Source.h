#pragma once

#include "CatalogueSource.h"

namespace marc {

// A catalogue over Z39.50: Bib-1 attributes for ISBN (7), author (1003) and title (4), records in
// the catalogue's MARC syntax.
class Z3950Source : public CatalogueSource {
public:
    using CatalogueSource::CatalogueSource;
    SearchResult search(const SearchRequest &request) override;
    // The query in Prefix Query Format.
    static QByteArray pqfQuery(const SearchRequest &request);
};

} // namespace marc
