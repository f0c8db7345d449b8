#pragma once

#include <QByteArray>
#include <QString>

namespace data {

// The whole of a file the program reads (a template, a script); raises DataError naming it.
QByteArray readWholeFile(const QString &fileName);

} // namespace data
