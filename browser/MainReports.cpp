// The period reports, the two period views of the catalogue and the export to the word processor.
#include "Main.h"

#include "DBModUnit.h"
#include "HtmlText.h"
#include "PeriodFormUnit.h"
#include "Platform.h"
#include "ProcessValues.h"
#include "ReportPages.h"
#include "ReportPrint.h"
#include "WorkProgress.h"
#include "data/text/Cp1251.h"

#include <QAction>

namespace {
// The period dialog, with or without the reader box; empty when there is no dialog or it was cancelled.
QString askPeriodFor(TMainForm &window, TPeriodFm *form, bool withReader)
{
    if (!form)
        return {};
    form->setReaderVisible(withReader);
    return window.AskPeriod();
}
} // namespace

QString TMainForm::AskPeriod()
{
    if (!periodForm_ || ui::platform().runModal(*periodForm_) != QDialog::Accepted)
        return {};
    return periodForm_->periodClause();
}

// The page goes to the temporary folder and is shown by the desktop's program for HTML.
void TMainForm::openReport(const QString &fileName, const QByteArray &page)
{
    store::writePageFile(fileName, page);
    lastReport_ = fileName;
    miPrint->setEnabled(true);
    ui::platform().shellOpen(fileName);
}

void TMainForm::N12Click()
{
    const QString clause = askPeriodFor(*this, periodForm_, false);
    if (clause.isEmpty())
        return;
    runGuarded([&] {
        const auto acquisitions = reports::readAcquisitions(dbMod_->RprtSet, clause);
        const auto loans = reports::readLoanTotals(dbMod_->RprtSet, clause);
        openReport(store::process().TempDir + QStringLiteral("/report.html"),
                   reports::generalReportPage(acquisitions, loans));
    });
}

void TMainForm::N13Click()
{
    const QString clause = askPeriodFor(*this, periodForm_, true);
    if (clause.isEmpty())
        return;
    const QString reader = periodForm_->reader();
    runGuarded([&] {
        const auto loans = reports::readReaderLoans(dbMod_->RprtSet, reader, clause);
        openReport(store::process().TempDir + QStringLiteral("/rep.html"), reports::readerReportPage(reader, loans));
    });
}

void TMainForm::N14Click()
{
    const QString clause = askPeriodFor(*this, periodForm_, false);
    if (clause.isEmpty())
        return;
    // Replaces the composed filter as a whole; the next change of a condition or kind ends it.
    runGuarded([&] {
        dbMod_->MyBooks.setFilterSQL(QStringLiteral("id IN (SELECT book_id FROM orders WHERE (date_out") + clause +
                                     u')');
    });
    ShowRecordCount();
}

void TMainForm::miNewAcquirementsClick()
{
    const QString clause = askPeriodFor(*this, periodForm_, false);
    if (clause.isEmpty())
        return;
    runGuarded([&] {
        if (!dbMod_->JoinConditions().isEmpty())
            dbMod_->SetCondition(QString());
        dbMod_->SetCondition(QStringLiteral("new") + store::ConditionSeparator + QStringLiteral("(date_reg ") + clause);
    });
    ShowRecordCount();
}

void TMainForm::miExportClick()
{
    const QString path = store::process().TempDir + QStringLiteral("/lib_export.html");
    const bool written = runGuarded([&] {
        ui::WorkProgress progress(this, QStringLiteral("Экспорт картотеки…"));
        dbMod_->ExportHtml(path, progress.callback());
    });
    if (written)
        ui::platform().startWordProcessor(path);
}

void TMainForm::miPrintClick()
{
    if (!lastReport_.isEmpty())
        runGuarded([this] { ui::previewAndPrintPage(this, lastReport_); });
}
