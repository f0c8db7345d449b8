#pragma once

class QCoreApplication;

namespace ui {

// Qt's own texts in Russian: the buttons of message boxes, the file dialogs, the print preview.
// The interface is Russian whatever the desktop's language. False when the translations are not
// installed (qt6-translations-l10n); Qt's English texts then stay.
bool installQtTranslations(QCoreApplication &app);

} // namespace ui
