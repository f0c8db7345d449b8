#pragma once

#include <QString>

namespace ui {

// The catalogue holds a text's line breaks as CR LF, as the export and the backup write them; a
// multi-line box gives and shows LF. A lone CR is a line break too, as the box shows it.
inline QString shownLineBreaks(QString stored)
{
    stored.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    stored.replace(u'\r', u'\n');
    return stored;
}

inline QString storedLineBreaks(const QString &shown)
{
    return shownLineBreaks(shown).replace(u'\n', QStringLiteral("\r\n"));
}

} // namespace ui
