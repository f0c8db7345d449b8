#include "PdfOutput.h"

#include <QPdfWriter>
#include <QSaveFile>

namespace print {

JobResult writePdfTo(QIODevice &out, const DeviceHealth &outHealthy, const store::SheetLayout &layout,
                     const QString &title, const PageJob &job)
{
    QPdfWriter writer(&out);
    writer.setResolution(600);
    writer.setCreator(QStringLiteral("Библиотека"));
    writer.setTitle(title);
    setSheetPage(writer, layout);
    return job(writer, outHealthy);
}

JobResult writePdfFile(const QString &fileName, const store::SheetLayout &layout, const QString &title,
                       const PageJob &job)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        JobResult failed;
        failed.end = JobResult::Failed;
        failed.message = QStringLiteral("Не удается записать файл «%1»: %2").arg(fileName, file.errorString());
        return failed;
    }
    JobResult result =
        writePdfTo(file, [&file] { return file.error() == QFileDevice::NoError; }, layout, title, job);
    if (result.done() && !file.commit()) {
        result.end = JobResult::Failed;
        result.message = QStringLiteral("Не удается записать файл «%1»: %2").arg(fileName, file.errorString());
    }
    if (!result.done()) {
        file.cancelWriting();
        result.message += QStringLiteral(" Файл «%1» не записан.").arg(fileName);
    }
    return result;
}

} // namespace print
