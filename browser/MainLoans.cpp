// Due dates in the main window: overdue holdings marked in the grid, "Продлить", the loan
// periods, the list of overdue loans with the reminder letters (on paper or by e-mail, and the
// mail settings), and the loan statistics.
#include "Main.h"

#include "CirculationPages.h"
#include "DBModUnit.h"
#include "DatasetModel.h"
#include "ErrorBox.h"
#include "ExtendLoanForm.h"
#include "LoanPeriodsForm.h"
#include "LoanStatistics.h"
#include "MailSettingsForm.h"
#include "MainGridView.h"
#include "OverdueForm.h"
#include "OverdueLoans.h"
#include "PeriodFormUnit.h"
#include "Platform.h"
#include "ProcessValues.h"

#include <QAction>
#include <QDateEdit>
#include <QLabel>
#include <QStatusBar>

namespace {
store::LoanPeriods currentPeriods() { return store::readLoanPeriods(store::process().SettingsFile); }
} // namespace

// Colour alone says nothing to some readers and nothing on paper: the legend names both marks.
void TMainForm::buildOverdueLegend()
{
    sbLegend = new QLabel(this);
    sbLegend->setObjectName(QStringLiteral("sbLegend"));
    sbLegend->setText(QStringLiteral("<span style=\"background-color:#ffffbf\">&nbsp;выдано&nbsp;</span> "
                                     "<span style=\"background-color:#ffc7c7\">&nbsp;просрочено&nbsp;</span>"));
    sbLegend->setAccessibleName(QStringLiteral("Цвета строк: жёлтые — выданные, красные — просроченные"));
    statusBar()->addPermanentWidget(sbLegend);
}

// Overdue holdings are worked out once each time the catalogue is read again, never while drawing.
void TMainForm::connectOverdueMarks()
{
    data::Dataset &books = dbMod_->MyBooks;
    connect(&books, &data::Dataset::rowsReset, this, [this] {
        data::Dataset &b = dbMod_->MyBooks;
        const quint64 generation = b.isEmpty() ? 0 : b.bookmarkAt(0).generation;
        if (generation != 0 && generation != overdueGeneration_)
            refreshOverdueMarks();
    });
    // A lend or a return posted on one row is looked at for that holding alone.
    connect(&books, &data::Dataset::rowUpdated, this, [this](int position) {
        const QVariant id = dbMod_->MyBooks.valueAt(position, 0);
        if (id.isValid())
            refreshOverdueMark(id.toLongLong());
    });
    gridModel->rowToolTip = [this](int row) { return overdueToolTip(row); };
}

void TMainForm::refreshOverdueMarks()
{
    data::Dataset &books = dbMod_->MyBooks;
    overdueGeneration_ = books.isEmpty() ? 0 : books.bookmarkAt(0).generation;
    try {
        overdue_ = store::overdueHoldings(dbMod_->MyServer, currentPeriods(), QDate::currentDate());
    } catch (const data::DataError &) {
        // Without the marks the grid still shows the catalogue; a broken store shows itself elsewhere.
        overdue_.clear();
    }
    MainGrid->viewport()->update();
}

void TMainForm::refreshOverdueMark(qint64 bookId)
{
    try {
        const auto late = store::overdueHoldings(dbMod_->MyServer, currentPeriods(), QDate::currentDate(), bookId);
        if (late.contains(bookId))
            overdue_.insert(bookId, late.value(bookId));
        else
            overdue_.remove(bookId);
    } catch (const data::DataError &) {
        overdue_.remove(bookId);
    }
    MainGrid->viewport()->update();
}

bool TMainForm::isOverdueRow(int row) const
{
    if (overdue_.isEmpty())
        return false;
    const data::CellView id = dbMod_->MyBooks.cellAt(row, 0);
    return id.type == data::CellType::Integer && overdue_.contains(id.integer);
}

QVariant TMainForm::overdueToolTip(int row) const
{
    if (!isOverdueRow(row))
        return {};
    const QDate due = overdue_.value(dbMod_->MyBooks.cellAt(row, 0).integer);
    return QStringLiteral("Просрочено: срок возврата %1, прошло дней: %2")
        .arg(store::shownDate(due))
        .arg(store::daysOverdue(due, QDate::currentDate()));
}

void TMainForm::miExtendLoanClick()
{
    data::Dataset &books = dbMod_->MyBooks;
    if (!books.active() || books.isEmpty())
        return;
    const qint64 bookId = books.fieldByName(QStringLiteral("id")).asInteger();
    const store::LoanPeriods periods = currentPeriods();
    store::OpenLoan loan;
    if (!runGuarded([&] { loan = store::firstOpenLoan(dbMod_->MyServer, periods, bookId); }))
        return;
    if (loan.orderId == 0) {
        ui::platform().messageBox(this, QStringLiteral("У издания нет открытой выдачи: продлевать нечего."),
                                  QStringLiteral("Продление выдачи"), ui::MsgIcon::Warning, ui::Ok);
        return;
    }
    if (extendLoanInteractively(this, dbMod_->MyServer, periods, loan))
        refreshOverdueMark(bookId);
}

void TMainForm::miLoanPeriodsClick()
{
    if (!loanPeriodsForm)
        loanPeriodsForm = new TLoanPeriodsForm(this);
    if (ui::platform().runModal(*loanPeriodsForm) == QDialog::Accepted)
        refreshOverdueMarks();
}

void TMainForm::miMailSettingsClick()
{
    if (!mailSettingsForm)
        mailSettingsForm = new TMailSettingsForm(this);
    ui::platform().runModal(*mailSettingsForm);
}

void TMainForm::miOverdueClick()
{
    if (!overdueForm) {
        overdueForm = new TOverdueForm(this);
        overdueForm->setDataModule(dbMod_);
        overdueForm->openPage = [this](const QString &file, const QByteArray &page) { openReport(file, page); };
    }
    ui::platform().runModal(*overdueForm);
}

void TMainForm::miLoanStatisticsClick()
{
    if (!periodForm_)
        return;
    periodForm_->setReaderVisible(false);
    if (AskPeriod().isEmpty())
        return;
    const QDate from = periodForm_->dtFrom->date(), to = periodForm_->dtTo->date();
    runGuarded([&] {
        openReport(store::process().TempDir + QStringLiteral("/loanstat.html"),
                   reports::loanStatisticsPage(store::readLoanStatistics(dbMod_->MyServer, from, to)));
    });
}
