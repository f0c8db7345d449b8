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

namespace {

// The librarian's words for an engine's refusal; empty where the layer's own text says it already.
QString explanation(data::ErrorKind kind)
{
    using data::ErrorKind;
    switch (kind) {
    case ErrorKind::Busy:
        return QStringLiteral("Каталог занят: его сейчас изменяет другая программа или другой компьютер. "
                              "Повторите действие немного позже.");
    case ErrorKind::ReadOnly:
        return QStringLiteral("Файл каталога или его папка доступны только для чтения: изменение сохранить нельзя.");
    case ErrorKind::DiskFull:
        return QStringLiteral("На диске не осталось места (на этом компьютере или на сервере базы данных). Освободите "
                              "место и повторите действие.");
    case ErrorKind::NotADatabase: return QStringLiteral("Файл не является каталогом программы или повреждён.");
    case ErrorKind::TooLong: return QStringLiteral("Текст слишком длинный для поля каталога на сервере: сократите его.");
    case ErrorKind::Duplicate:
        return QStringLiteral("Такое значение в каталоге уже есть, а повторяться оно не может (например, тот же номер "
                              "записи). Изменение не сохранено.");
    case ErrorKind::BadText:
        return QStringLiteral("В тексте есть знаки, которые поле каталога на сервере хранить не может (кодировка "
                              "таблицы не utf8mb4). Администратору сервера поможет сценарий upgrade_db.sql.");
    case ErrorKind::Deadlock:
        return QStringLiteral("Другой компьютер в тот же миг изменял те же записи; сервер отменил это действие, "
                              "чтобы не испортить данные. Повторите его.");
    case ErrorKind::AccessDenied:
        return QStringLiteral("Сервер базы данных не разрешает этого: неверное имя пользователя или пароль, либо у "
                              "учётной записи нет прав на это действие или на эту базу данных. Проверьте настройки "
                              "[MySQL] в library.ini или спросите администратора сервера.");
    case ErrorKind::NoDatabase:
        return QStringLiteral("На сервере нет базы данных каталога с таким названием. Проверьте название или "
                              "создайте базу в окне настройки подключения.");
    case ErrorKind::TooManyConnections:
        return QStringLiteral("К серверу базы данных подключено слишком много программ. Повторите попытку позже или "
                              "попросите администратора увеличить max_connections.");
    case ErrorKind::Constraint:
        return QStringLiteral("Изменение нарушает правило базы данных каталога (обязательное или допустимое "
                              "значение). Изменение не сохранено.");
    case ErrorKind::IoError:
        return QStringLiteral("Не удалось прочитать или записать файл каталога: диск или сетевая папка недоступны. "
                              "Проверьте их и повторите действие.");
    default: return {};
    }
}

} // namespace

QString explainedErrorText(const data::DataError &error)
{
    const QString why = explanation(error.kind());
    if (why.isEmpty())
        return error.message();
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

bool runRefusable(QWidget *owner, const QString &caption, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const data::DataError &e) {
        if (e.kind() == data::ErrorKind::Refused)
            platform().messageBox(owner, e.message(), caption, MsgIcon::Warning, Ok);
        else
            showApplicationError(e, owner);
        return false;
    }
}

} // namespace ui
