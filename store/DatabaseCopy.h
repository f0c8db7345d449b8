#pragma once

#include <QString>

namespace data {
class Connection;
}

namespace store {

// Copies the open database into folder/library.sdb: written through the engine's online backup
// into a temporary file in the folder, then renamed over the old copy, so that a crash or a
// writer elsewhere never leaves a torn copy in place of the last good one. The folder itself is
// created when missing (not its parents). Returns false, leaving any old copy as it was, when
// the copy could not be made.
// A catalogue on a server is kept as its backup script, folder/library.sql, put in place only
// once it is complete.
bool copyDatabaseTo(data::Connection &connection, const QString &folder);

} // namespace store
