#pragma once

#include <QString>

class QTextDocument;
class QWidget;

namespace ui {

// A report page as the printer gets it: the file's HTML (code page 1251) laid out as a document.
void loadReportDocument(QTextDocument &document, const QString &fileName);

// "Печать…": the page in a print preview, from which the librarian prints it.
void previewAndPrintPage(QWidget *owner, const QString &fileName);

// The page laid out as for the printer, into a PDF file on A4 paper.
void savePageAsPdf(const QString &fileName, const QString &pdfFile);

} // namespace ui
