#include "TextFitting.h"

#include <QFontMetricsF>
#include <QTextLayout>
#include <algorithm>

namespace print {

namespace {

// Control and other unprintable characters a stored text may hold count as blanks: the page has
// nothing to draw for them, and the line breaker and the font's measure would not agree on them.
QString printable(const QString &text)
{
    QString t = text;
    for (QChar &c : t)
        if (!c.isPrint() && !c.isSurrogate())
            c = u' ';
    return t.simplified();
}

} // namespace

QString elidedLine(const QString &text, const QFont &font, QPaintDevice *device, double width)
{
    const QFontMetricsF metrics(font, device);
    QString line = metrics.elidedText(printable(text), Qt::ElideRight, width);
    // Qt elides by pieces measured apart; where fallback fonts draw some characters, the whole line
    // may still come out wider: it is cut on, a character at a time, until it fits.
    while (!line.isEmpty() && metrics.horizontalAdvance(line) > width) {
        QString body = line.endsWith(QChar(0x2026)) ? line.chopped(1) : line;
        qsizetype cut = body.size() - 1;
        if (cut > 0 && body.at(cut).isLowSurrogate())
            --cut;
        body.truncate(std::max<qsizetype>(cut, 0));
        line = body.isEmpty() ? QString() : body + QChar(0x2026);
    }
    return line;
}

QStringList fitLines(const QString &text, const QFont &font, QPaintDevice *device, double width, int maxLines)
{
    QStringList lines;
    const QString simple = printable(text);
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
        // Each line is drawn on its own, where a joined script may shape it a little wider than it
        // stood in the paragraph: then it is cut to the width.
        lines << elidedLine(simple.mid(line.textStart(), line.textLength()), font, device, width);
    }
    layout.endLayout();
    return lines;
}

} // namespace print
