#include "LoanPeriodsForm.h"

#include "DialogLook.h"
#include "IniFile.h"
#include "Platform.h"
#include "ProcessValues.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>

TLoanPeriodsForm::TLoanPeriodsForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("LoanPeriodsForm"));
    setWindowTitle(QStringLiteral("Сроки выдачи"));
    ui::useFixedDialogFrame(this);
    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Сколько дней можно держать издание, по виду заявки:"), this), 0, 0, 1, 2);
    const QStringList names = store::loanKindNames();
    for (int k = 0; k < store::LoanKindCount; ++k) {
        auto *label = new QLabel(names[k] + u':', this);
        auto *days = new QSpinBox(this);
        days->setObjectName(QStringLiteral("edDays%1").arg(k));
        days->setRange(0, store::LongestLoanPeriod);
        days->setSuffix(QStringLiteral(" дн."));
        days->setAccessibleName(names[k]);
        label->setBuddy(days);
        grid->addWidget(label, k + 1, 0);
        grid->addWidget(days, k + 1, 1);
        edDays << days;
    }
    auto *note = new QLabel(QStringLiteral("0 дней — вернуть в день выдачи."), this);
    grid->addWidget(note, store::LoanKindCount + 1, 0, 1, 2);
    QHBoxLayout *buttons = ui::okCancelRow(this, QStringLiteral("ОК"), btnOk, btnCancel);
    grid->addLayout(buttons, store::LoanKindCount + 2, 0, 1, 2);
    connect(btnOk, &QPushButton::clicked, this, &TLoanPeriodsForm::btnOkClick);
    setFixedSize(sizeHint());
}

void TLoanPeriodsForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TLoanPeriodsForm::FormShow()
{
    QStringList refused;
    const store::LoanPeriods periods = store::readLoanPeriods(store::process().SettingsFile, &refused);
    for (int k = 0; k < store::LoanKindCount; ++k)
        edDays[k]->setValue(periods.days[std::size_t(k)]);
    if (!refused.isEmpty())
        ui::platform().messageBox(
            this,
            QStringLiteral("В файле настроек срок выдачи указан неверно (нужно целое число дней от 0 до %1): %2. "
                           "Показан срок по умолчанию.")
                .arg(store::LongestLoanPeriod)
                .arg(refused.join(QStringLiteral(", "))),
            windowTitle(), ui::MsgIcon::Warning, ui::Ok);
}

store::LoanPeriods TLoanPeriodsForm::periods() const
{
    store::LoanPeriods p;
    for (int k = 0; k < store::LoanKindCount; ++k)
        p.days[std::size_t(k)] = edDays[k]->value();
    return p;
}

void TLoanPeriodsForm::btnOkClick()
{
    store::IniFile *settings = store::process().SettingsFile;
    if (!settings || !store::writeLoanPeriods(*settings, periods())) {
        ui::platform().messageBox(this,
                                  QStringLiteral("Не удалось записать сроки выдачи в файл настроек %1.")
                                      .arg(settings ? settings->fileName() : QStringLiteral("library.ini")),
                                  windowTitle(), ui::MsgIcon::Warning, ui::Ok);
        return;
    }
    accept();
}
