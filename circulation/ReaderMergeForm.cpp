#include "ReaderMergeForm.h"

#include "DialogLook.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QString described(const store::Reader &r)
{
    QString text = QStringLiteral("%1, билет %2").arg(r.name, r.card);
    if (!r.category.trimmed().isEmpty())
        text += QStringLiteral(", ") + r.category.trimmed();
    return text;
}

} // namespace

TReaderMergeForm::TReaderMergeForm(const store::Reader &first, const store::Reader &second, QWidget *parent)
    : QDialog(parent), first_(first.id), second_(second.id)
{
    setObjectName(QStringLiteral("ReaderMergeForm"));
    setWindowTitle(QStringLiteral("Объединить читателей"));
    ui::useFixedDialogFrame(this);
    auto *layout = new QVBoxLayout(this);
    lblExplain = new QLabel(QStringLiteral("Выдачи второго читателя перейдут к тому, кого вы оставите, пустые сведения "
                                           "о нём (категория, телефон, e-mail...) заполнятся сведениями второго, а "
                                           "второй будет удалён из картотеки."),
                            this);
    lblExplain->setWordWrap(true);
    auto *group = new QGroupBox(QStringLiteral("Оставить в картотеке"), this);
    auto *choices = new QVBoxLayout(group);
    rbFirst = new QRadioButton(described(first), group);
    rbSecond = new QRadioButton(described(second), group);
    rbFirst->setObjectName(QStringLiteral("rbFirst"));
    rbSecond->setObjectName(QStringLiteral("rbSecond"));
    rbFirst->setChecked(true);
    choices->addWidget(rbFirst);
    choices->addWidget(rbSecond);
    layout->addWidget(lblExplain);
    layout->addWidget(group);
    layout->addLayout(ui::okCancelRow(this, QStringLiteral("Объединить"), btnOk, btnCancel));
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    setMinimumWidth(460);
}

qint64 TReaderMergeForm::keptId() const { return rbFirst->isChecked() ? first_ : second_; }
qint64 TReaderMergeForm::mergedId() const { return rbFirst->isChecked() ? second_ : first_; }
