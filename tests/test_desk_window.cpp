// "Выдача и возврат" as the librarian and her scanner meet it: a card scanned shows the reader,
// codes typed 5 ms a key or queued in one burst give one action each, refusals and questions
// stay in the window, the catalogue's rows follow, and view mode changes nothing.
#include "DeskFixture.h"
#include "ScreenReader.h"

#include "DeskForm.h"
#include "IniFile.h"
#include "ReaderCompleter.h"
#include "ReaderLoansModel.h"

#include <QAbstractItemModelTester>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

const QDate Today = QDate::currentDate();

TDeskForm &openDesk(DeskFixture &f)
{
    f.w->miDesk->trigger();
    return *f.w->deskForm;
}

// As a scanner types: each key 5 ms after the last, then Enter.
void scan(TDeskForm &d, const QString &code)
{
    typeKeys(d.edScan, code, 5);
    QTest::keyClick(d.edScan, Qt::Key_Return, Qt::NoModifier, 5);
}

// Keys already waiting in the queue while the desk is busy with the first code: the scanner does
// not wait for the desk. xdotool, and some scanners, end a code with a line feed, not Enter.
void queueBurst(QWidget *w, const QString &keys, bool lineFeeds)
{
    for (QChar c : keys) {
        const bool enter = c == u'\n';
        const int key = enter ? int(lineFeeds ? Qt::Key_unknown : Qt::Key_Return) : int(c.toUpper().unicode());
        const QString text = enter ? QString(lineFeeds ? u'\n' : u'\r') : QString(c);
        QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
        QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
    }
}

QString lastLine(const TDeskForm &d) { return listTexts(d.lstActions).value(d.lstActions->count() - 1); }

QString late(const QDate &due) { return QString::number(store::daysOverdue(due, Today)); }

qint64 openLoansOf(DeskFixture &f, qint64 bookId)
{
    return scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM orders WHERE date_in IS NULL AND book_id = %1").arg(bookId));
}

} // namespace

class DeskWindowTest : public QObject {
    Q_OBJECT
private slots:
    void aScannedCardShowsHerAndHerLoans()
    {
        DeskFixture f;
        TDeskForm &d = openDesk(f);
        QAbstractItemModelTester tester(d.loans, QAbstractItemModelTester::FailureReportingMode::QtTest);
        scan(d, QStringLiteral("1001"));
        QCOMPARE(d.lblReader->text(), QStringLiteral("Иванова"));
        QCOMPARE(d.lblCard->text(), QStringLiteral("1001"));
        QCOMPARE(d.lblCategory->text(), QStringLiteral("Студент"));
        QCOMPARE(d.lblContacts->text(), QStringLiteral("+7 343 555-01-02, ivanova@example.ru"));
        QCOMPARE(shownTexts(*d.loans),
                 (QStringList{"К-1|Толстой|Война и мир|15.01.2024|14.02.2024|на руках|просрочено на " +
                                  late(QDate(2024, 2, 14)) + " дн.",
                              "2||<Без названия> & \"кавычки\"|10.02.2024|24.02.2024|на руках|просрочено на " +
                                  late(QDate(2024, 2, 24)) + " дн."}));
        QVERIFY(d.loans->index(0, 0).data(Qt::BackgroundRole).isValid());
        QVERIFY(d.lblWarnings->text().contains(QStringLiteral("Просрочено изданий: 2.")));
        QCOMPARE(d.lblLoans->text(), QStringLiteral("&На руках: 2, из них просрочено: 2"));
        QVERIFY(d.edScan->text().isEmpty());
    }

    // By name: chosen from the list the register offers, or typed whole and Enter.
    void aReaderChosenByName()
    {
        DeskFixture f;
        TDeskForm &d = openDesk(f);
        d.edReader->setFocus();
        typeKeys(d.edReader, QStringLiteral("сидор"));
        QTRY_VERIFY(d.readerCompleter->popup()->isVisible());
        QTest::keyClick(d.readerCompleter->popup(), Qt::Key_Down);
        QTest::keyClick(d.readerCompleter->popup(), Qt::Key_Return);
        QCOMPARE(d.lblReader->text(), QStringLiteral("Сидорова"));
        QVERIFY(d.lblWarnings->text().startsWith(QStringLiteral("Срок действия билета истёк 31.01.2024.")));
        QTRY_VERIFY(d.edReader->text().isEmpty());
        typeKeys(d.edReader, QStringLiteral("петров"));
        QTest::keyClick(d.edReader, Qt::Key_Return);
        QCOMPARE(d.lblReader->text(), QStringLiteral("Петров"));
        typeKeys(d.edReader, QStringLiteral("ов"));
        QTest::keyClick(d.edReader, Qt::Key_Return);
        QCOMPARE(lastLine(d), QStringLiteral("Отказ: «ов» есть у нескольких читателей: выберите одного из списка."));
    }

    void aBurstGivesOneActionACode_data()
    {
        QTest::addColumn<bool>("queued");
        QTest::addColumn<bool>("lineFeeds");
        QTest::newRow("typed 5 ms a key") << false << false;
        QTest::newRow("queued while the desk is busy") << true << false;
        QTest::newRow("queued, each code ended by a line feed") << true << true;
    }
    void aBurstGivesOneActionACode()
    {
        QFETCH(bool, queued);
        QFETCH(bool, lineFeeds);
        DeskFixture f;
        TDeskForm &d = openDesk(f);
        const QString burst = QStringLiteral("1001\nK6\nK-7\n");
        if (queued) {
            queueBurst(d.edScan, burst, lineFeeds);
            QTRY_COMPARE(d.undoable().size(), 2);
        } else {
            for (const QString &code : burst.split(u'\n', Qt::SkipEmptyParts))
                scan(d, code);
        }
        const QStringList lines = listTexts(d.lstActions);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("Читатель: Иванова, билет 1001"));
        const QString due = store::shownDate(Today.addDays(30));
        QCOMPARE(lines[1], QStringLiteral("Выдано: К-6 «Никогда не выдавалась» — Иванова, вернуть до ") + due);
        QCOMPARE(lines[2], QStringLiteral("Выдано: К-7 «Поступила после периода» — Иванова, вернуть до ") + due);
        QCOMPARE(openLoansOf(f, 6) + openLoansOf(f, 7), 2);
        QCOMPARE(f.shownLoaner(6), QStringLiteral("Иванова"));
        QCOMPARE(f.shownLoaner(7), QStringLiteral("Иванова"));
        QCOMPARE(d.loans->rowCount(), 4);
        QVERIFY(d.edScan->text().isEmpty());
        QVERIFY(f.platform.messages.isEmpty());
    }

    // Lend, return and extend (F6), each undone; the catalogue's rows follow each of them.
    void eachActionAndItsUndo()
    {
        DeskFixture f;
        TDeskForm &d = openDesk(f);
        scan(d, QStringLiteral("1001"));
        scan(d, QStringLiteral("К-6"));
        QCOMPARE(f.shownLoaner(6), QStringLiteral("Иванова"));
        d.btnUndo->click();
        QCOMPARE(lastLine(d), QStringLiteral("Отменена выдача: К-6 «Никогда не выдавалась» — Иванова"));
        QCOMPARE(openLoansOf(f, 6), 0);
        QCOMPARE(f.shownLoaner(6), QString());

        scan(d, QStringLiteral("k1"));
        QCOMPARE(lastLine(d), QStringLiteral("Возвращено: К-1 «Война и мир» — Иванова, с опозданием на %1 дн.")
                                  .arg(late(QDate(2024, 2, 14))));
        QCOMPARE(f.shownLoaner(1), QString());
        QCOMPARE(d.loans->rowCount(), 1);
        d.btnUndo->click();
        QCOMPARE(f.shownLoaner(1), QStringLiteral("Иванова"));
        QCOMPARE(d.loans->rowCount(), 2);

        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QTest::keyClick(&d, Qt::Key_F6);
        QVERIFY(d.chbExtend->isChecked());
        scan(d, QStringLiteral("2"));
        QCOMPARE(lastLine(d), QStringLiteral("Продлено: 2 «<Без названия> & \"кавычки\"» — Иванова, до ") +
                                  store::shownDate(Today.addDays(14)));
        QTest::keyClick(&d, Qt::Key_F8);
        QCOMPARE(lastLine(d), QStringLiteral("Отменено продление: 2 «<Без названия> & \"кавычки\"» — Иванова"));
        QVERIFY(!d.btnUndo->isEnabled());

        // The return of the loan chosen in her list.
        d.grLoans->selectRow(1);
        d.btnReturn->click();
        QCOMPARE(openLoansOf(f, 2), 0);
        QVERIFY(f.platform.messages.isEmpty());
    }

    // Nothing modal: a burst goes on into the scan box after a refusal too.
    void refusalsStayInTheWindow()
    {
        DeskFixture f;
        TDeskForm &d = openDesk(f);
        scan(d, QStringLiteral("K7"));
        QCOMPARE(lastLine(d), QStringLiteral("Отказ: Издание К-7 на полке: сначала отсканируйте билет читателя."));
        scan(d, QStringLiteral("1001"));
        scan(d, QStringLiteral("K4"));
        QCOMPARE(lastLine(d), QStringLiteral("Отказ: Издание К-4 «Мёртвые души» выдано читателю «Петров» с 31.01.2024: "
                                             "прежде его нужно вернуть."));
        scan(d, QStringLiteral("X999"));
        QCOMPARE(lastLine(d), QStringLiteral("Отказ: «X999»: нет ни читателя с таким номером билета, ни издания с таким кодом."));
        scan(d, QStringLiteral("1002"));
        QVERIFY(d.lblWarnings->text().startsWith(QStringLiteral("Читатель заблокирован: утерян билет.")));
        scan(d, QStringLiteral("K7"));
        QCOMPARE(lastLine(d), QStringLiteral("Отказ: Читатель «Петров» заблокирован (утерян билет): выдавать ему нельзя."));
        QCOMPARE(d.lblStatus->text(), lastLine(d));
        QVERIFY(d.undoable().isEmpty());
        QCOMPARE(openLoansOf(f, 7), 0);
        QVERIFY(f.platform.messages.isEmpty() && f.platform.modalDialogs.isEmpty());
    }

    // "6" is a card and two holdings' number: the window lists them and Enter takes one.
    void aCodeSeveralThingsCarryIsAskedInTheWindow()
    {
        DeskFixture f;
        TDeskForm &d = openDesk(f);
        scan(d, QStringLiteral("1001"));
        scan(d, QStringLiteral("6"));
        QVERIFY(d.lstChoices->isVisibleTo(&d));
        QCOMPARE(listTexts(d.lstChoices), (QStringList{"Читатель Шестакова, билет 6", "Издание К-6 «Никогда не выдавалась»",
                                                       "Издание Ж-6 «Журнал»"}));
        QCOMPARE(unnamedControls(&d), QStringList{});
        d.lstChoices->setCurrentRow(2);
        QTest::keyClick(d.lstChoices, Qt::Key_Return);
        QVERIFY(lastLine(d).startsWith(QStringLiteral("Выдано: Ж-6 «Журнал» — Иванова, вернуть до ")));
        QVERIFY(!d.lstChoices->isVisibleTo(&d));
        scan(d, QStringLiteral("6"));
        d.lstChoicesActivate(0);
        QCOMPARE(d.lblReader->text(), QStringLiteral("Шестакова"));
    }

    // Brought back without the card: the desk turns to the reader who has it.
    void aHoldingBroughtBackWithoutTheCard()
    {
        DeskFixture f;
        TDeskForm &d = openDesk(f);
        scan(d, QStringLiteral("K4"));
        QCOMPARE(d.lblReader->text(), QStringLiteral("Петров"));
        QVERIFY(lastLine(d).startsWith(QStringLiteral("Возвращено: К-4 «Мёртвые души» — Петров")));
        QCOMPARE(openLoansOf(f, 4), 0);
    }

    void theRequestKindIsRemembered()
    {
        DeskFixture f;
        TDeskForm &d = openDesk(f);
        d.cbRequestKind->setCurrentIndex(3);
        d.cbRequestKindChange(3);
        QCOMPARE(store::readDeskRequestKind(store::process().SettingsFile), 3);
        scan(d, QStringLiteral("1001"));
        scan(d, QStringLiteral("K6"));
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT status FROM orders WHERE book_id = 6")), 3);
        QVERIFY(lastLine(d).endsWith(QStringLiteral("вернуть до ") + store::shownDate(Today)));
        TDeskForm again(f.db().MyServer, false);
        QCOMPARE(again.cbRequestKind->currentIndex(), 3);
    }

    // The limit of her category comes from library.ini and warns as she comes and as she borrows.
    void theCategoryLimitWarns()
    {
        DeskFixture f;
        store::process().SettingsFile->writeString(QStringLiteral("Loans"), QStringLiteral("Limit.Студент"), QStringLiteral("3"));
        TDeskForm &d = openDesk(f);
        scan(d, QStringLiteral("1001"));
        scan(d, QStringLiteral("K6"));
        QVERIFY(d.lblWarnings->text().contains(QStringLiteral("На руках изданий: 3 — предел для категории «Студент» (3) достигнут.")));
        scan(d, QStringLiteral("K7"));
        QVERIFY(lastLine(d).endsWith(QStringLiteral("(внимание: сверх предела: теперь на руках 4, предел для категории "
                                                    "«Студент» (3))")));
    }

    void viewModeChangesNothingAndShowsNoContacts()
    {
        DeskFixture f(false);
        QVERIFY(store::process().ViewOnly);
        TDeskForm &d = openDesk(f);
        scan(d, QStringLiteral("1001"));
        QCOMPARE(d.lblReader->text(), QStringLiteral("Иванова"));
        for (QLabel *label : d.findChildren<QLabel *>())
            QVERIFY2(!label->text().contains(QStringLiteral("555")) && !label->text().contains(u'@'), qPrintable(label->text()));
        QVERIFY(!d.lblContacts->isVisibleTo(&d));
        scan(d, QStringLiteral("K6"));
        QCOMPARE(lastLine(d), QStringLiteral("Отказ: Режим просмотра: выдавать, возвращать и продлевать издания нельзя."));
        d.btnReturn->click();
        QCOMPARE(openLoansOf(f, 6), 0);
        QCOMPARE(openLoansOf(f, 1), 1);
        for (QWidget *w : std::initializer_list<QWidget *>{d.btnUndo, d.chbExtend, d.cbRequestKind, d.btnExtend})
            QVERIFY(!w->isEnabled());
        QCOMPARE(unnamedControls(&d), QStringList{});
    }
};

QTEST_MAIN(DeskWindowTest)
#include "test_desk_window.moc"
