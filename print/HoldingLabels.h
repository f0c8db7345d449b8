#pragma once

#include "LabelPainter.h"
#include "SheetJob.h"

#include <QList>
#include <QStringList>

namespace store {
struct PrintedHolding;
}

namespace print {

// The labels of the holdings chosen, and the holdings that cannot have one, each with the reason.
struct LabelBatch {
    QList<LabelContent> labels;
    QStringList refused;
};

// labelWidth (mm) decides whether a long code's bars would still be wide enough to scan.
LabelBatch makeLabels(const QList<store::PrintedHolding> &holdings, const QString &library, double labelWidth);

// The question put when some holdings get no label: which, and why.
QString refusedLabelsText(const LabelBatch &batch);

// The labels on sheets of the layout, from firstCell of the first sheet on.
JobResult paintLabels(QPagedPaintDevice &device, const QList<LabelContent> &labels, const store::SheetLayout &layout,
                      int firstCell, const JobProgress &progress = {}, const DeviceHealth &healthy = {});

} // namespace print
