#include "TextFitting.h"

#include <QFontMetricsF>
#include <QTextLayout>

namespace print {

QString elidedLine(const QString &text, const QFont &font, QPaintDevice *device, double width)
{
    return QFontMetricsF(font, device).elidedText(text.simplified(), Qt::ElideRight, width);
}

QStringList fitLines(const QString &text, const QFont &font, QPaintDevice *device, double width, int maxLines)
{
    QStringList lines;
    const QString simple = text.simplified();
    if (simple.isEmpty() || maxLines <= 0 || width <= 0)
        return lines;
    QTextLayout layout(simple, font, device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        if (lines.size() + 1 == maxLines) {
            lines << elidedLine(simple.mid(line.textStart()), font, device, width);
            break;
        }
        lines << simple.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

} // namespace print
