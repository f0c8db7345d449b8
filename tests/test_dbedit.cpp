// A bound edit box: showing the current record never changes the dataset; the user's typing
// (or a screen reader's text) puts it in edit state and sets the field, which moving to another
// record stores.
#include "DbEditBinder.h"
#include "RecordingPlatform.h"
#include "ScreenReader.h"
#include "TempDb.h"
#include "data/dataset/Dataset.h"

#include <QAccessible>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QSignalSpy>
#include <QStyleOptionComboBox>
#include <QTableView>
#include <QtTest>

namespace {
const char *const Books = R"(
CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT, annotation TEXT, year_p INTEGER, date_reg DATE);
INSERT INTO books VALUES (1, 'Война и мир', 'Роман-эпопея', 1869, NULL);
INSERT INTO books VALUES (2, 'Анна Каренина', NULL, 1877, NULL);
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

// The arrow of a date box with a calendar, where a click opens the calendar.
QPoint calendarArrow(QDateEdit &box)
{
    QStyleOptionComboBox option;
    option.initFrom(&box);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    return box.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, &box).center();
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

    // Refilling a drop-down's list and showing the field are not the librarian's changes; in a
    // read-only dataset a screen reader's text is not one either: the box shows the field again.
    void changesNotTheLibrariansAreNotTaken_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("edit mode") << false;
        QTest::newRow("view mode") << true;
    }
    void changesNotTheLibrariansAreNotTaken()
    {
        QFETCH(bool, readOnly);
        TempDb db(QString::fromUtf8(Books));
        data::Dataset books(&db.conn);
        books.setReadOnly(readOnly);
        openBooks(books);
        RecordingPlatform platform;
        ui::setPlatform(&platform);
        QComboBox box;
        box.setEditable(true);
        box.addItems({QStringLiteral("Анна Каренина"), QStringLiteral("Воскресение")});
        new ui::DbEditBinder(&box, &books, QStringLiteral("title"));
        QSignalSpy state(&books, &data::Dataset::stateChanged);
        box.clear();
        box.addItems({QStringLiteral("Детство"), QStringLiteral("Отрочество")});
        books.next();
        books.first();
        if (readOnly)
            setAsScreenReader(&box, QStringLiteral("Юность"));
        ui::setPlatform(nullptr);
        QCOMPARE(state.count(), 0);
        QCOMPARE(box.currentText(), QStringLiteral("Война и мир"));
        QCOMPARE(platform.messages.size(), 0);
    }

    // An empty date box opens its calendar at today and stays empty until a date is chosen.
    void emptyDateCalendarOpensAtToday()
    {
        TempDb db(QString::fromUtf8(Books));
        data::Dataset books(&db.conn);
        openBooks(books);
        QDateEdit box;
        box.setCalendarPopup(true);
        box.setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        new ui::DbEditBinder(&box, &books, QStringLiteral("date_reg"));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCalendarWidget *calendar = box.calendarWidget();
        QTest::mouseClick(&box, Qt::LeftButton, {}, calendarArrow(box));
        QTRY_VERIFY(calendar->isVisible());
        const QDate today = QDate::currentDate();
        QCOMPARE(calendar->yearShown(), today.year());
        QCOMPARE(calendar->monthShown(), today.month());
        calendar->window()->close(); // clicked away: nothing chosen
        QCOMPARE(box.text().trimmed(), QString());
        QCOMPARE(books.state(), data::DatasetState::Browse);
        QTest::mouseClick(&box, Qt::LeftButton, {}, calendarArrow(box));
        QTRY_VERIFY(calendar->isVisible());
        QTest::keyClick(calendar->findChild<QTableView *>(), Qt::Key_Return); // the day shown chosen
        QCOMPARE(books.fieldByName(QStringLiteral("date_reg")).asDate(), today);
    }

    // Text the field cannot take is refused with the store's message; text the box's validator
    // refuses (set from outside the keyboard) is not taken at all. The box shows the field again.
    void refusedTextIsUndone_data()
    {
        QTest::addColumn<bool>("validated");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("refused by the field") << false << QStringList{QStringLiteral("'18x9' is not a valid integer value.")};
        QTest::newRow("refused by the validator") << true << QStringList{};
    }
    void refusedTextIsUndone()
    {
        QFETCH(bool, validated);
        QFETCH(QStringList, messages);
        TempDb db(QString::fromUtf8(Books));
        data::Dataset books(&db.conn);
        openBooks(books);
        RecordingPlatform platform;
        ui::setPlatform(&platform);
        QLineEdit edit;
        if (validated)
            edit.setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,9}")), &edit));
        new ui::DbEditBinder(&edit, &books, QStringLiteral("year_p"));
        QCOMPARE(edit.text(), QStringLiteral("1869"));
        setAsScreenReader(&edit, QStringLiteral("18x9"));
        ui::setPlatform(nullptr);
        QCOMPARE(platform.messageTexts(), messages);
        QCOMPARE(edit.text(), QStringLiteral("1869"));
        QCOMPARE(books.fieldByName(QStringLiteral("year_p")).asInteger(), 1869);
    }
};

QTEST_MAIN(DbEditTest)
#include "test_dbedit.moc"
