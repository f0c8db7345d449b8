// Lending and returning holdings: from the grid's "Выдать"/"Вернуть" and on the card's loan
// sheet, with the holding's copy of its open loan kept right.
#include "CardFixture.h"

#include <QDateEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

const QString Today = QDate::currentDate().toString(Qt::ISODate);

void addLoan(CardFixture &f, qint64 book, const char *loaner, const char *out, const QVariant &in = {})
{
    f.db().MyServer.runStatement(QStringLiteral("INSERT INTO orders (book_id, loaner, date_out, date_in) VALUES (?, ?, ?, ?)"),
                                 {book, QString::fromUtf8(loaner), QString::fromLatin1(out), in});
}

void markLent(CardFixture &f, qint64 book, const char *loaner, const char *out)
{
    f.db().MyServer.runStatement(QStringLiteral("UPDATE books SET onloan = 1, loaner = ?, date_out = ? WHERE id = ?"),
                                 {QString::fromUtf8(loaner), QString::fromLatin1(out), book});
    f.books().refresh();
}

QString mirror(CardFixture &f, qint64 id)
{
    return f.stored(id, QStringLiteral("onloan")) + u'|' + f.stored(id, QStringLiteral("loaner")) + u'|' +
           f.stored(id, QStringLiteral("date_out"));
}

} // namespace

class LoansTest : public QObject {
    Q_OBJECT
private slots:
    void lendAsksForReaderThenSaves()
    {
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        f.w->MainGridContextPopup();
        QCOMPARE(f.w->N8->text(), QStringLiteral("Выдать"));
        QWidget *page = nullptr;
        QString dateOut, reader;
        int closed = -1;
        f.onCard([&](TBookForm &c) {
            page = c.PageControl1->currentWidget();
            dateOut = c.DateOut->date().toString(Qt::ISODate);
            reader = c.edLoaner->currentText();
            c.OkBtnClick(); // no reader yet
            typeInto(c.edLoaner, QStringLiteral("Иванова А."));
            c.OkBtnClick();
            closed = c.result();
        });
        f.platform.messageAnswers = {ui::Ok, ui::No}; // not to be registered now
        f.w->N8->trigger();
        QCOMPARE(page, f.card().tshHistory);
        QCOMPARE(dateOut, Today);
        QCOMPARE(reader, QString());
        QCOMPARE(f.platform.messageTexts().value(0), QStringLiteral("Не заполнено поле \"Кому выдано\""));
        QVERIFY(f.platform.messageTexts().value(1).startsWith(QStringLiteral("Читателя «Иванова А.» нет в картотеке")));
        QCOMPARE(f.platform.messageTexts().size(), 2);
        QCOMPARE(f.platform.messages[0].caption, QStringLiteral("Не заполнены обязательные поля"));
        QCOMPARE(closed, int(QDialog::Accepted));
        QCOMPARE(mirror(f, id), QStringLiteral("1|Иванова А.|") + Today);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM orders WHERE date_in IS NULL AND book_id = %1").arg(id)), 1);
        f.w->MainGridContextPopup();
        QCOMPARE(f.w->N8->text(), QStringLiteral("Вернуть"));
    }

    // "Стоимость" takes digits alone: stray keys are ignored, and no error box appears.
    void costTakesDigitsOnly()
    {
        CardFixture f;
        f.addHolding(3, 1, QStringLiteral("Книга"));
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO readers (card_number, full_name, name_key) VALUES"
                                                    " ('1', 'Иванова А.', 'иванова а.')"));
        QString shown;
        f.onCard([&](TBookForm &c) {
            typeInto(c.edLoaner, QStringLiteral("Иванова А."));
            QTest::keyClicks(c.DBEditEh3, QStringLiteral("12.5x"));
            shown = c.DBEditEh3->text();
            c.OkBtnClick();
        });
        f.w->N8->trigger();
        QCOMPARE(shown, QStringLiteral("125"));
        QCOMPARE(f.platform.messageTexts(), QStringList{});
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT cost FROM orders")), 125);
    }

    void cancelledLendLeavesNothing()
    {
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        f.onCard([](TBookForm &c) {
            typeInto(c.edLoaner, QStringLiteral("Иванова А."));
            c.CancelBtn->click();
        });
        f.w->N8->trigger();
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM orders")), 0);
        QCOMPARE(mirror(f, id), QStringLiteral("0|<null>|<null>"));
        QCOMPARE(f.db().myOrders.state(), data::DatasetState::Browse);
    }

    // "Вернуть" closes the first open loan; a second open loan keeps the holding lent to its reader.
    void returnFromGrid_data()
    {
        QTest::addColumn<bool>("secondOpen");
        QTest::addColumn<QString>("mirrored");
        QTest::newRow("one open loan") << false << QStringLiteral("0||<null>");
        QTest::newRow("two open loans") << true << QStringLiteral("1|Петров П.|2024-04-15");
    }
    void returnFromGrid()
    {
        QFETCH(bool, secondOpen);
        QFETCH(QString, mirrored);
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        addLoan(f, id, "Сидоров С.", "2023-01-10", QStringLiteral("2023-02-01"));
        addLoan(f, id, "Иванова А.", "2024-03-01");
        if (secondOpen)
            addLoan(f, id, "Петров П.", "2024-04-15");
        markLent(f, id, "Иванова А.", "2024-03-01");
        f.w->N8->trigger();
        QVERIFY(f.platform.modalDialogs.isEmpty());
        QVERIFY(f.platform.messages.isEmpty());
        QCOMPARE(mirror(f, id), mirrored);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM orders")), secondOpen ? 3 : 2);
        QCOMPARE(f.db().MyServer.handle() != nullptr, true);
        data::Dataset q(&f.db().MyServer);
        q.setSql(QStringLiteral("SELECT date_in FROM orders WHERE loaner = 'Иванова А.'"));
        q.open();
        QCOMPARE(q.field(0).asVariant().toDate().toString(Qt::ISODate), Today);
    }

    // A return date entered on the sheet, then taken away again, with "ОК" each time.
    void returnDateOnSheet()
    {
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        addLoan(f, id, "Иванова А.", "2024-03-01");
        markLent(f, id, "Иванова А.", "2024-03-01");
        f.onCard([](TBookForm &c) {
            c.choosePage(c.tshHistory);
            c.DBDateTimeEditEh1->setDate(QDate(2024, 3, 20));
            c.OkBtnClick();
        });
        f.w->N2->trigger();
        QCOMPARE(mirror(f, id), QStringLiteral("0||<null>"));
        f.onCard([](TBookForm &c) {
            c.choosePage(c.tshHistory);
            c.DBDateTimeEditEh1->setDate(c.DBDateTimeEditEh1->minimumDate());
            c.OkBtnClick();
        });
        f.w->N2->trigger();
        QCOMPARE(mirror(f, id), QStringLiteral("1|Иванова А.|2024-03-01"));
    }

    // At most 50 readers when the card opens; all of them once the request kind has been left.
    void readerLists()
    {
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        for (int i = 0; i < 60; ++i)
            addLoan(f, id, QStringLiteral("Читатель %1").arg(i, 2, 10, QChar(u'0')).toUtf8().constData(), "2024-01-01",
                    QStringLiteral("2024-01-02"));
        int atOpen = 0, afterLeaving = 0;
        f.onCard([&](TBookForm &c) {
            atOpen = c.edLoaner->count();
            c.DBComboBoxEh1Exit();
            afterLeaving = c.edLoaner->count();
        });
        f.w->N2->trigger();
        QCOMPARE(atOpen, 50);
        QCOMPARE(afterLeaving, 60);
    }

    void newLoanOnCardHistory()
    {
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        int rows = 0;
        f.onCard([&](TBookForm &c) {
            c.PageControl1->setCurrentWidget(c.tshHistory);
            c.Button3->click();
            typeInto(c.edLoaner, QStringLiteral("Петров П."));
            c.DBComboBoxEh1->setCurrentIndex(3);
            emit c.DBComboBoxEh1->activated(3);
            rows = c.loanModel->rowCount();
            c.OkBtnClick();
        });
        f.w->N2->trigger();
        QCOMPARE(rows, 1);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT status FROM orders WHERE loaner = 'Петров П.'")), 3);
        QCOMPARE(mirror(f, id), QStringLiteral("1|Петров П.|") + Today);
    }

    // A new loan made on the card of a holding with two open loans: the first of them is mirrored.
    void twoOpenLoansMirrorTheFirst()
    {
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        addLoan(f, id, "Иванова А.", "2024-03-01");
        addLoan(f, id, "Петров П.", "2024-04-15");
        f.onCard([](TBookForm &c) {
            c.PageControl1->setCurrentWidget(c.tshHistory);
            c.Button3Click();
            c.Button3Click(); // a second press starts nothing: the first row is not saved unchecked
            typeInto(c.edLoaner, QStringLiteral("Сидоров С."));
            c.OkBtnClick();
        });
        f.w->N2->trigger();
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM orders")), 3);
        QCOMPARE(mirror(f, id), QStringLiteral("1|Иванова А.|2024-03-01"));
    }

    // Loans changed in the grid itself are mirrored by "ОК" as well; an editor left unchanged
    // changes nothing, and an empty return date is not filled in by leaving it.
    void gridEditsAreMirrored()
    {
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        addLoan(f, id, "Иванова А.", "2024-03-01");
        markLent(f, id, "Иванова А.", "2024-03-01");
        QVariant shownForEditing;
        f.onCard([&](TBookForm &c) {
            c.PageControl1->setCurrentWidget(c.tshHistory);
            const QModelIndex returned = c.loanModel->index(0, 2);
            shownForEditing = returned.data(Qt::EditRole);
            QVERIFY(c.loanModel->setData(returned, QString(), Qt::EditRole));
            QCOMPARE(f.db().myOrders.state(), data::DatasetState::Browse);
            c.DBGridEh1->setCurrentIndex(returned);
            QTest::keyClick(c.DBGridEh1, Qt::Key_Delete, Qt::ControlModifier); // answered Yes
            c.OkBtnClick();
        });
        f.w->N2->trigger();
        QVERIFY(shownForEditing.isNull());
        QCOMPARE(f.platform.messageTexts(), QStringList{QStringLiteral("Удалить запись?")});
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM orders")), 0);
        QCOMPARE(mirror(f, id), QStringLiteral("0||<null>"));
    }

    void viewModeLoanGridTakesNoEdit()
    {
        CardFixture f(false);
        f.w->MainGridContextPopup();
        QVERIFY(!f.w->N8->isEnabled());
        QVERIFY_THROWS_EXCEPTION(data::DataError, f.db().myOrders.append());
    }
};

QTEST_MAIN(LoansTest)
#include "test_loans.moc"
