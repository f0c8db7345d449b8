#include "ErrorBox.h"

#include "Platform.h"
#include "data/DataError.h"

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

bool runGuarded(QWidget *owner, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const data::DataError &e) {
        showApplicationError(e.message(), owner);
        return false;
    }
}

} // namespace ui
