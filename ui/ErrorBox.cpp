#include "ErrorBox.h"

#include <QApplication>
#include <QMessageBox>

namespace ui {

QString applicationErrorText(const QString &message)
{
    if (!message.isEmpty() && message.back().isLetterOrNumber())
        return message + u'.';
    return message;
}

void showApplicationError(const QString &message, QWidget *owner)
{
    QMessageBox::critical(owner, QApplication::applicationName(), applicationErrorText(message));
}

} // namespace ui
