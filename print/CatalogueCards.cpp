#include "CatalogueCards.h"

#include "TextFitting.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRegularExpression>
#include <QTextLayout>

namespace print {

namespace {

// The card's grid, in millimetres: the shelf mark's column, the two indents, the text's bottom.
constexpr double ShelfX = 4, ShelfWidth = 19, FirstIndent = 24, SecondIndent = 30, RightEdge = 121;
constexpr double TextTop = 6, TextBottom = 62, BottomLine = 66;

QFont cardFont()
{
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPointSizeF(8.5);
    return f;
}

// The text in lines, the first of firstWidth and the others of width (millimetres).
QStringList wrapped(const QString &text, QPaintDevice *device, double firstWidth, double width)
{
    QStringList lines;
    const QString simple = text.simplified();
    if (simple.isEmpty())
        return lines;
    const double perMm = device->logicalDpiX() / 25.4;
    QTextLayout layout(simple, cardFont(), device);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth((lines.isEmpty() ? firstWidth : width) * perMm);
        lines << simple.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

// The top of a card: shelf mark, card number and heading; returns the y of the next line.
double startCard(CardPage &card, const CardText &text, const QStringList &heading, int number, double lineMm,
                 QPaintDevice *device)
{
    // The class index over the author sign, as a shelf mark stands on a card: "78.3 / И20" or "78.3 И20".
    static const QRegularExpression parts(QStringLiteral("\\s*/\\s*|\\s+"));
    const QStringList mark = text.shelfMark.split(parts, Qt::SkipEmptyParts).mid(0, 4);
    for (int i = 0; i < mark.size(); ++i)
        card.append({ShelfX, TextTop + i * lineMm,
                     elidedLine(mark[i], cardFont(), device, ShelfWidth * device->logicalDpiX() / 25.4)});
    if (number > 1)
        card.append({RightEdge - 15, TextTop - lineMm, QStringLiteral("Карт. %1").arg(number)});
    double y = TextTop;
    for (const QString &line : heading) {
        card.append({FirstIndent, y, line});
        y += lineMm;
    }
    return y;
}

void endCard(CardPage &card, const CardText &text, QPaintDevice *device)
{
    card.append({ShelfX, BottomLine, text.invNumber});
    const double width = (RightEdge - FirstIndent) * device->logicalDpiX() / 25.4;
    card.append({FirstIndent, BottomLine, elidedLine(text.rubrics, cardFont(), device, width)});
}

} // namespace

QList<CardPage> layoutCatalogueCard(const CardText &text, QPaintDevice *device)
{
    const double lineMm = QFontMetricsF(cardFont(), device).lineSpacing() * 25.4 / device->logicalDpiY();
    const QStringList heading = wrapped(text.heading, device, RightEdge - FirstIndent, RightEdge - FirstIndent);
    const QStringList body = wrapped(text.body, device, RightEdge - SecondIndent, RightEdge - FirstIndent);
    const int fitting = std::max(2, int((TextBottom - TextTop) / lineMm) - int(heading.size()));
    QList<CardPage> cards;
    qsizetype next = 0;
    do {
        CardPage card;
        double y = startCard(card, text, heading, int(cards.size()) + 1, lineMm, device);
        const bool last = body.size() - next <= fitting;
        const qsizetype take = last ? body.size() - next : fitting - 1;
        for (qsizetype i = 0; i < take; ++i, ++next, y += lineMm)
            card.append({next == 0 ? SecondIndent : FirstIndent, y, body[next]});
        if (!last)
            card.append({SecondIndent, y, QStringLiteral("(Продолжение см. на след. карт.)")});
        endCard(card, text, device);
        cards << card;
    } while (next < body.size());
    return cards;
}

void paintCatalogueCard(QPainter &painter, const QRectF &cell, const CardPage &card)
{
    const Millimetres mm(*painter.device());
    painter.setPen(QPen(Qt::lightGray, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(cell);
    painter.setPen(Qt::black);
    painter.setFont(cardFont());
    const double ascent = QFontMetricsF(cardFont(), painter.device()).ascent();
    for (const CardLine &line : card)
        painter.drawText(QPointF(cell.left() + mm(line.x), cell.top() + mm(line.y) + ascent), line.text);
}

JobResult paintCatalogueCards(QPagedPaintDevice &device, const QList<CardText> &cards,
                              const store::SheetLayout &layout, int firstCell, const JobProgress &progress,
                              const DeviceHealth &healthy)
{
    // Cards are counted first and laid out again as they are drawn, so that only one holding's
    // cards are held at a time.
    QList<int> firstCardOf;
    int total = 0;
    for (const CardText &c : cards) {
        firstCardOf << total;
        total += int(layoutCatalogueCard(c, &device).size());
    }
    int holding = -1;
    QList<CardPage> current;
    const PaintCell paint = [&](QPainter &painter, const QRectF &cell, int index) {
        while (holding + 1 < cards.size() && firstCardOf[holding + 1] <= index) {
            ++holding;
            current = layoutCatalogueCard(cards[holding], &device);
        }
        paintCatalogueCard(painter, cell, current.value(index - firstCardOf[holding]));
    };
    const JobProgress byHolding = [&](int, int) { return !progress || progress(holding + 1, int(cards.size())); };
    return runSheetJob(device, layout, firstCell, total, paint, byHolding, healthy);
}

} // namespace print
