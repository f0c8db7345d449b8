#pragma once

#include <QFont>
#include <QStringList>

class QPaintDevice;

namespace print {

// The text broken into lines of at most width (device units) in the font on the device; when
// maxLines is reached, the last line shows what fits and "…". A break falls between words where it
// can, inside a word too long for a line otherwise.
QStringList fitLines(const QString &text, const QFont &font, QPaintDevice *device, double width, int maxLines);

// A line's first part that fits width, with "…" when some was left out.
QString elidedLine(const QString &text, const QFont &font, QPaintDevice *device, double width);

} // namespace print
