#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace data {
class DataError;
}

namespace ui {

// The application's error box: the error's text, with a full stop added when it ends in a
// letter or digit, under the application title, with the error icon and an OK button.
QString applicationErrorText(const QString &message);
void showApplicationError(const QString &message, QWidget *owner = nullptr);

// An error of the layers below: for the common causes a Russian explanation comes first, then
// the engine's own text.
QString explainedErrorText(const data::DataError &error);
void showApplicationError(const data::DataError &error, QWidget *owner = nullptr);

// Runs an action whose store errors end it and are shown in the error box; false when it failed.
bool runGuarded(QWidget *owner, const std::function<void()> &action);
// The same, where the store may refuse with a reason of its own (a card number taken, a reader
// who still holds books): that reason is a warning under the window's caption, not an error.
bool runRefusable(QWidget *owner, const QString &caption, const std::function<void()> &action);

} // namespace ui
