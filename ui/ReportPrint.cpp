#include "ReportPrint.h"

#include "Platform.h"
#include "data/DataError.h"

#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextDocument>

namespace ui {

void loadReportDocument(QTextDocument &document, const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw data::DataError(QStringLiteral("Не удается открыть файл «%1»: %2").arg(fileName, file.errorString()));
    QStringDecoder cp1251("windows-1251");
    QString html = cp1251.decode(file.readAll());
    // The document's layout cannot draw SVG; a chart's figures stand in the table beside it.
    static const QRegularExpression chart(QStringLiteral("<svg\\b.*?</svg>\\s*"),
                                          QRegularExpression::DotMatchesEverythingOption);
    html.remove(chart);
    document.setHtml(html);
}

void savePageAsPdf(const QString &fileName, const QString &pdfFile)
{
    QTextDocument document;
    loadReportDocument(document, fileName);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(pdfFile);
    QFile::remove(pdfFile); // so that an earlier file is not taken for this one
    document.print(&printer);
    if (!QFileInfo(pdfFile).isFile())
        throw data::DataError(QStringLiteral("Не удается записать файл «%1».").arg(pdfFile));
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
