#pragma once

// The program on a new catalogue holding the six loans of CirculationCases.h and the readers of
// DeskCases.h, the holdings' loan fields made from their open loans, in edit or view mode.
#include "CardFixture.h"
#include "DeskCases.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QListWidget>

struct DeskFixture : CardFixture {
    explicit DeskFixture(bool editMode = true) : CardFixture(editMode)
    {
        data::Connection &c = db().MyServer;
        c.runStatement(circulation::Loans);
        c.runStatement(deskcases::Desk);
        const QString open = QStringLiteral("FROM orders o WHERE o.book_id = books.id AND o.date_in IS NULL ORDER BY o.id LIMIT 1");
        c.runStatement(QStringLiteral("UPDATE books SET onloan = 1, loaner = (SELECT o.loaner %1), date_out = (SELECT o.date_out %1)"
                                      " WHERE id IN (SELECT book_id FROM orders WHERE date_in IS NULL)").arg(open));
        c.runStatement(QStringLiteral("UPDATE readers SET phone = '+7 343 555-01-02', email = 'ivanova@example.ru' WHERE id = 1"));
        books().refresh();
    }

    // The catalogue grid's "Кому выдано" of a holding, as the main window shows it.
    QString shownLoaner(qint64 bookId)
    {
        data::Dataset &b = books();
        const int column = b.fieldIndex(QStringLiteral("loaner"));
        for (int row = 0; row < b.recordCount(); ++row)
            if (b.valueAt(row, 0).toLongLong() == bookId)
                return b.textAt(row, column);
        return QStringLiteral("<not shown>");
    }
};

// Every text a model shows, row by row: what a person or a screen reader could read off it.
inline QStringList shownTexts(const QAbstractItemModel &model)
{
    QStringList rows;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.index(r, c).data().toString();
        rows << cells.join(u'|');
    }
    return rows;
}

// Types as a keyboard does, a key at a time; a Russian letter comes as its text, as the Russian
// layout gives it.
inline void typeKeys(QWidget *w, const QString &text, int delayMs = -1)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(w, char(c.unicode()), Qt::NoModifier, delayMs);
        else
            QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier, delayMs);
    }
}

inline QStringList listTexts(const QListWidget *list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}
