#pragma once

#include <QByteArray>
#include <QString>

namespace store {

// A stored value put into a page as text: "&", "<", ">" and '"' as entities, so that a title
// such as "<Без названия>" shows and an ampersand cannot start an entity.
QString htmlEscape(const QString &text);

// Replaces, in place, every CR LF pair of text by "<br>".
void CrLfToBr(QString &text);

// Writes a page the program made for the librarian, replacing an earlier one only once the
// whole page is written; raises DataError naming the file and the reason.
void writePageFile(const QString &fileName, const QByteArray &page);

} // namespace store
