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

QString explainedErrorText(const data::DataError &error)
{
    QString why;
    switch (error.kind()) {
    case data::ErrorKind::Busy:
        why = QStringLiteral("Каталог занят: его сейчас изменяет другая программа или другой компьютер. "
                             "Повторите действие немного позже.");
        break;
    case data::ErrorKind::ReadOnly:
        why = QStringLiteral("Файл каталога или его папка доступны только для чтения: изменение сохранить нельзя.");
        break;
    case data::ErrorKind::DiskFull: why = QStringLiteral("На диске не осталось места."); break;
    case data::ErrorKind::NotADatabase:
        why = QStringLiteral("Файл не является каталогом программы или повреждён.");
        break;
    case data::ErrorKind::TooLong:
        why = QStringLiteral("Текст слишком длинный для поля каталога на сервере: сократите его.");
        break;
    default: return error.message(); // the layer's own texts say it already
    }
    return why + QStringLiteral("\n\n") + error.message();
}

void showApplicationError(const data::DataError &error, QWidget *owner)
{
    showApplicationError(explainedErrorText(error), owner);
}

bool runGuarded(QWidget *owner, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const data::DataError &e) {
        showApplicationError(e, owner);
        return false;
    }
}

} // namespace ui
