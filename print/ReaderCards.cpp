#include "ReaderCards.h"

#include "Code128.h"
#include "HoldingCode.h"
#include "LoanTerms.h"
#include "Platform.h"
#include "ProcessValues.h"
#include "SheetPrintForm.h"
#include "TextFitting.h"

#include <QFontMetricsF>
#include <QPainter>

namespace print {

namespace {

QFont cardFont(double points, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// Draws lines of text from y down; returns the y below them.
double drawLines(QPainter &painter, const QRectF &area, double y, const QFont &font, const QString &text, int maxLines)
{
    const double lineHeight = QFontMetricsF(font, painter.device()).lineSpacing();
    painter.setFont(font);
    for (const QString &line : fitLines(text, font, painter.device(), area.width(), maxLines)) {
        painter.drawText(QRectF(area.left(), y, area.width(), lineHeight), Qt::AlignHCenter | Qt::AlignTop, line);
        y += lineHeight;
    }
    return y;
}

void paintReaderCard(QPainter &painter, const QRectF &cell, const ReaderCardData &reader, const QString &library,
                     const QString &code)
{
    const Millimetres mm(*painter.device());
    painter.setPen(QPen(Qt::gray, mm(0.2)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(cell, mm(3), mm(3));
    const QRectF inner = cell.adjusted(mm(4), mm(3), -mm(4), -mm(3));
    painter.setPen(Qt::black);
    double y = drawLines(painter, inner, inner.top(), cardFont(7.5, true), library, 2);
    y = drawLines(painter, inner, y + mm(0.5), cardFont(6.5, false), QStringLiteral("Читательский билет"), 1);
    y = drawLines(painter, inner, y + mm(1.5), cardFont(10, true), reader.fullName, 2);
    if (reader.validUntil.isValid())
        drawLines(painter, inner, y + mm(0.5), cardFont(7, false),
                  QStringLiteral("Действителен до %1").arg(reader.validUntil.toString(QStringLiteral("dd.MM.yyyy"))), 1);
    const QFont numberFont = cardFont(8, false);
    const double numberHeight = QFontMetricsF(numberFont, painter.device()).lineSpacing();
    const QRectF bars(inner.left() + inner.width() * 0.1, inner.bottom() - numberHeight - mm(11), inner.width() * 0.8,
                      mm(11));
    drawCode128(painter, bars, Code128::encode(code));
    drawLines(painter, inner, bars.bottom(), numberFont, reader.cardNumber.trimmed(), 1);
}

} // namespace

SheetRun readerCardRun(const QList<ReaderCardData> &readers, const QString &libraryName,
                       const store::SheetLayout &layout, QStringList *refused)
{
    struct Card {
        ReaderCardData reader;
        QString code;
    };
    auto cards = std::make_shared<QList<Card>>();
    for (const ReaderCardData &r : readers) {
        const QString code = store::holdingCode(QString(), r.cardNumber);
        if (!code.isEmpty() && Code128::encode(code).valid() && code.size() <= 20)
            cards->append({r, code});
        else if (refused)
            *refused << QStringLiteral("%1 (%2): номер билета нельзя записать штрихкодом Code 128")
                            .arg(r.fullName.simplified(), r.cardNumber.simplified());
    }
    SheetRun run;
    run.cells = int(cards->size());
    run.paint = [cards, libraryName, layout](QPagedPaintDevice &device, int firstCell, const JobProgress &progress,
                                     const DeviceHealth &healthy) {
        const PaintCell paint = [&](QPainter &painter, const QRectF &cell, int index) {
            paintReaderCard(painter, cell, (*cards)[index].reader, libraryName, (*cards)[index].code);
        };
        return runSheetJob(device, layout, firstCell, int(cards->size()), paint, progress, healthy);
    };
    return run;
}

QString libraryNameFromSettings() { return store::readLetterhead(store::process().SettingsFile).name; }

void printReaderCards(QWidget *owner, const QList<ReaderCardData> &readers, const QString &libraryName)
{
    SheetPrintRequest request;
    request.caption = QStringLiteral("Печать читательских билетов");
    request.presets = {{QStringLiteral("A4: 2 × 5 билетов 85,6 × 54 мм"), store::readerCardSheet()}};
    request.shownCount = int(readers.size());
    request.prepare = [readers, libraryName, caption = request.caption](QWidget *form, bool, const store::SheetLayout &layout) {
        QStringList refused;
        SheetRun run = readerCardRun(readers, libraryName, layout, &refused);
        if (!refused.isEmpty() && !confirmRefused(form, caption, refused, run.cells))
            return SheetRun();
        return run;
    };
    TSheetPrintForm form(request, owner);
    ui::platform().runModal(form);
}

} // namespace print
