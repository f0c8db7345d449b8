#pragma once

#include <QDialog>
#include <QFont>

namespace ui {

// The program's dialogs are drawn in Tahoma 8 pt.
inline void useDialogFont(QWidget *widget) { widget->setFont(QFont(QStringLiteral("Tahoma"), 8)); }

// A dialog with a fixed frame: a title and a close box, no resizing, in the dialogs' font.
inline void useFixedDialogFrame(QDialog *dialog)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    useDialogFont(dialog);
}

} // namespace ui
