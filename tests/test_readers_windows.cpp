// "Читатели", the reader's card, "Объединить...", "Читатели из выдач" and the loan sheet's
// "Кому" as the librarian meets them, in edit mode and in view mode.
#include "DeskFixture.h"
#include "ScreenReader.h"

#include "LoanReadersForm.h"
#include "ReaderCardForm.h"
#include "ReaderCompleter.h"
#include "ReaderListModel.h"
#include "ReaderMergeForm.h"
#include "ReadersForm.h"
#include "SheetPrintForm.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTreeWidget>
#include <QtTest>

namespace {

TReadersForm &openReaders(DeskFixture &f)
{
    f.w->miReaders->trigger();
    return *f.w->readersForm;
}

QStringList names(const TReadersForm &r)
{
    QStringList shown;
    for (int row = 0; row < r.readers->rowCount(); ++row)
        shown << r.readers->readerAt(row)->name;
    return shown;
}

// The next modal dialog of this kind is filled in by `fill`, which returns what closes it.
template <typename Form>
void onModal(DeskFixture &f, const std::function<int(Form &)> &fill)
{
    f.platform.onModal = [fill](QDialog &dialog) {
        auto *form = qobject_cast<Form *>(&dialog);
        return form ? fill(*form) : int(QDialog::Rejected);
    };
}

} // namespace

class ReadersWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void searchAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("found");
        QTest::addColumn<QStringList>("foundInViewMode");
        QTest::newRow("all") << "" << QStringList{"Иванова", "Петров", "Сидорова", "Шестакова"}
                             << QStringList{"Иванова", "Петров", "Сидорова", "Шестакова"};
        QTest::newRow("part of a name, any case") << "иВАН" << QStringList{"Иванова"} << QStringList{"Иванова"};
        QTest::newRow("card number") << "1002" << QStringList{"Петров"} << QStringList{"Петров"};
        QTest::newRow("phone") << "555-01" << QStringList{"Иванова"} << QStringList{};
        QTest::newRow("e-mail") << "IVANOVA@" << QStringList{"Иванова"} << QStringList{};
        QTest::newRow("nobody") << "Кузнецов" << QStringList{} << QStringList{};
    }
    void searchAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, found);
        QFETCH(QStringList, foundInViewMode);
        for (const bool edit : {true, false}) {
            DeskFixture f(edit);
            TReadersForm &r = openReaders(f);
            QAbstractItemModelTester tester(r.readers, QAbstractItemModelTester::FailureReportingMode::QtTest);
            typeKeys(r.edSearch, typed);
            QTRY_COMPARE(names(r), edit ? found : foundInViewMode);
            QCOMPARE(r.lblCount->text(), QStringLiteral("Найдено: %1").arg(names(r).size()));
            QCOMPARE(shownTexts(*r.readers).join(u' ').contains(QStringLiteral("555-01-02")), edit && !names(r).isEmpty() &&
                                                                                               names(r).first() == "Иванова");
        }
    }

    // A new reader, then her name changed: her loans and the catalogue's rows of her holdings follow.
    void newAndRenamedReaders()
    {
        DeskFixture f;
        TReadersForm &r = openReaders(f);
        QString proposedCard;
        onModal<TReaderCardForm>(f, [&](TReaderCardForm &card) {
            proposedCard = card.edCard->text();
            card.edName->setText(QStringLiteral("Кузнецова Анна"));
            card.edEmail->setText(QStringLiteral("kuznetsova.example.ru"));
            card.btnOk->click(); // refused: the card stays open
            card.edEmail->setText(QStringLiteral("kuznetsova@example.ru"));
            card.btnOk->click();
            return card.result();
        });
        r.btnNew->click();
        QCOMPARE(proposedCard, QStringLiteral("1003")); // one past the largest card number
        QVERIFY(f.platform.messageTexts().value(0).startsWith(QStringLiteral("Адрес электронной почты «kuznetsova.example.ru» неверен")));
        QCOMPARE(r.currentReader()->name, QStringLiteral("Кузнецова Анна"));
        QCOMPARE(r.currentReader()->email, QStringLiteral("kuznetsova@example.ru"));

        r.edSearch->setText(QStringLiteral("1001"));
        r.search();
        int loansShown = 0;
        onModal<TReaderCardForm>(f, [&](TReaderCardForm &card) {
            loansShown = card.grLoans->model()->rowCount();
            card.edName->setText(QStringLiteral("Иванова Анна"));
            card.btnOk->click();
            return card.result();
        });
        QSignalSpy changed(&r, &TReadersForm::holdingsChanged);
        r.btnEditClick();
        QCOMPARE(loansShown, 2);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(f.shownLoaner(1), QStringLiteral("Иванова Анна"));
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM orders WHERE loaner = 'Иванова Анна'")), 2);
    }

    // Refused while she holds a book, with the store's reason; asked first otherwise.
    void deletingAReader()
    {
        DeskFixture f;
        TReadersForm &r = openReaders(f);
        r.selectReader(1);
        r.btnDelete->click();
        QCOMPARE(f.platform.messageTexts().value(1),
                 QStringLiteral("Читатель «Иванова» не вернул изданий: 2. Пока они у него, удалить его из картотеки нельзя."));
        QCOMPARE(names(r).size(), 4);
        r.selectReader(4);
        f.platform.messageAnswers = {ui::No};
        r.btnDelete->click();
        QCOMPARE(names(r).size(), 4);
        r.btnDelete->click();
        QCOMPARE(names(r), (QStringList{"Иванова", "Петров", "Сидорова"}));
    }

    void mergingTwoReaders()
    {
        DeskFixture f;
        TReadersForm &r = openReaders(f);
        r.selectReader(1);
        r.btnMerge->click();
        QVERIFY(f.platform.messageTexts().value(0).startsWith(QStringLiteral("Выберите в списке двух читателей")));
        r.grReaders->selectionModel()->select(r.readers->index(3, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QString second;
        onModal<TReaderMergeForm>(f, [&](TReaderMergeForm &merge) {
            second = merge.rbSecond->text();
            merge.rbSecond->setChecked(true);
            merge.btnOk->click();
            return merge.result();
        });
        r.btnMerge->click();
        QCOMPARE(second, QStringLiteral("Шестакова, билет 6"));
        QCOMPARE(names(r), (QStringList{"Петров", "Сидорова", "Шестакова"}));
        QCOMPARE(r.currentReader()->category, QStringLiteral("Студент")); // her empty category filled
        QCOMPARE(f.shownLoaner(1), QStringLiteral("Шестакова"));
    }

    // The selected readers' cards go to the print window; with none selected, the current one's.
    void printingReaderCards()
    {
        DeskFixture f;
        TReadersForm &r = openReaders(f);
        QStringList shown;
        onModal<print::TSheetPrintForm>(f, [&](print::TSheetPrintForm &form) {
            shown << form.windowTitle() + u'/' + form.cbWhich->itemText(0);
            return int(QDialog::Rejected);
        });
        r.selectReader(1);
        r.grReaders->selectionModel()->select(r.readers->index(2, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        r.btnPrintCards->click();
        r.grReaders->clearSelection();
        r.btnPrintCards->click();
        QCOMPARE(shown, (QStringList{"Печать читательских билетов/Все записи списка (2)",
                                     "Печать читательских билетов/Все записи списка (1)"}));
        // A search that lists nobody leaves nothing to print or change.
        r.edSearch->setText(QStringLiteral("никого такого нет"));
        r.search();
        for (QPushButton *b : {r.btnPrintCards, r.btnEdit, r.btnDelete})
            QVERIFY2(!b->isEnabled(), qPrintable(b->text()));
        r.edSearch->clear();
        r.search();
        QVERIFY(r.btnPrintCards->isEnabled());
    }

    // The groups are shown before anything is written; one left out, one renamed.
    void readersFromPastLoans()
    {
        DeskFixture f;
        f.db().MyServer.runStatement(QStringLiteral("INSERT INTO orders (book_id, loaner, date_out, date_in) VALUES"
                                                    " (6, 'ИВАНОВА ', '2023-01-01', '2023-01-02'), (6, 'Семён Ёлкин', '2023-02-01',"
                                                    " '2023-02-02'), (6, 'семен елкин', '2023-03-01', '2023-03-02')"));
        TReadersForm &r = openReaders(f);
        QStringList groups, unnamed;
        onModal<TLoanReadersForm>(f, [&](TLoanReadersForm &form) {
            for (int i = 0; i < form.twGroups->topLevelItemCount(); ++i)
                groups << form.twGroups->topLevelItem(i)->text(0) + u'/' + QString::number(form.twGroups->topLevelItem(i)->childCount());
            unnamed = unnamedControls(&form);
            form.twGroups->topLevelItem(1)->setCheckState(0, Qt::Unchecked); // O'Brien: not now
            form.twGroups->topLevelItem(2)->setText(0, QStringLiteral("Ёлкин Семён"));
            form.btnOk->click();
            return form.result();
        });
        r.btnFromLoans->click();
        QCOMPARE(unnamed, QStringList{});
        QCOMPARE(groups, (QStringList{"Иванова/2", "О'Брайен %_<b>/1", "Семён Ёлкин/2"}));
        QCOMPARE(names(r), (QStringList{"Ёлкин Семён", "Иванова", "Петров", "Сидорова", "Шестакова"}));
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM orders WHERE loaner = 'Ёлкин Семён'")), 2);
        QCOMPARE(f.platform.messageTexts().last(),
                 QStringLiteral("Записано в картотеку читателей: 1. Выдачи 2 групп имён получили одно имя."));
    }

    void viewModeShowsWithoutContactsAndChangesNothing()
    {
        DeskFixture f(false);
        TReadersForm &r = openReaders(f);
        for (QPushButton *b : {r.btnNew, r.btnDelete, r.btnMerge, r.btnFromLoans, r.btnPrintCards})
            QVERIFY(!b->isEnabled());
        QCOMPARE(r.readers->columnCount(), 6);
        bool contactsShown = true, readOnly = false;
        onModal<TReaderCardForm>(f, [&](TReaderCardForm &card) {
            contactsShown = card.edPhone || card.edEmail || card.edAddress || card.btnOk->isVisible();
            readOnly = card.edName->isReadOnly();
            return int(QDialog::Rejected);
        });
        r.selectReader(1);
        r.btnEdit->click();
        QVERIFY(!contactsShown);
        QVERIFY(readOnly);
    }

    // "Кому" offers the register by name or card number; a variant or a card number is stored
    // as her registered name; a new name may be registered on the spot.
    void theLoanSheetOffersRegisteredReaders_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("registerIt");
        QTest::addColumn<QString>("stored");
        QTest::newRow("a variant of her name") << "  иванова" << false << "Иванова";
        QTest::newRow("her card number") << "1002" << false << "Петров";
        QTest::newRow("a new name, registered") << "Новикова Н." << true << "Новикова Н.";
        QTest::newRow("a new name, left as typed") << "Новикова Н." << false << "Новикова Н.";
    }
    void theLoanSheetOffersRegisteredReaders()
    {
        QFETCH(QString, typed);
        QFETCH(bool, registerIt);
        QFETCH(QString, stored);
        DeskFixture f;
        f.goTo(6);
        int offeredForCard = -1;
        QString completion, prefilled;
        f.platform.messageAnswers = {registerIt ? ui::Yes : ui::No};
        f.platform.onModal = [&](QDialog &d) -> int {
            if (auto *card = qobject_cast<TReaderCardForm *>(&d)) {
                prefilled = card->edName->text() + u'/' + card->edCard->text();
                card->btnOk->click();
                return card->result();
            }
            auto &c = dynamic_cast<TBookForm &>(d);
            c.loanerCompleter->setCompletionPrefix(QStringLiteral("100"));
            offeredForCard = c.loanerCompleter->completionCount();
            c.loanerCompleter->setCompletionPrefix(QStringLiteral("шеста"));
            completion = c.loanerCompleter->currentCompletion();
            typeInto(c.edLoaner, typed);
            c.OkBtnClick();
            return c.result();
        };
        f.w->N8->trigger();
        QCOMPARE(offeredForCard, 2);
        QCOMPARE(prefilled, registerIt ? typed.simplified() + QStringLiteral("/1003") : QString());
        QCOMPARE(completion, QStringLiteral("Шестакова"));
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM orders WHERE book_id = 6 AND loaner = '%1'").arg(stored)), 1);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM readers")), registerIt ? 5 : 4);
        QCOMPARE(f.platform.messages.size(), stored == typed.simplified() ? 1 : 0);
    }

    // Chosen from the list with the keyboard, "Кому" holds her name alone, not the list's line.
    void aReaderChosenFromTheListIsHerNameAlone()
    {
        DeskFixture f;
        f.goTo(6);
        QString chosen, popupLine;
        f.onCard([&](TBookForm &c) {
            c.edLoaner->setFocus();
            typeKeys(c.edLoaner->lineEdit(), QStringLiteral("шеста"));
            QAbstractItemView *popup = c.loanerCompleter->popup();
            QTRY_VERIFY(popup->isVisible());
            popupLine = popup->model()->index(0, 0).data().toString();
            QTest::keyClick(popup, Qt::Key_Down);
            QTest::keyClick(popup, Qt::Key_Return);
            chosen = c.edLoaner->currentText();
        });
        f.w->N8->trigger();
        QCOMPARE(popupLine, QStringLiteral("Шестакова, билет 6"));
        QCOMPARE(chosen, QStringLiteral("Шестакова"));
    }

    void everyInputIsNamed()
    {
        DeskFixture f;
        TReadersForm &r = openReaders(f);
        r.edSearch->setText(QStringLiteral("Ива")); // the box's clear button shows only over text
        QCOMPARE(unnamedControls(&r), QStringList{});
        TReaderCardForm card(f.db().MyServer, false);
        card.showReader(*store::readerById(f.db().MyServer, 1));
        card.show();
        QCOMPARE(unnamedControls(&card), QStringList{});
        TReaderMergeForm merge(*store::readerById(f.db().MyServer, 1), *store::readerById(f.db().MyServer, 2));
        merge.show();
        QCOMPARE(unnamedControls(&merge), QStringList{});
    }
};

QTEST_MAIN(ReadersWindowsTest)
#include "test_readers_windows.moc"
