#include "FindDialog.h"

#include "Platform.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace ui {

FindDialog::FindDialog(QAbstractItemView *view) : QDialog(view), view_(view)
{
    setWindowTitle(QStringLiteral("Найти"));
    auto *form = new QFormLayout(this);
    text_ = new QLineEdit(this);
    caseSensitive_ = new QCheckBox(QStringLiteral("С учетом регистра"), this);
    form->addRow(QStringLiteral("&Образец:"), text_);
    form->addRow(QString(), caseSensitive_);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *next = buttons->addButton(QStringLiteral("Найти далее"), QDialogButtonBox::AcceptRole);
    next->setDefault(true);
    buttons->addButton(QStringLiteral("Закрыть"), QDialogButtonBox::RejectRole);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    connect(next, &QPushButton::clicked, this, [this] {
        if (!findNext(text_->text()))
            platform().messageBox(this, QStringLiteral("Образец «%1» не найден").arg(text_->text()),
                                  QStringLiteral("Найти"), MsgIcon::Information, Ok);
    });
}

FindDialog *FindDialog::showFor(QAbstractItemView *view)
{
    auto *dialog = view->findChild<FindDialog *>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog)
        dialog = new FindDialog(view);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    dialog->text_->setFocus();
    dialog->text_->selectAll();
    return dialog;
}

bool FindDialog::findNext(const QString &text)
{
    QAbstractItemModel *model = view_->model();
    if (!model || text.isEmpty())
        return false;
    const QModelIndex current = view_->currentIndex();
    const int column = current.isValid() ? current.column() : 0;
    const Qt::CaseSensitivity cs = caseSensitive_->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (int row = current.isValid() ? current.row() + 1 : 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, column);
        if (index.data().toString().contains(text, cs)) {
            view_->setCurrentIndex(index);
            view_->scrollTo(index);
            return true;
        }
    }
    return false;
}

} // namespace ui
