#include "HoldingLabels.h"

#include "HoldingCode.h"
#include "PrintedHoldings.h"

#include <QPainter>

namespace print {

namespace {

// Why a holding gets no label; empty when it gets one.
QString refusal(const store::PrintedHolding &h, const QString &code, double labelWidth)
{
    if (h.invNum.trimmed().isEmpty())
        return QStringLiteral("нет инвентарного номера");
    if (code.isEmpty()) {
        return QStringLiteral("штрихкод Code 128 не передаёт: %1")
            .arg(store::uncarriedCharacters(h.liter, h.invNum).join(QStringLiteral(", ")));
    }
    const Code128 symbol = Code128::encode(code);
    if (!symbol.valid())
        return QStringLiteral("номер слишком длинный для штрихкода Code 128");
    if (barcodeWidthMm(labelWidth) / (symbol.modules + 2 * QuietModules) < MinModuleMm)
        return QStringLiteral("номер слишком длинный для этикетки такой ширины: штрихкод не прочтётся");
    return {};
}

} // namespace

LabelBatch makeLabels(const QList<store::PrintedHolding> &holdings, const QString &library, double labelWidth)
{
    LabelBatch batch;
    batch.labels.reserve(holdings.size());
    for (const store::PrintedHolding &h : holdings) {
        const QString code = store::holdingCode(h.liter, h.invNum);
        const QString why = refusal(h, code, labelWidth);
        if (!why.isEmpty()) {
            const QString number = store::inventoryNumberText(h.liter, h.invNum);
            batch.refused << (number.isEmpty() ? QStringLiteral("«%1»").arg(h.fields.title.simplified().left(60))
                                               : number) + QStringLiteral(": ") + why;
            continue;
        }
        batch.labels.append({code, store::inventoryNumberText(h.liter, h.invNum), library, h.shelfMark, h.fields.title});
    }
    return batch;
}

QString refusedLabelsText(const LabelBatch &batch)
{
    constexpr int shown = 10;
    QString text = QStringLiteral("Для %1 из %2 записей этикетки не будет:\n")
                       .arg(batch.refused.size())
                       .arg(batch.refused.size() + batch.labels.size());
    text += batch.refused.mid(0, shown).join(u'\n');
    if (batch.refused.size() > shown)
        text += QStringLiteral("\n… и ещё %1").arg(batch.refused.size() - shown);
    return text;
}

JobResult paintLabels(QPagedPaintDevice &device, const QList<LabelContent> &labels, const store::SheetLayout &layout,
                      int firstCell, const JobProgress &progress, const DeviceHealth &healthy)
{
    const PaintCell paint = [&labels](QPainter &painter, const QRectF &cell, int index) {
        const LabelContent &label = labels[index];
        paintLabel(painter, cell, label, Code128::encode(label.code));
    };
    return runSheetJob(device, layout, firstCell, int(labels.size()), paint, progress, healthy);
}

} // namespace print
