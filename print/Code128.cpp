#include "Code128.h"

#include <QPainter>
#include <QRectF>
#include <memory>
#include <zint.h>

namespace print {

Code128 Code128::encode(const QString &ascii)
{
    Code128 c;
    const QByteArray data = ascii.toLatin1();
    std::unique_ptr<zint_symbol, void (*)(zint_symbol *)> symbol(ZBarcode_Create(), ZBarcode_Delete);
    if (!symbol) {
        c.error = QStringLiteral("out of memory");
        return c;
    }
    symbol->symbology = BARCODE_CODE128;
    symbol->input_mode = DATA_MODE;
    symbol->show_hrt = 0;
    symbol->whitespace_width = 0;
    symbol->scale = 1;
    const int status = ZBarcode_Encode_and_Buffer_Vector(symbol.get(), reinterpret_cast<const unsigned char *>(data.constData()),
                                                         int(data.size()), 0);
    if (status >= ZINT_ERROR || !symbol->vector) {
        c.error = QString::fromLatin1(symbol->errtxt);
        return c;
    }
    // The vector's units are Zint's own; the symbol's width in modules puts them right.
    const float unit = symbol->vector->width / float(symbol->width);
    for (const zint_vector_rect *r = symbol->vector->rectangles; r; r = r->next)
        c.bars.append({r->x / unit, r->width / unit});
    c.modules = float(symbol->width);
    return c;
}

void drawCode128(QPainter &painter, const QRectF &target, const Code128 &symbol)
{
    if (!symbol.valid())
        return;
    const double module = target.width() / (symbol.modules + 2 * QuietModules);
    const double left = target.left() + QuietModules * module;
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const Code128::Bar &b : symbol.bars)
        painter.drawRect(QRectF(left + b.x * module, target.top(), b.width * module, target.height()));
    painter.restore();
}

} // namespace print
