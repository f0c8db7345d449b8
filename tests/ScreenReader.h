#pragma once

#include <QAccessible>
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
