#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace store {

// A record's rubric text: paths of rubric ids from the top level down, each id followed by
// "." and each path by ";", e.g. "3.7.;5.;".

// The non-empty elements of a rubric text, leading blanks skipped.
QStringList rubricElements(const QString &rubricText);

// The id named by one element: the text between its last two full stops, or before the last.
QString LastRubricId(const QString &element);

// The ids of one element's path, from the top level down; ids that are not numbers are left out.
QList<qint64> rubricPath(const QString &element);

// The element of a rubric reached through the given path of ids.
QString rubricElement(const QList<qint64> &path);

} // namespace store
