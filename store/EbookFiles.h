#pragma once

#include <QString>

namespace store {

// The extension of a chosen file's name, from its last point (included); empty when it has none.
QString ebookExtension(const QString &fileName);

// Copies a document into the files folder as a record's electronic version, replacing a file of
// that name when replace is true. Raises a DataError with a Russian message when it fails.
void copyEbookFile(const QString &source, const QString &target, bool replace);

// Moves an electronic version to a record's new name; nothing to do when there is no file.
// Raises a DataError when a file of the new name is in the way or the move fails.
void moveEbookFile(const QString &from, const QString &to);

} // namespace store
