#pragma once

#include <QDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QPushButton>
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

// The confirming button (the default one, "btnOk") and "Отмена" ("btnCancel"), at the right.
inline QHBoxLayout *okCancelRow(QDialog *dialog, const QString &okCaption, QPushButton *&ok, QPushButton *&cancel)
{
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    ok = new QPushButton(okCaption, dialog);
    ok->setObjectName(QStringLiteral("btnOk"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Отмена"), dialog);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    row->addWidget(ok);
    row->addWidget(cancel);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return row;
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
