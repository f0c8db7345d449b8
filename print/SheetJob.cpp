#include "SheetJob.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>

namespace print {

Millimetres::Millimetres(const QPaintDevice &device) : perMm_(device.logicalDpiX() / 25.4) {}

QRectF Millimetres::operator()(const QRectF &mm) const
{
    return {mm.x() * perMm_, mm.y() * perMm_, mm.width() * perMm_, mm.height() * perMm_};
}

void setSheetPage(QPagedPaintDevice &device, const store::SheetLayout &layout)
{
    // A page size is given upright; a card wider than high is that page turned.
    const QPageSize size(QSizeF(std::min(layout.pageWidth, layout.pageHeight), std::max(layout.pageWidth, layout.pageHeight)),
                         QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    const QPageLayout::Orientation orientation =
        layout.pageWidth > layout.pageHeight ? QPageLayout::Landscape : QPageLayout::Portrait;
    device.setPageLayout(QPageLayout(size, orientation, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
}

namespace {

QString pagesWritten(int pages)
{
    return QStringLiteral("Готовых страниц: %1.").arg(pages);
}

} // namespace

JobResult runSheetJob(QPagedPaintDevice &device, const store::SheetLayout &layout, int firstCell, int cellCount,
                      const PaintCell &paint, const JobProgress &progress, const DeviceHealth &healthy)
{
    JobResult result;
    QPainter painter;
    if (cellCount <= 0) {
        result.end = JobResult::Failed;
        result.message = QStringLiteral("Печатать нечего: не выбрано ни одной записи.");
        return result;
    }
    if (!painter.begin(&device) || (healthy && !healthy())) {
        result.end = JobResult::Failed;
        result.message = QStringLiteral("Не удается начать печать: принтер или файл недоступен.");
        return result;
    }
    const Millimetres mm(device);
    const int perPage = layout.perPage();
    int slot = qBound(0, firstCell, perPage - 1);
    for (int i = 0; i < cellCount; ++i) {
        if (slot == perPage) {
            if (!device.newPage() || (healthy && !healthy())) {
                painter.end();
                result.end = JobResult::Failed;
                result.message = QStringLiteral("Печать прервана: принтер или файл перестал принимать страницы. ") +
                                 pagesWritten(result.pages);
                return result;
            }
            ++result.pages;
            slot = 0;
        }
        painter.save();
        paint(painter, mm(layout.cell(slot)), i);
        painter.restore();
        ++slot;
        ++result.cells;
        if (progress && (slot == perPage || i + 1 == cellCount) && !progress(i + 1, cellCount)) {
            painter.end();
            result.end = JobResult::Cancelled;
            result.message = QStringLiteral("Печать отменена. ") + pagesWritten(result.pages);
            return result;
        }
    }
    const bool ended = painter.end();
    if (!ended || (healthy && !healthy())) {
        result.end = JobResult::Failed;
        result.message = QStringLiteral("Печать не завершена: принтер или файл перестал принимать страницы. ") +
                         pagesWritten(result.pages);
        return result;
    }
    ++result.pages;
    return result;
}

} // namespace print
