#pragma once

#include <QString>

namespace data {
class Connection;
}

namespace store {

class IniFile;

// Points a connection at the catalogue a settings file names: the file library.sdb in the folder,
// or, with Connect=1 under [MySQL], the server's database there, with that section's rules for
// encryption (a relative CACertificate is read from the folder).
void applyCatalogueSettings(data::Connection &connection, const IniFile &settings, const QString &folder);

} // namespace store
