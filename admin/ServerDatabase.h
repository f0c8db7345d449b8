#pragma once

#include <QString>

// What the server settings dialog sends to make a catalogue database on a server.
namespace setup {

// The name as typed goes between backticks, a backtick inside doubled, so that whatever was
// typed stays one name and never ends the statement.
QString createDatabaseStatement(const QString &name); // CREATE DATABASE IF NOT EXISTS ...;
QString useDatabaseStatement(const QString &name);    // USE ...;

// The creation script install_db.sql: beside the program, else in the current folder (the
// program's folder is the reliable one, the current folder depends on how it was started).
// Empty when it is in neither.
QString installScriptFile();
// The librarian's words for a script that is nowhere to be found.
QString missingInstallScriptMessage();

} // namespace setup
