// Preview, printer and PDF file for sheets of labels and cards.
#include "PrintOutput.h"

#include "PdfOutput.h"
#include "Platform.h"
#include "WorkProgress.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace print {

namespace {

void tellUnfinished(QWidget *owner, const QString &caption, const JobResult &result)
{
    if (!result.done())
        ui::platform().messageBox(owner, result.message, caption,
                                  result.end == JobResult::Cancelled ? ui::MsgIcon::Information : ui::MsgIcon::Warning,
                                  ui::Ok);
}

JobResult runWithProgress(QWidget *owner, const QString &caption, const SheetRun &run, QPagedPaintDevice &device,
                          int firstCell, const DeviceHealth &healthy)
{
    ui::WorkProgress progress(owner, caption + QStringLiteral("…"), true);
    return run.paint(device, firstCell, [&progress](int done, int total) { return progress.step(done, total); },
                     healthy);
}

void preparePrinter(QPrinter &printer, const store::SheetLayout &layout)
{
    printer.setFullPage(true);
    setSheetPage(printer, layout);
}

} // namespace

void previewSheets(QWidget *owner, const QString &caption, const store::SheetLayout &layout, int firstCell,
                   const SheetRun &run)
{
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(printer, layout);
    SheetRun shown = run;
    shown.cells = std::min(run.cells, PreviewSheets * layout.perPage() - firstCell);
    QPrintPreviewDialog preview(&printer, owner);
    preview.setObjectName(QStringLiteral("SheetPreview"));
    preview.setWindowTitle(shown.cells < run.cells
                               ? QStringLiteral("%1: первые %2 листов (всего нужно больше)").arg(caption).arg(PreviewSheets)
                               : caption);
    // The preview stops at the sheets it shows, as a cancel would.
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter *target) {
        run.paint(*target, firstCell, [limit = shown.cells](int done, int) { return done < limit; }, {});
    });
    ui::platform().runModal(preview);
}

void printSheets(QWidget *owner, const QString &caption, const store::SheetLayout &layout, int firstCell,
                 const SheetRun &run)
{
    QPrinter printer(QPrinter::HighResolution);
    preparePrinter(printer, layout);
    QPrintDialog dialog(&printer, owner);
    dialog.setObjectName(QStringLiteral("SheetPrintDialog"));
    if (ui::platform().runModal(dialog) != QDialog::Accepted)
        return;
    const JobResult result = runWithProgress(owner, caption, run, printer, firstCell, [&printer] {
        return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
    });
    if (result.end == JobResult::Cancelled)
        printer.abort();
    tellUnfinished(owner, caption, result);
}

void saveSheetsAsPdf(QWidget *owner, const QString &caption, const store::SheetLayout &layout, int firstCell,
                     const SheetRun &run)
{
    const QString file = ui::platform().saveFileName(owner, caption + QStringLiteral(" в PDF"), QString(),
                                                     QStringLiteral("Документы PDF|*.pdf"), QStringLiteral("pdf"));
    if (file.isEmpty())
        return;
    const JobResult result = writePdfFile(file, layout, caption, [&](QPagedPaintDevice &device, const DeviceHealth &h) {
        return runWithProgress(owner, caption, run, device, firstCell, h);
    });
    if (result.done())
        ui::platform().messageBox(owner, QStringLiteral("Сохранено в файл %1 (страниц: %2).").arg(file).arg(result.pages),
                                  caption, ui::MsgIcon::Information, ui::Ok);
    tellUnfinished(owner, caption, result);
}

} // namespace print
