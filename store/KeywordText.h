#pragma once

#include <QString>
#include <QStringList>

namespace store {

// Splits the keyword box's text into keywords: "," and line breaks separate them, a part in
// single or double quotes may hold separators (the quotes stay), blanks and line breaks at the
// start of a keyword are skipped, blanks at its end stay, empty pieces give nothing.
QStringList splitKeywords(const QString &text);

// The stored keywords as the box shows them.
QString joinKeywords(const QStringList &keywords);

} // namespace store
