#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace data {

// The byte of a character in the Windows Cyrillic code page, or -1 when it has none there.
int cp1251Byte(char32_t c);

// Appends a page's text in code page 1251; a character with no place there is written as a
// numeric character reference, so that the page shows it all the same.
void appendCp1251Html(QByteArray &out, QStringView text);
QByteArray encodeCp1251Html(QStringView text);
// The same for a stored value shown as text: "&", "<", ">" and '"' as entities.
void appendCp1251HtmlValue(QByteArray &out, QStringView text);

} // namespace data
