#pragma once

#include <QString>
#include <QStringList>

namespace data {
class Connection;
}

namespace store {

// The exit-time copy: folder/library.sdb (a catalogue on a server: its backup script
// folder/library.sql) is the newest copy; the one it replaces is kept beside it as
// library-yyyy-MM-dd-HHmmss.sdb (the time that copy was made), up to `keep` such dated copies,
// the oldest removed first. Each copy is written to a temporary file and renamed into place, so a
// crash or a writer elsewhere never leaves a torn copy, and library.sdb is never missing. The folder
// is created when missing (not its parents). A connection whose database lacks a table of
// `catalogueTables` is copied nowhere: it never replaces a copy with one that holds no catalogue.
// Failed leaves every earlier copy as it was.
enum class ExitCopy { Written, NotDue, Failed };
ExitCopy writeExitCopy(data::Connection &connection, const QString &folder, const QStringList &catalogueTables, int keep);

// The copy taken before a restore: a dated file of its own, library-before-restore-<time>.sdb
// (or .sql), which no exit copy touches. Returns its path, or an empty text when it could not be
// made.
QString writeCopyBeforeRestore(data::Connection &connection, const QString &folder);

// Copies the open database into the file path given, through a temporary file renamed into place.
bool copyDatabaseTo(data::Connection &connection, const QString &target);

} // namespace store
