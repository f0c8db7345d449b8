#include "ErrorBox.h"

#include "Platform.h"

#include <QApplication>

namespace ui {

QString applicationErrorText(const QString &message)
{
    if (!message.isEmpty() && message.back().isLetterOrNumber())
        return message + u'.';
    return message;
}

void showApplicationError(const QString &message, QWidget *owner)
{
    platform().messageBox(owner, applicationErrorText(message), QApplication::applicationName(), MsgIcon::Error, Ok);
}

} // namespace ui
