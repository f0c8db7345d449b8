// Due dates in the main window: overdue holdings marked in the grid, "Продлить", the loan
// periods, the list of overdue loans with the reminder letters (on paper or by e-mail, and the
// mail settings), and the loan statistics.
#include "Main.h"

#include "BackgroundWork.h"
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

// Overdue marks are worked out for the rows the grid asks about, a page of them at a time, and
// forgotten when the catalogue is read again: a large catalogue never waits for all its open loans.
void TMainForm::connectOverdueMarks()
{
    data::Dataset &books = dbMod_->MyBooks;
    connect(&books, &data::Dataset::rowsReset, this, [this] {
        data::Dataset &b = dbMod_->MyBooks;
        const quint64 generation = b.isEmpty() ? 0 : b.bookmarkAt(0).generation;
        if (generation != overdueGeneration_)
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
    overdue_.clear();
    MainGrid->viewport()->update();
}

void TMainForm::refreshOverdueMark(qint64 bookId)
{
    overdue_.remove(bookId);
    MainGrid->viewport()->update();
}

void TMainForm::markOverduePageFrom(int row) const
{
    // About what a tall window shows: one statement for the page, found by the holdings' index.
    constexpr int PageRows = 100;
    const data::Dataset &books = dbMod_->MyBooks;
    QList<qint64> ids;
    for (int r = row; r < books.recordCount() && ids.size() < PageRows; ++r) {
        const data::CellView id = books.cellAt(r, 0);
        if (id.type == data::CellType::Integer && !overdue_.contains(id.integer))
            ids << id.integer;
    }
    QHash<qint64, QDate> late;
    try {
        late = store::overdueHoldings(dbMod_->MyServer, currentPeriods(), QDate::currentDate(), ids);
    } catch (const data::DataError &) {
        // Without the marks the grid still shows the catalogue; a broken store shows itself elsewhere.
    }
    for (qint64 id : ids)
        overdue_.insert(id, late.value(id)); // no date: not late
}

bool TMainForm::isOverdueRow(int row) const
{
    const data::CellView id = dbMod_->MyBooks.cellAt(row, 0);
    if (id.type != data::CellType::Integer)
        return false;
    auto found = overdue_.constFind(id.integer);
    if (found == overdue_.cend()) {
        // A worker has the connection (an import, say) while the windows still paint: the mark
        // waits for a paint after it.
        if (ui::BackgroundWork::anyRunning())
            return false;
        markOverduePageFrom(row);
        found = overdue_.constFind(id.integer);
    }
    return found != overdue_.cend() && found->isValid();
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
