#pragma once

#include "MarcCodec.h"

#include <QString>
#include <optional>
#include <yaz/odr.h>

namespace z3950 {

// The database a library names in [Z3950] of its settings, with the format it gives.
struct OwnDatabase {
    QString name;
    marc::Format format = marc::Format::Marc21;
};

// The target's databases: "marc21" (and "Default", yaz-client's own) give MARC21 and "rusmarc"
// RUSMARC when a client asks for XML or for no syntax, the library's own name its own format; the
// format of a database name, none for a name the target has not.
std::optional<marc::Format> databaseFormat(const QString &name, const OwnDatabase &own = {});

// How a record goes out: MARC21 or RUSMARC, as ISO 2709 or as MARCXML, always in UTF-8.
struct RecordForm {
    marc::Format format = marc::Format::Marc21;
    bool xml = false;
    const Odr_oid *syntax() const; // the record syntax the answer names
};

// The form a present asks for: the record syntax (none: the database's format in ISO 2709) and
// the element set name or SRU schema. USMARC/MARC21 and RUSMARC give ISO 2709 ("F", "B" or no
// element set), XML gives MARCXML in the database's format ("marcxml", its schema URI, "F", "B",
// none), or in the format the name says ("marc21", "rusmarc"). Raises Bib1Error 239 for another
// syntax and 25 for another element set.
RecordForm recordForm(marc::Format databaseFormat, const Odr_oid *syntax, const char *elementSet);

} // namespace z3950
