#include "PeriodFormUnit.h"

#include "DBModUnit.h"
#include "ErrorBox.h"
#include "ReportPages.h"

#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShowEvent>

namespace {

QDateEdit *longDatePicker(QWidget *parent, const QString &name)
{
    auto *picker = new QDateEdit(parent);
    picker->setObjectName(name);
    picker->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
    picker->setCalendarPopup(true);
    return picker;
}

} // namespace

TPeriodFm::TPeriodFm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PeriodFm"));
    setWindowTitle(QStringLiteral("Укажите отчетный период"));
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(8);
    setFont(f);

    Label1 = new QLabel(QStringLiteral("С "), this);
    dtFrom = longDatePicker(this, QStringLiteral("dtFrom"));
    Label2 = new QLabel(QStringLiteral("по"), this);
    dtTo = longDatePicker(this, QStringLiteral("dtTo"));
    Label3 = new QLabel(QStringLiteral("Сотрудник"), this);
    cbLoaners = new QComboBox(this);
    cbLoaners->setObjectName(QStringLiteral("cbLoaners"));
    cbLoaners->setEditable(true);
    cbLoaners->setInsertPolicy(QComboBox::NoInsert);
    // The matching readers drop down as soon as the librarian starts typing.
    cbLoaners->completer()->setCompletionMode(QCompleter::PopupCompletion);
    cbLoaners->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    Label1->setBuddy(dtFrom);
    Label2->setBuddy(dtTo);
    Label3->setBuddy(cbLoaners);
    dtFrom->setAccessibleName(QStringLiteral("С"));
    dtTo->setAccessibleName(QStringLiteral("по"));
    cbLoaners->setAccessibleName(Label3->text());
    cbLoaners->lineEdit()->setAccessibleName(Label3->text());

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject); // Esc rejects as well

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(dtFrom, 0, 1);
    grid->addWidget(Label2, 0, 2);
    grid->addWidget(dtTo, 0, 3);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(cbLoaners, 1, 1, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, 2, 0, 1, 4);
    // Fixed border: the designed client size, or more where the long dates need it.
    setFixedSize(sizeHint().expandedTo(QSize(281, 113)));
}

void TPeriodFm::setReaderVisible(bool visible)
{
    Label3->setVisible(visible);
    cbLoaners->setVisible(visible);
}

QString TPeriodFm::reader() const { return cbLoaners->currentText(); }

QString TPeriodFm::periodClause() const { return reports::periodClause(dtFrom->date(), dtTo->date()); }

std::pair<QDate, QDate> TPeriodFm::defaultPeriod(const QDate &today) { return {today.addMonths(-1), today}; }

void TPeriodFm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TPeriodFm::FormShow()
{
    const auto [from, to] = defaultPeriod(QDate::currentDate());
    dtTo->setDate(to);
    dtFrom->setDate(from);
    if (!dbMod_)
        return;
    // The list is replaced; the text typed last time stays in the box.
    const QString typed = cbLoaners->currentText();
    try {
        const QStringList readers = dbMod_->DistinctValues(QStringLiteral("loaner"), QStringLiteral("orders"),
                                                           QStringLiteral("loaner ASC"), 0);
        cbLoaners->clear();
        cbLoaners->addItems(readers);
    } catch (const data::DataError &e) {
        ui::showApplicationError(e, this);
    }
    cbLoaners->setEditText(typed);
}
