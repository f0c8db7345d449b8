#include "ReportPrint.h"

#include "Platform.h"
#include "data/DataError.h"

#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStringDecoder>
#include <QTextDocument>

namespace ui {

void loadReportDocument(QTextDocument &document, const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw data::DataError(QStringLiteral("Не удается открыть файл «%1»: %2").arg(fileName, file.errorString()));
    QStringDecoder cp1251("windows-1251");
    document.setHtml(cp1251.decode(file.readAll()));
}

void previewAndPrintPage(QWidget *owner, const QString &fileName)
{
    QTextDocument document;
    loadReportDocument(document, fileName);
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, owner);
    preview.setObjectName(QStringLiteral("ReportPreview"));
    preview.setWindowTitle(QStringLiteral("Печать отчёта"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [&document](QPrinter *target) { document.print(target); });
    platform().runModal(preview);
}

} // namespace ui
