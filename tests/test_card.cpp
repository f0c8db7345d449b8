// The record card as a librarian uses it: a new record on "Все" and on a kind's tab, the checks
// before saving, the page change that saves, the liter, the year, the drop-down lists, "ОК" and
// "Отмена" and the close box, the font steps reaching the card, and view mode.
#include "CardFixture.h"

#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QGroupBox>
#include <QToolButton>
#include <QTableView>
#include "IniFile.h"
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QtTest>

class CardTest : public QObject {
    Q_OBJECT
private slots:
    void newRecordDefaults_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("invNum");
        QTest::addColumn<QString>("kind");
        QTest::newRow("all") << 0 << QString() << QString();
        QTest::newRow("books") << 1 << QStringLiteral("8") << QStringLiteral("Книги");
    }
    void newRecordDefaults()
    {
        QFETCH(int, tab);
        QFETCH(QString, invNum);
        QFETCH(QString, kind);
        CardFixture f;
        f.addHolding(7, 1, QStringLiteral("Старая книга"));
        f.w->tcKinds->setCurrentIndex(tab);
        QString shownInv, shownKind, year, pages, addNum;
        QWidget *page = nullptr;
        f.onCard([&](TBookForm &c) {
            shownInv = c.InvNum->text();
            shownKind = c.cbItemKind->currentText();
            year = c.edYear->text();
            pages = c.edQuantity->text();
            addNum = c.AddNum->text();
            page = c.PageControl1->currentWidget();
        });
        f.w->miNewItem->trigger();
        QCOMPARE(shownInv, invNum);
        QCOMPARE(shownKind, kind);
        QCOMPARE(year, QString::number(QDate::currentDate().year()));
        QCOMPARE(pages, QStringLiteral("1"));
        QCOMPARE(addNum, QStringLiteral("0"));
        QCOMPARE(page, f.card().tshSummary);
        // Closed with the close box: the new record is dropped, nothing is left in insert state.
        QCOMPARE(f.books().state(), data::DatasetState::Browse);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books")), 1);
    }

    void okSavesNewRecordWithTitle()
    {
        CardFixture f;
        f.w->tcKinds->setCurrentIndex(2);
        f.onCard([](TBookForm &c) {
            typeInto(c.edTitle, QStringLiteral("Новый журнал"));
            typeInto(c.edAuthor, QStringLiteral("Редакция"));
            c.OkBtn->click();
        });
        f.w->miNewItem->trigger();
        QCOMPARE(f.platform.messages.size(), 0);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books WHERE title = 'Новый журнал' AND "
                                               "itemkind_id = 2 AND inv_num = 1 AND year_p > 2000 AND onloan = 0")),
                 1);
        QCOMPARE(f.w->sbStatusCount->text(), QStringLiteral("Кол-во записей: 1"));
        QVERIFY(!f.card().IsNewRecord);
    }

    // "ОК" asks only for the title (a title of blanks counts as filled); the page change asks for
    // the inventory number and the title, in that order, and saves when both are there.
    void requiredFields_data()
    {
        QTest::addColumn<QString>("inv");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("viaPage");
        QTest::addColumn<QString>("message");
        const QString fill = QStringLiteral("Заполните следующие поля: ");
        const QString titleMsg = QStringLiteral("Пожалуйста, заполните поле \"Название\"");
        QTest::newRow("ok, empty title, number filled") << "5" << "" << false << titleMsg;
        QTest::newRow("ok, blank title") << "5" << "   " << false << QString();
        QTest::newRow("ok, title only") << "" << "Т" << false << QString();
        QTest::newRow("page, both empty") << "" << "" << true << fill + QStringLiteral("Инв. №, Название");
        QTest::newRow("page, no number") << "" << "Т" << true << fill + QStringLiteral("Инв. №");
        QTest::newRow("page, no title") << "5" << "" << true << fill + QStringLiteral("Название");
        QTest::newRow("page, both filled") << "5" << "Т" << true << QString();
    }
    void requiredFields()
    {
        QFETCH(QString, inv);
        QFETCH(QString, title);
        QFETCH(bool, viaPage);
        QFETCH(QString, message);
        CardFixture f;
        QWidget *pageAfter = nullptr;
        f.onCard([&](TBookForm &c) {
            if (!inv.isEmpty())
                typeInto(c.InvNum, inv);
            if (!title.isEmpty())
                typeInto(c.edTitle, title);
            if (viaPage)
                c.PageControl1->tabBar()->setCurrentIndex(1);
            else
                c.OkBtnClick();
            pageAfter = c.PageControl1->currentWidget();
        });
        f.w->miNewItem->trigger();
        QCOMPARE(f.platform.messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        const bool saved = message.isEmpty();
        if (viaPage) {
            QCOMPARE(pageAfter, saved ? f.card().tshDetails : f.card().tshSummary);
            if (!saved)
                QCOMPARE(f.platform.messages[0].icon, ui::MsgIcon::Error);
        }
        // What the page change saved stays after the close box; a refused "ОК" saved nothing.
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM books")), saved ? 1 : 0);
        QCOMPARE(f.w->sbStatusCount->text(), QStringLiteral("Кол-во записей: %1").arg(saved ? 1 : 0));
    }

    void pageChangesFreelyOnSavedRecord()
    {
        CardFixture f;
        f.addHolding(3, 1, QStringLiteral("Книга"));
        QWidget *page = nullptr;
        f.onCard([&](TBookForm &c) {
            typeInto(c.edTitle, QString());
            c.PageControl1->setCurrentIndex(2);
            page = c.PageControl1->currentWidget();
        });
        f.w->N2->trigger();
        QCOMPARE(page, f.card().tshHistory);
        QVERIFY(f.platform.messages.isEmpty());
        QCOMPARE(f.stored(1, QStringLiteral("title")), QStringLiteral("Книга")); // closed: dropped
    }

    // A record without a liter takes the first letter of another kind chosen; one with a liter
    // keeps it, and choosing the kind it already has changes nothing.
    void literFollowsKind_data()
    {
        QTest::addColumn<QString>("liter");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("kind");
        QTest::newRow("no liter") << QString() << "Журналы" << "Ж" << "2";
        QTest::newRow("has liter") << "К" << "Журналы" << "К" << "2";
        QTest::newRow("same kind") << QString() << "Книги" << "<null>" << "1";
    }
    void literFollowsKind()
    {
        QFETCH(QString, liter);
        QFETCH(QString, chosen);
        QFETCH(QString, expected);
        QFETCH(QString, kind);
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        if (!liter.isEmpty())
            f.db().MyServer.runStatement(QStringLiteral("UPDATE books SET liter = ?"), {liter});
        f.books().refresh();
        f.onCard([&](TBookForm &c) {
            const int index = c.cbItemKind->findText(chosen);
            c.cbItemKind->setCurrentIndex(index);
            emit c.cbItemKind->activated(index);
            c.OkBtnClick();
        });
        f.w->N2->trigger();
        QCOMPARE(f.stored(id, QStringLiteral("liter")), expected);
        QCOMPARE(f.stored(id, QStringLiteral("itemkind_id")), kind);
        // A kind changed while the card is hidden never touches the liter.
        f.card().cbItemKind->setCurrentIndex(0);
        emit f.card().cbItemKind->activated(0);
        QCOMPARE(f.stored(id, QStringLiteral("liter")), expected);
    }

    void yearKeptWithinThisYear_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("future") << "2100" << QDate::currentDate().year();
        QTest::newRow("past") << "1869" << 1869;
    }
    void yearKeptWithinThisYear()
    {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        f.onCard([&](TBookForm &c) {
            typeAndLeave(c.edYear, typed);
            c.OkBtnClick();
        });
        f.w->N2->trigger();
        QCOMPARE(f.stored(id, QStringLiteral("year_p")), QString::number(stored));
    }

    void priceWithCommaOrPoint_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("comma") << "12,5";
        QTest::newRow("point") << "12.5";
    }
    void priceWithCommaOrPoint()
    {
        QFETCH(QString, typed);
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        f.onCard([&](TBookForm &c) {
            typeAndLeave(c.edPrice, typed);
            c.OkBtnClick();
        });
        f.w->N2->trigger();
        QCOMPARE(f.stored(id, QStringLiteral("price")), QStringLiteral("12.5"));
    }

    // An existing record's card shows the initial places until a new-record card has been opened.
    void valueListsAfterNewRecordCard()
    {
        CardFixture f;
        f.addHolding(3, 1, QStringLiteral("Книга"));
        f.db().MyServer.runStatement(QStringLiteral("UPDATE books SET location = 'Омск', publisher = 'Наука'"));
        f.books().refresh();
        QStringList places;
        f.onCard([&](TBookForm &c) {
            places.clear();
            for (int i = 0; i < c.edLocation->count(); ++i)
                places << c.edLocation->itemText(i);
        });
        f.w->N2->trigger();
        QCOMPARE(places, (QStringList{QStringLiteral("Москва"), QStringLiteral("Санкт-Петербург"),
                                      QStringLiteral("Екатеринбург"), QStringLiteral("Пермь")}));
        QCOMPARE(f.card().edSource->count(), 5);
        f.w->miNewItem->trigger();
        f.w->N2->trigger();
        QCOMPARE(places, QStringList{QStringLiteral("Омск")});
        QCOMPARE(f.card().edPublisher->itemText(0), QStringLiteral("Наука"));
    }

    void okWithoutChangesSavesNothing()
    {
        CardFixture f;
        f.addHolding(3, 1, QStringLiteral("Книга"));
        int result = -1;
        f.onCard([&](TBookForm &c) { c.OkBtnClick(); result = c.result(); });
        QSignalSpy rows(&f.books(), &data::Dataset::rowUpdated);
        f.w->N2->trigger();
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(rows.count(), 0);
    }

    // Esc, "Отмена" and the close box drop the changes alike and leave nothing in edit state.
    void cancelWays_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Отмена") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("close box") << 2;
    }
    void cancelWays()
    {
        QFETCH(int, way);
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        f.onCard([&](TBookForm &c) {
            typeInto(c.edTitle, QStringLiteral("Другое"));
            if (way == 0)
                c.CancelBtn->click();
            else if (way == 1)
                QTest::keyClick(&c, Qt::Key_Escape);
            else
                c.close();
        });
        f.w->N2->trigger();
        QCOMPARE(f.books().state(), data::DatasetState::Browse);
        QCOMPARE(f.books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Книга"));
        f.books().next();
        QCOMPARE(f.stored(id, QStringLiteral("title")), QStringLiteral("Книга"));
    }

    void gridOpensCardByEnterAndDoubleClick()
    {
        CardFixture f;
        f.addHolding(3, 1, QStringLiteral("Книга"));
        f.onCard([](TBookForm &) {});
        QVERIFY(f.w->N2->isEnabled());
        f.w->MainGridKeyPress(QChar(13));
        f.w->MainGridDblClick();
        QCOMPARE(f.platform.modalDialogs, (QStringList{QStringLiteral("BookForm"), QStringLiteral("BookForm")}));
    }

    // The card follows the catalogue's font up to 11 points and keeps 11 above.
    void fontStepsReachCard()
    {
        CardFixture f;
        f.w->miFontLarger->trigger(); // 11
        QCOMPARE(f.card().font().pointSize(), 11);
        f.w->miFontLarger->trigger(); // 12
        QCOMPARE(f.card().font().pointSize(), 11);
        f.w->miFontSmaller->trigger(); // 11
        f.w->miFontSmaller->trigger(); // 10
        QCOMPARE(f.card().font().pointSize(), 10);
        f.onCard([](TBookForm &) {});
        f.w->N2->trigger();
        f.w->close();
        const QSize outer = f.card().frameGeometry().size();
        store::IniFile ini(f.path(QStringLiteral("library.ini")));
        QCOMPARE(ini.readInteger(QStringLiteral("General"), QStringLiteral("CardWidth"), 0), outer.width());
        QCOMPARE(ini.readInteger(QStringLiteral("General"), QStringLiteral("CardHeight"), 0), outer.height());
    }

    // A line break typed into a multi-line box is stored as CR LF; shown again, the text is two
    // lines and "ОК" finds nothing changed.
    void lineBreaksStoredAsCrLf_data()
    {
        QTest::addColumn<QString>("column");
        QTest::newRow("title") << QStringLiteral("title");
        QTest::newRow("notes") << QStringLiteral("notes");
        QTest::newRow("annotation") << QStringLiteral("annotation");
    }
    void lineBreaksStoredAsCrLf()
    {
        QFETCH(QString, column);
        CardFixture f;
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        const auto box = [&](TBookForm &c) {
            return column == u"title" ? c.edTitle : column == u"notes" ? c.edNotes : c.edAnnotation;
        };
        f.onCard([&](TBookForm &c) {
            typeInto(box(c), QStringLiteral("Первая\nВторая"));
            c.OkBtnClick();
        });
        f.w->N2->trigger();
        QCOMPARE(f.stored(id, column), QStringLiteral("Первая\r\nВторая"));
        int lines = 0;
        bool changed = true;
        f.onCard([&](TBookForm &c) {
            lines = box(c)->document()->blockCount();
            changed = f.books().state() != data::DatasetState::Browse;
            c.OkBtnClick();
        });
        f.w->N2->trigger();
        QCOMPARE(lines, 2);
        QVERIFY(!changed);
    }

    void viewModeOnlyShows()
    {
        CardFixture f(false);
        const qint64 id = f.addHolding(3, 1, QStringLiteral("Книга"));
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO keywords (keyword, book_id) VALUES ('история', ?)"), {id});
        bool readOnly = false;
        f.onCard([&](TBookForm &c) {
            c.PageControl1->setCurrentWidget(c.tshDetails);
            readOnly = c.edKeywords->isReadOnly();
            typeInto(c.edKeywords, QStringLiteral("архив")); // as a screen reader could
            c.edKeywordsExit();
        });
        f.w->N2->trigger();
        QVERIFY(readOnly);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM keywords WHERE keyword = 'история'")), 1);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM keywords")), 1);
        QVERIFY(store::process().ViewOnly);
        QVERIFY(!f.card().OkBtn->isEnabled());
        QVERIFY(!f.card().GroupBox1->isEnabled());
        QVERIFY(!f.card().SpeedButton1->isEnabled());
        QCOMPARE(f.card().DBGridEh1->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(f.db().myOrders.readOnly());
        QVERIFY(!f.w->miNewItem->isEnabled());
    }
};

QTEST_MAIN(CardTest)
#include "test_card.moc"
