#pragma once

#include "CatalogueSource.h"

namespace marc {

// A catalogue over SRU (HTTP GET): a CQL query on bath.isbn, dc.creator and dc.title, records
// asked for in the schema "marcxml".
class SruSource : public CatalogueSource {
public:
    using CatalogueSource::CatalogueSource;
    SearchResult search(const SearchRequest &request) override;
    static QByteArray cqlQuery(const SearchRequest &request);
};

} // namespace marc
