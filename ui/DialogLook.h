#pragma once

#include <QDialog>
#include <QFont>
#include <QLabel>

namespace ui {

// The program's dialogs are drawn in Tahoma 8 pt.
inline void useDialogFont(QWidget *widget) { widget->setFont(QFont(QStringLiteral("Tahoma"), 8)); }

// A dialog with a fixed frame: a title and a close box, no resizing, in the dialogs' font.
inline void useFixedDialogFrame(QDialog *dialog)
{
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    useDialogFont(dialog);
}

// A caption for a box, its buddy (Alt and the underlined letter go to the box), which also names the
// box for screen readers.
inline QLabel *buddyLabel(const QString &caption, QWidget *box)
{
    auto *label = new QLabel(caption);
    label->setBuddy(box);
    box->setAccessibleName(QString(caption).remove(u'&'));
    return label;
}

} // namespace ui
