#pragma once

#include <QString>
#include <memory>

namespace data {
class Connection;
}

namespace store {

// The catalogue a settings file names (library.sdb beside it, or the server of [MySQL]), opened
// for reading only, as the programs that serve it to other people open it. Raises
// data::DataError when it cannot be opened or holds no catalogue.
std::unique_ptr<data::Connection> openCatalogueForReading(const QString &iniPath);

} // namespace store
