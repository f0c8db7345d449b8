// One label of a holding: the library and the shelf mark above, the barcode with its number under
// it, then as much of the title as fits.
#include "LabelPainter.h"

#include "SheetJob.h"
#include "TextFitting.h"

#include <QFontMetricsF>
#include <QPainter>

namespace print {

namespace {

constexpr double PaddingMm = 2;

QFont labelFont(double points, bool bold = false)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace

double barcodeWidthMm(double labelWidth) { return labelWidth - 2 * PaddingMm; }

void paintLabel(QPainter &painter, const QRectF &cell, const LabelContent &label, const Code128 &symbol)
{
    QPaintDevice *device = painter.device();
    const Millimetres mm(*device);
    const QRectF inner = cell.adjusted(mm(PaddingMm), mm(PaddingMm), -mm(PaddingMm), -mm(PaddingMm));
    painter.setPen(Qt::black);

    const QFont small = labelFont(6);
    const double topLine = mm(3);
    const QFont markFont = labelFont(7, true);
    const double markWidth = QFontMetricsF(markFont, device).horizontalAdvance(label.shelfMark);
    const double markShown = std::min(markWidth, inner.width() * 0.6);
    painter.setFont(markFont);
    painter.drawText(QRectF(inner.right() - markShown, inner.top(), markShown, topLine), Qt::AlignRight | Qt::AlignTop,
                     elidedLine(label.shelfMark, markFont, device, markShown));
    painter.setFont(small);
    const double libraryWidth = inner.width() - markShown - (markShown > 0 ? mm(2) : 0);
    painter.drawText(QRectF(inner.left(), inner.top(), libraryWidth, topLine), Qt::AlignLeft | Qt::AlignTop,
                     elidedLine(label.library, small, device, libraryWidth));

    const double numberLine = mm(3.4);
    const double barsHeight = std::max(mm(6), (inner.height() - topLine - numberLine) * 0.62);
    const QRectF bars(inner.left(), inner.top() + topLine, inner.width(), barsHeight);
    drawCode128(painter, bars, symbol);
    const QFont numberFont = labelFont(8);
    painter.setFont(numberFont);
    painter.drawText(QRectF(inner.left(), bars.bottom(), inner.width(), numberLine), Qt::AlignHCenter | Qt::AlignTop,
                     elidedLine(label.number, numberFont, device, inner.width()));

    const QFont titleFont = labelFont(6.5);
    const double lineHeight = QFontMetricsF(titleFont, device).lineSpacing();
    const double titleTop = bars.bottom() + numberLine;
    const int lines = int((inner.bottom() - titleTop) / lineHeight);
    painter.setFont(titleFont);
    double y = titleTop;
    for (const QString &line : fitLines(label.title, titleFont, device, inner.width(), lines)) {
        painter.drawText(QRectF(inner.left(), y, inner.width(), lineHeight), Qt::AlignLeft | Qt::AlignTop, line);
        y += lineHeight;
    }
}

} // namespace print
