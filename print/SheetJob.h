#pragma once

#include "LabelSheet.h"

#include <QRectF>
#include <QString>
#include <functional>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace print {

// How a run of pages ended, and the words the librarian is told.
struct JobResult {
    enum End { Done, Cancelled, Failed } end = Done;
    int pages = 0; // pages finished
    int cells = 0; // labels or cards drawn on them
    QString message;
    bool done() const { return end == Done; }
};

// Millimetres on a device: painting works in the device's own units, fonts in points.
class Millimetres {
public:
    explicit Millimetres(const QPaintDevice &device);
    double operator()(double mm) const { return mm * perMm_; }
    QRectF operator()(const QRectF &mm) const;

private:
    double perMm_;
};

// Draws a cell (a label, a card) into its rectangle in device units.
using PaintCell = std::function<void(QPainter &painter, const QRectF &cell, int index)>;
// Told how many cells are done of all; returns false when the librarian cancelled.
using JobProgress = std::function<bool(int done, int total)>;
// Whether the device still takes pages (a printer that went away, a full disc say no).
using DeviceHealth = std::function<bool()>;

// Puts cells on sheets of a layout, page by page, from a given cell of the first sheet on, so
// that a partly used sheet of labels can be fed again. Memory stays that of one page: the
// device has each page once it is finished.
JobResult runSheetJob(QPagedPaintDevice &device, const store::SheetLayout &layout, int firstCell, int cellCount,
                      const PaintCell &paint, const JobProgress &progress = {}, const DeviceHealth &healthy = {});

// The device's page set to the layout's page, with no margins of its own.
void setSheetPage(QPagedPaintDevice &device, const store::SheetLayout &layout);

} // namespace print
