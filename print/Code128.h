#pragma once

#include <QList>
#include <QString>

class QPainter;
class QRectF;

namespace print {

// A Code 128 symbol as Zint draws it: the dark bars in modules from the symbol's left edge. Zint
// does the encoding (code sets, check character); we only place its bars.
struct Code128 {
    struct Bar {
        float x;
        float width;
    };
    QList<Bar> bars;
    float modules = 0; // the symbol's width without quiet zones
    QString error;     // Zint's refusal, empty when the symbol was made

    static Code128 encode(const QString &ascii);
    bool valid() const { return error.isEmpty() && modules > 0; }
};

// Quiet zone on either side of the symbol, in modules, as the standard asks.
inline constexpr int QuietModules = 10;

// Draws the bars over the whole height of target, the quiet zones inside it, black on the page.
void drawCode128(QPainter &painter, const QRectF &target, const Code128 &symbol);

} // namespace print
