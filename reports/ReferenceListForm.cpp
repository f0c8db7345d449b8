#include "ReferenceListForm.h"

#include "DialogLook.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

TReferenceListForm::TReferenceListForm(int shown, int selected, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ReferenceListForm"));
    setWindowTitle(QStringLiteral("Список литературы"));
    ui::useFixedDialogFrame(this);
    cbTarget = new QComboBox(this);
    cbTarget->setObjectName(QStringLiteral("cbTarget"));
    cbTarget->addItems({QStringLiteral("Страница в браузере"), QStringLiteral("Документ для текстового процессора")});
    cbWhich = new QComboBox(this);
    cbWhich->setObjectName(QStringLiteral("cbWhich"));
    cbWhich->addItem(QStringLiteral("Все записи списка (%1)").arg(shown));
    if (selected > 1) {
        cbWhich->addItem(QStringLiteral("Выделенные записи (%1)").arg(selected));
        cbWhich->setCurrentIndex(1);
    }
    cbWhich->setEnabled(selected > 1);
    auto *form = new QFormLayout;
    form->addRow(ui::buddyLabel(QStringLiteral("&Куда:"), cbTarget), cbTarget);
    form->addRow(ui::buddyLabel(QStringLiteral("&Записи:"), cbWhich), cbWhich);
    auto *column = new QVBoxLayout(this);
    column->addLayout(form);
    column->addLayout(ui::okCancelRow(this, QStringLiteral("ОК"), btnOk, btnCancel));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
}

bool TReferenceListForm::toWordProcessor() const { return cbTarget->currentIndex() == 1; }

bool TReferenceListForm::selectedOnly() const { return cbWhich->currentIndex() == 1; }
