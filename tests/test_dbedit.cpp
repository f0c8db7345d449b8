// A bound edit box: showing the current record never changes the dataset; the user's typing
// puts it in edit state and sets the field, which moving to another record stores.
#include "DbEditBinder.h"
#include "RecordingPlatform.h"
#include "TempDb.h"
#include "data/dataset/Dataset.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QtTest>

namespace {
const char *const Books = R"(
CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT, annotation TEXT, year_p INTEGER);
INSERT INTO books VALUES (1, 'Война и мир', 'Роман-эпопея', 1869);
INSERT INTO books VALUES (2, 'Анна Каренина', NULL, 1877);
)";

void openBooks(data::Dataset &books)
{
    books.setSql(QStringLiteral("SELECT * FROM books"));
    books.open();
}

QString storedAnnotation(data::Connection &conn, int id)
{
    data::Dataset q(&conn);
    q.setSql(QStringLiteral("SELECT annotation FROM books WHERE id = ") + QString::number(id));
    q.open();
    return q.field(0).asString();
}
} // namespace

class DbEditTest : public QObject {
    Q_OBJECT
private slots:
    void showingARecordIsNotAChange()
    {
        TempDb db(QString::fromUtf8(Books));
        data::Dataset books(&db.conn);
        openBooks(books);
        QPlainTextEdit edit;
        new ui::DbEditBinder(&edit, &books, QStringLiteral("annotation"));
        QSignalSpy state(&books, &data::Dataset::stateChanged);
        QCOMPARE(edit.toPlainText(), QStringLiteral("Роман-эпопея"));
        books.next();
        QCOMPARE(edit.toPlainText(), QString());
        books.first();
        QCOMPARE(edit.toPlainText(), QStringLiteral("Роман-эпопея"));
        QCOMPARE(state.count(), 0);
        QCOMPARE(books.state(), data::DatasetState::Browse);
    }

    void typingEditsAndMovingStores()
    {
        TempDb db(QString::fromUtf8(Books));
        data::Dataset books(&db.conn);
        openBooks(books);
        QPlainTextEdit edit;
        new ui::DbEditBinder(&edit, &books, QStringLiteral("annotation"));
        QSignalSpy changed(&books, &data::Dataset::fieldChanged);
        edit.setPlainText(QStringLiteral("Роман-эпопея в четырёх томах"));
        QCOMPARE(books.state(), data::DatasetState::Edit);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(storedAnnotation(db.conn, 1), QStringLiteral("Роман-эпопея")); // not yet posted
        books.next();
        QCOMPARE(storedAnnotation(db.conn, 1), QStringLiteral("Роман-эпопея в четырёх томах"));
        QCOMPARE(books.state(), data::DatasetState::Browse);
    }

    void readOnlyDatasetMakesAReadOnlyBox()
    {
        TempDb db(QString::fromUtf8(Books));
        data::Dataset books(&db.conn);
        books.setReadOnly(true);
        openBooks(books);
        QLineEdit edit;
        auto *binder = new ui::DbEditBinder(&edit, &books, QStringLiteral("title"));
        binder->refresh();
        QVERIFY(edit.isReadOnly());
        QCOMPARE(edit.text(), QStringLiteral("Война и мир"));
    }

    // A value the field cannot take is refused with the store's message, and the box shows the
    // field's value again.
    void refusedValueIsShownAndUndone()
    {
        TempDb db(QString::fromUtf8(Books));
        data::Dataset books(&db.conn);
        openBooks(books);
        RecordingPlatform platform;
        ui::setPlatform(&platform);
        QLineEdit edit;
        new ui::DbEditBinder(&edit, &books, QStringLiteral("year_p"));
        QCOMPARE(edit.text(), QStringLiteral("1869"));
        edit.setText(QStringLiteral("18x9"));
        emit edit.textEdited(edit.text());
        ui::setPlatform(nullptr);
        QCOMPARE(platform.messageTexts(), QStringList{QStringLiteral("'18x9' is not a valid integer value.")});
        QCOMPARE(edit.text(), QStringLiteral("1869"));
    }
};

QTEST_MAIN(DbEditTest)
#include "test_dbedit.moc"
