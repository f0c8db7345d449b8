#pragma once

#include <QByteArray>
#include <functional>

namespace data {

class Connection;

// What running a general script and restoring a backup share.

// The program's own scripts are in code page 1251; this is their text in UTF-8.
QByteArray utf8OfScript(const QByteArray &cp1251);
// True when the script starts with the header the backup writes.
bool writtenByTheProgram(const QByteArray &script);
// Runs one statement of the script's text; returns the rows it changed.
int runScriptStatement(Connection &conn, const char *sql, qsizetype size);
// Runs the work in one transaction, undone whole when anything in it fails.
void runInTransaction(Connection &conn, const std::function<void()> &work);

} // namespace data
