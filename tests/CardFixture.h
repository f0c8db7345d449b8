#pragma once

#include "BookFormUnit.h"
#include "CatFormUnit.h"
#include "WindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QAbstractSpinBox>
#include <QTabWidget>
#include <QTest>

// The program in edit mode on a new catalogue (four item kinds) holding a few records, with
// the card run through the recording platform: each test says what the librarian does on it.
struct CardFixture : WindowFixture {
    TMainForm *w = nullptr;

    explicit CardFixture(bool editMode = true)
    {
        w = editMode ? &startInEditMode() : &start();
    }

    TBookForm &card() { return *program.BookForm; }
    data::Dataset &books() { return db().MyBooks; }

    // Adds a holding as if typed in earlier; returns its id.
    qint64 addHolding(int inv, int kind, const QString &title, const QVariant &rubric = {}, const QVariant &file = {})
    {
        db().MyServer.runStatement(
            QStringLiteral("INSERT INTO books (inv_num, itemkind_id, title, author, rubric, file, onloan, add_num) "
                           "VALUES (?, ?, ?, 'Автор А.', ?, ?, 0, '0')"),
            {inv, kind, title, rubric, file});
        const qint64 id = db().MyServer.lastInsertRowId();
        books().refresh();
        return id;
    }

    void goTo(qint64 id) { QVERIFY(books().moveToValue(QStringLiteral("id"), id)); }

    // The next modal card runs `act` on the shown card; the card's result is what closes it.
    void onCard(const std::function<void(TBookForm &)> &act)
    {
        platform.onModal = [act](QDialog &dialog) {
            auto *card = qobject_cast<TBookForm *>(&dialog);
            if (card)
                act(*card);
            if (dialog.isVisible())
                dialog.reject(); // left open by the test: closed as the close box would
            return dialog.result();
        };
    }

    QString stored(qint64 id, const QString &column)
    {
        data::Dataset q(&db().MyServer);
        q.setSql(QStringLiteral("SELECT %1 || '' FROM books WHERE id = %2").arg(column).arg(id));
        q.open();
        return q.isEmpty() ? QStringLiteral("<none>") : q.field(0).isNull() ? QStringLiteral("<null>") : q.field(0).asString();
    }
};

// Types into a bound box as the librarian does.
inline void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    emit edit->textEdited(text);
}
inline void typeInto(QPlainTextEdit *edit, const QString &text)
{
    edit->selectAll();
    edit->insertPlainText(text);
}
inline void typeInto(QComboBox *box, const QString &text)
{
    box->setCurrentText(text);
    emit box->lineEdit()->textEdited(text);
}

// Types into a number box and leaves it, which is when the box takes what was typed.
inline void typeAndLeave(QAbstractSpinBox *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, text);
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &leave);
}
