#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QString>
#include <QTest>
#include <QWidget>

// What AT-SPI's "set text contents" does: the whole text of a box replaced through its accessible
// interface (an editable drop-down's is that of its text child).
inline void setAsScreenReader(QWidget *box, const QString &text)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(box);
    for (int i = 0; iface && !iface->editableTextInterface() && i < iface->childCount(); ++i)
        if (iface->child(i)->editableTextInterface())
            iface = iface->child(i);
    QVERIFY(iface && iface->editableTextInterface());
    iface->editableTextInterface()->replaceText(0, iface->textInterface()->characterCount(), text);
}

// The input controls shown in a window that a screen reader would announce without a name.
inline bool isInputControl(QWidget *w)
{
    if (qobject_cast<QLineEdit *>(w))
        return !qobject_cast<QAbstractSpinBox *>(w->parentWidget()); // a spin box's own line is the box
    return qobject_cast<QPlainTextEdit *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QAbstractSpinBox *>(w) ||
           qobject_cast<QAbstractButton *>(w) || qobject_cast<QAbstractItemView *>(w);
}

inline QStringList unnamedControls(QWidget *window)
{
    QStringList unnamed;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!isInputControl(w) || w->window() != window || !w->isVisibleTo(window) || qobject_cast<QAbstractItemView *>(w->parentWidget()))
            continue;
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
        if (!iface || iface->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QString::fromLatin1(w->metaObject()->className()) + u' ' + w->objectName() + u'@' + window->objectName() + u'/' + w->parentWidget()->metaObject()->className();
    }
    return unnamed;
}
