#pragma once

#include "SheetJob.h"

class QWidget;

namespace print {

// A job ready to go: how many cells it has and how it paints them from a cell of the first sheet.
struct SheetRun {
    int cells = 0;
    std::function<JobResult(QPagedPaintDevice &device, int firstCell, const JobProgress &progress,
                            const DeviceHealth &healthy)>
        paint;
    explicit operator bool() const { return bool(paint) && cells > 0; }
};

// The preview shows at most this many sheets, so that a run of thousands of labels opens at once.
inline constexpr int PreviewSheets = 20;

// The three ways out, each with a progress window and "Отмена", and a message when the job did
// not end as asked. caption heads the messages.
void previewSheets(QWidget *owner, const QString &caption, const store::SheetLayout &layout, int firstCell,
                   const SheetRun &run);
void printSheets(QWidget *owner, const QString &caption, const store::SheetLayout &layout, int firstCell,
                 const SheetRun &run);
void saveSheetsAsPdf(QWidget *owner, const QString &caption, const store::SheetLayout &layout, int firstCell,
                     const SheetRun &run);

} // namespace print
