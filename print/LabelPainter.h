#pragma once

#include "Code128.h"

#include <QString>

class QPainter;
class QRectF;

namespace print {

// What one holding's label shows.
struct LabelContent {
    QString code;      // what the barcode carries
    QString number;    // the inventory number as the catalogue writes it, under the bars
    QString library;   // the library's short name
    QString shelfMark;
    QString title;
};

// The least a label may measure: a barcode that scans, its number and a line of title.
inline constexpr double MinLabelWidth = 30;
inline constexpr double MinLabelHeight = 18;
// The narrowest bar a scanner reads from a label printed at 300 dpi.
inline constexpr double MinModuleMm = 0.2;

// The width the barcode gets on a label of the given width, in millimetres.
double barcodeWidthMm(double labelWidth);

// Draws a label into cell (device units); symbol is the label's code, already encoded.
void paintLabel(QPainter &painter, const QRectF &cell, const LabelContent &label, const Code128 &symbol);

} // namespace print
