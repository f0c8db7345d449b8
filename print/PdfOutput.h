#pragma once

#include "SheetJob.h"

class QIODevice;

namespace print {

// A job that paints its pages onto the device it is given.
using PageJob = std::function<JobResult(QPagedPaintDevice &device, const DeviceHealth &healthy)>;

// The pages as a PDF document written to out; outHealthy tells whether out still takes bytes.
JobResult writePdfTo(QIODevice &out, const DeviceHealth &outHealthy, const store::SheetLayout &layout,
                     const QString &title, const PageJob &job);

// The pages into a PDF file, whole or not at all: a cancelled or failed job leaves the file that
// was there before, and the message says so.
JobResult writePdfFile(const QString &fileName, const store::SheetLayout &layout, const QString &title,
                       const PageJob &job);

} // namespace print
