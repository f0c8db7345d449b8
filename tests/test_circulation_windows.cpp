// Due dates as the librarian meets them: the pages byte for byte, the chart well-formed and
// drawn by a browser, the overdue dialog, the statistics, the grid's colour with "Продлить",
// the loan sheet's due date, the periods dialog, and an older catalogue left alone in view mode.
#include "CirculationCases.h"
#include "WindowFixture.h"

#include "BookFormUnit.h"
#include "CirculationPages.h"
#include "ExtendLoanForm.h"
#include "LoanPeriodsForm.h"
#include "OverdueForm.h"
#include "PeriodFormUnit.h"
#include "ReportPrint.h"
#include "SchemaCreation.h"
#include "data/text/TextCodec.h"

#include <QAction>
#include <QDateEdit>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTextDocument>
#include <QtTest>

namespace {

using circulation::Day;

QByteArray cp1251(const QString &text) { return data::encodeCp1251(text); }
QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
QString head(const QString &title)
{
    return "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"windows-1251\">\r\n<title>" + title +
           "</title>\r\n<style>body { font-family: sans-serif; } table { border-collapse: collapse; } td.n { "
           "text-align: right; }</style>\r\n</head>\r\n<body>\r\n";
}
const QString Table = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\r\n";
const QString LoansHeading = Table + "<tr><th>Инв. №</th><th>Лит</th><th>Автор</th><th>Название</th><th>Выдано</th>"
                                     "<th>Срок возврата</th><th>Дней просрочки</th></tr>\r\n";
const QString IvanovaRows =
    "<tr><td>1</td><td>К</td><td>Толстой</td><td>Война и мир</td><td>15.01.2024</td><td>14.02.2024</td>"
    "<td class=\"n\">16</td></tr>\r\n<tr><td>2</td><td></td><td></td><td>&lt;Без названия&gt; &amp; &quot;кавычки&quot;"
    "</td><td>10.02.2024</td><td>24.02.2024</td><td class=\"n\">6</td></tr>\r\n</table>\r\n";
const QString OBrienRows = "<tr><td>3</td><td>Ж</td><td>Петров</td><td>Вестник</td><td>28.02.2024</td><td>28.02.2024</td>"
                           "<td class=\"n\">2</td></tr>\r\n</table>\r\n";

const QString OverduePage =
    head("Должники") + "<h1>Должники на 01.03.2024</h1>\r\n<h2>Иванова</h2>\r\n" + LoansHeading + IvanovaRows +
    "<p>Итого у читателя: 2</p>\r\n<h2>О'Брайен %_&lt;b&gt;</h2>\r\n" + LoansHeading + OBrienRows +
    "<p>Итого у читателя: 1</p>\r\n<h2>Читатель не указан</h2>\r\n" + LoansHeading +
    "<tr><td>5</td><td>К</td><td>Чехов</td><td>Сад</td><td>05.01.2024</td><td>04.02.2024</td><td class=\"n\">26</td>"
    "</tr>\r\n</table>\r\n<p>Итого у читателя: 1</p>\r\n<p><b>Всего просроченных выдач: 4, читателей: 2</b></p>\r\n"
    "</body>\r\n</html>\r\n";

QString letter(const QString &p, const QString &reader, const QString &rows)
{
    return "<div class=\"letter\">\r\n" + p + "Библиотека «Ромашка» &amp; Co</p>\r\n<h1>" +
           "Напоминание о возврате изданий</h1>\r\n<p>Читатель: " + reader +
           "</p>\r\n<p>На 01.03.2024 не возвращены в срок выданные Вам издания:</p>\r\n" + LoansHeading + rows +
           "<p>Просим вернуть их в библиотеку или продлить срок пользования.</p>\r\n<p>________________ Заведующая "
           "И.И. Петрова</p>\r\n<p>01.03.2024</p>\r\n</div>\r\n";
}
const QString LettersPage = head("Напоминания о возврате изданий") + letter("<p>", "Иванова", IvanovaRows) +
                            letter("<p style=\"page-break-before: always\">", "О'Брайен %_&lt;b&gt;", OBrienRows) +
                            "</body>\r\n</html>\r\n";

QString numbers(std::initializer_list<int> values)
{
    QString cells;
    for (int v : values)
        cells += "<td class=\"n\">" + QString::number(v) + "</td>";
    return cells;
}
const QString StatisticsPageWithoutChart =
    head("Статистика выдачи") + "<h1>Статистика выдачи</h1>\r\n<p>Период: с 01.01.2024 по 29.02.2024</p>\r\n"
    "<p>Всего выдач: 6</p>\r\n<h2>Выдачи по месяцам</h2>\r\n" + Table +
    "<tr><th>Месяц</th><th>Сотрудники</th><th>Источники комплектования</th><th>Платная заявка</th><th>Читальный зал</th>"
    "<th>Всего</th></tr>\r\n<tr><td>01.2024</td>" + numbers({3, 1, 0, 0, 4}) + "</tr>\r\n<tr><td>02.2024</td>" +
    numbers({0, 0, 1, 1, 2}) + "</tr>\r\n<tr><th>Всего</th>" + numbers({3, 1, 1, 1, 6}) +
    "</tr>\r\n</table>\r\n<h2>Чаще всего выдавались</h2>\r\n" + Table +
    "<tr><th>№</th><th>Инв. №</th><th>Лит</th><th>Автор</th><th>Название</th><th>Выдач</th></tr>\r\n"
    "<tr><td class=\"n\">1</td><td>5</td><td>К</td><td>Чехов</td><td>Сад</td><td class=\"n\">2</td></tr>\r\n"
    "<tr><td class=\"n\">2</td><td>1</td><td>К</td><td>Толстой</td><td>Война и мир</td><td class=\"n\">1</td></tr>\r\n"
    "<tr><td class=\"n\">3</td><td>2</td><td></td><td></td><td>&lt;Без названия&gt; &amp; &quot;кавычки&quot;</td>"
    "<td class=\"n\">1</td></tr>\r\n<tr><td class=\"n\">4</td><td>3</td><td>Ж</td><td>Петров</td><td>Вестник</td>"
    "<td class=\"n\">1</td></tr>\r\n<tr><td class=\"n\">5</td><td>4</td><td>К</td><td>Гоголь</td><td>Мёртвые души</td>"
    "<td class=\"n\">1</td></tr>\r\n</table>\r\n<h2>Самые активные читатели</h2>\r\n" + Table +
    "<tr><th>№</th><th>Читатель</th><th>Выдач</th></tr>\r\n<tr><td class=\"n\">1</td><td>Иванова</td><td class=\"n\">2</td>"
    "</tr>\r\n<tr><td class=\"n\">2</td><td>Петров</td><td class=\"n\">2</td></tr>\r\n<tr><td class=\"n\">3</td>"
    "<td>О'Брайен %_&lt;b&gt;</td><td class=\"n\">1</td></tr>\r\n</table>\r\n"
    "<h2>Издания, не выдававшиеся за период</h2>\r\n<p>Ни разу не выдавались за период: 1 из 6 изданий, поступивших по "
    "29.02.2024 (16,7 %)</p>\r\n</body>\r\n</html>\r\n";

// A checking tool the setup installs; missing, the test is skipped, except in CI.
QString tool(const QString &name)
{
    const QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty() && qEnvironmentVariableIsSet("CI"))
        qFatal("%s is not installed (scripts/setup installs it)", qPrintable(name));
    return path;
}

// The program folder with the six loans, the letterhead, and the program started in edit mode.
struct CirculationFixture : WindowFixture {
    TMainForm *w = nullptr;
    explicit CirculationFixture(const QByteArray &settings = "[General]\r\nAutoAdminLogon=1\r\n")
    {
        qputenv("TEMP", dir.path().toLocal8Bit());
        writeSettings(settings + "[Library]\r\nName=" + cp1251("Библиотека «Ромашка» & Co") + "\r\nSignature=" +
                      cp1251("Заведующая И.И. Петрова") + "\r\n");
        w = &start();
        db().MyServer.runStatement(circulation::Loans);
        db().MyBooks.refresh();
    }
    ~CirculationFixture() { qunsetenv("TEMP"); }
    int rowOf(qint64 id)
    {
        for (int r = 0; r < w->gridModel->rowCount(); ++r)
            if (db().MyBooks.valueAt(r, 0).toLongLong() == id)
                return r;
        return -1;
    }
};

} // namespace

class CirculationWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Библиотека")); }

    void overdueListAndLettersFromTheDialog()
    {
        CirculationFixture f;
        const QString pdf = f.path(QStringLiteral("letters.pdf"));
        f.platform.fileAnswer = pdf;
        QDate proposed;
        f.platform.onModal = [&](QDialog &d) {
            if (auto *form = qobject_cast<TOverdueForm *>(&d)) {
                proposed = form->dtDay->date();
                form->dtDay->setDate(Day);
                for (QPushButton *b : {form->btnList, form->btnLetters, form->btnPrintLetters, form->btnLettersPdf})
                    b->click();
            }
            return int(QDialog::Rejected);
        };
        f.w->miOverdueClick();
        QCOMPARE(proposed, QDate::currentDate());
        QCOMPARE(f.platform.modalDialogs, (QStringList{"OverdueForm", "ReportPreview"}));
        QCOMPARE(f.platform.shellOpened,
                 (QStringList{f.path(QStringLiteral("overdue.html")), f.path(QStringLiteral("reminders.html"))}));
        QCOMPARE(fileBytes(f.path(QStringLiteral("overdue.html"))), cp1251(OverduePage));
        QCOMPARE(fileBytes(f.path(QStringLiteral("reminders.html"))), cp1251(LettersPage));
        QVERIFY(fileBytes(pdf).startsWith("%PDF"));
        // The loan with no reader gets no letter, and the librarian is told so at each writing.
        QVERIFY(f.platform.messageTexts().first().startsWith(QStringLiteral("Просроченных выдач без читателя: 1.")));
        QCOMPARE(f.w->lastReport(), f.path(QStringLiteral("overdue.html")));
    }

    void statisticsPageWithItsChart()
    {
        CirculationFixture f;
        f.platform.onModal = [](QDialog &d) {
            auto &period = static_cast<TPeriodFm &>(d);
            period.dtFrom->setDate(QDate(2024, 1, 1));
            period.dtTo->setDate(QDate(2024, 2, 29));
            return int(QDialog::Accepted);
        };
        f.w->miLoanStatisticsClick();
        const QString path = f.path(QStringLiteral("loanstat.html"));
        QCOMPARE(f.platform.shellOpened, QStringList{path});
        const QByteArray page = fileBytes(path);
        const qsizetype start = page.indexOf("<svg"), end = page.indexOf("</svg>\r\n");
        QVERIFY(start > 0 && end > start);
        QCOMPARE(page.left(start) + page.mid(end + 8), cp1251(StatisticsPageWithoutChart));

        const QString svg = data::decodeText(page.mid(start, end + 6 - start), data::TextEncoding::Cp1251);
        for (const QString &part : store::loanKindNames() + QStringList{"<pattern id=\"loanKind3\"", ">4</text>", ">2</text>"})
            QVERIFY2(svg.contains(part), qPrintable(part));
        // "Печать…" lays the page out without the chart, whose figures are in the table.
        QTextDocument printed;
        ui::loadReportDocument(printed, f.w->lastReport());
        QVERIFY(!printed.toPlainText().contains(QStringLiteral("Выдачи по месяцам и видам заявок")));
        QVERIFY(printed.toPlainText().contains(QStringLiteral("Самые активные читатели")));
        const QString xmllint = tool(QStringLiteral("xmllint"));
        if (!xmllint.isEmpty()) {
            QProcess check;
            check.start(xmllint, {QStringLiteral("--noout"), QStringLiteral("-")});
            check.write(svg.toUtf8());
            check.closeWriteChannel();
            QVERIFY(check.waitForFinished(30000));
            QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());
        }
        const QString chromium = tool(QStringLiteral("chromium"));
        if (chromium.isEmpty())
            QSKIP("chromium is not installed");
        const QString shot = f.path(QStringLiteral("shot.png"));
        QProcess browser;
        browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                                 "--hide-scrollbars", "--window-size=800,900", "--screenshot=" + shot,
                                 QUrl::fromLocalFile(path).toString()});
        QVERIFY(browser.waitForFinished(120000));
        const QImage image(shot);
        QVERIFY2(!image.isNull(), browser.readAllStandardError().constData());
        int dark = 0, chartBlue = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                dark += c.lightness() < 128;
                chartBlue += qAbs(c.red() - 0x1f) < 12 && qAbs(c.green() - 0x4e) < 12 && qAbs(c.blue() - 0x79) < 12;
            }
        QVERIFY2(dark > 2000 && chartBlue > 500, qPrintable(QStringLiteral("%1 dark, %2 blue").arg(dark).arg(chartBlue)));
    }

    // Loans dated from today: holding 1 lent 40 days ago (late), holding 3 five days ago (not).
    void gridMarksOverdueHoldingsAndExtendsThem()
    {
        CirculationFixture f;
        const QDate today = QDate::currentDate();
        f.db().MyServer.runStatement(
            QStringLiteral("DELETE FROM orders; INSERT INTO orders (id, book_id, loaner, date_out, status) VALUES "
                           "(1, 1, 'Иванова', ?, 0), (2, 3, 'Петров', ?, 0); UPDATE books SET onloan = 1 WHERE id IN (1, 3)"),
            {today.addDays(-40), today.addDays(-5)});
        f.db().MyBooks.refresh();
        const QColor late(255, 199, 199), lent(255, 255, 191);
        QCOMPARE(f.w->MainGridGetCellParams(f.rowOf(1)).value<QColor>(), late);
        QCOMPARE(f.w->MainGridGetCellParams(f.rowOf(3)).value<QColor>(), lent);
        QCOMPARE(f.w->gridModel->index(f.rowOf(1), 0).data(Qt::ToolTipRole).toString(),
                 QStringLiteral("Просрочено: срок возврата %1, прошло дней: 10").arg(store::shownDate(today.addDays(-10))));
        QVERIFY(f.w->sbLegend->text().contains(QStringLiteral("просрочено")));

        f.db().MyBooks.setRecNo(f.rowOf(2));
        f.w->MainGridContextPopup();
        QVERIFY(!f.w->miExtendLoan->isVisible()); // not lent: nothing to extend
        f.db().MyBooks.setRecNo(f.rowOf(1));
        f.w->MainGridContextPopup();
        QVERIFY(f.w->miExtendLoan->isVisible() && f.w->miExtendLoan->isEnabled());
        QDate proposed;
        f.platform.onModal = [&](QDialog &d) {
            auto &form = static_cast<TExtendLoanForm &>(d);
            proposed = form.dtDue->date();
            form.dtDue->setDate(today.addDays(-11)); // before the due date in force: refused, the dialog stays
            form.btnOk->click();
            form.dtDue->setDate(today.addDays(7));
            form.btnOk->click();
            return form.result();
        };
        f.w->miExtendLoan->trigger();
        QCOMPARE(proposed, today.addDays(30));
        QCOMPARE(f.platform.messageTexts(),
                 QStringList{QStringLiteral("Новый срок возврата не может быть раньше нынешнего (%1): продление не "
                                            "сокращает срок.").arg(store::shownDate(today.addDays(-10)))});
        QCOMPARE(f.w->MainGridGetCellParams(f.rowOf(1)).value<QColor>(), lent);
        QCOMPARE(scalar(f.db(), QStringLiteral("SELECT COUNT(*) FROM loan_terms WHERE order_id = 1")), 1);

        // The loan sheet shows the extended date and the history.
        f.platform.onModal = [&](QDialog &d) {
            auto &card = static_cast<TBookForm &>(d);
            card.choosePage(card.tshHistory);
            proposed = QDate::fromString(card.edDueDate->text(), QStringLiteral("dd.MM.yyyy"));
            return int(QDialog::Rejected);
        };
        f.w->N2Click();
        QCOMPARE(proposed, today.addDays(7));
        QCOMPARE(f.program.BookForm->edDueDate->toolTip(),
                 QStringLiteral("%1: продлено до %2").arg(store::shownDate(today), store::shownDate(today.addDays(7))));
    }

    // The marks are worked out a page of rows at a time: every late holding of a long list is red,
    // on the first page and far below it, and a loan changed behind the list shows once it is read again.
    void marksReachEveryRowOfALongList()
    {
        CirculationFixture f;
        const QDate today = QDate::currentDate();
        data::Connection &c = f.db().MyServer;
        c.runStatement(QStringLiteral("DELETE FROM orders; UPDATE books SET onloan = 0"));
        for (int id = 100; id < 400; ++id) {
            c.runStatement(QStringLiteral("INSERT INTO books (id, inv_num, title, itemkind_id, onloan) VALUES (?, ?, 'Т', 1, 1)"),
                           {id, id});
            c.runStatement(QStringLiteral("INSERT INTO orders (book_id, loaner, date_out, status) VALUES (?, 'Иванова', ?, 0)"),
                           {id, id % 7 == 0 ? today.addDays(-40) : today});
        }
        f.db().MyBooks.refresh();
        const QColor late(255, 199, 199), lent(255, 255, 191);
        auto wrongRows = [&] {
            QList<int> wrong;
            for (int id = 100; id < 400; ++id)
                if (f.w->MainGridGetCellParams(f.rowOf(id)).value<QColor>() != (id % 7 == 0 ? late : lent))
                    wrong << id;
            return wrong;
        };
        QCOMPARE(wrongRows(), QList<int>{});
        c.runStatement(QStringLiteral("UPDATE orders SET date_out = ? WHERE book_id IN (101, 398)"), {today.addDays(-40)});
        QCOMPARE(f.w->MainGridGetCellParams(f.rowOf(101)).value<QColor>(), lent); // not read again yet
        f.db().MyBooks.refresh();
        QCOMPARE(wrongRows(), (QList<int>{101, 398}));
    }

    void loanSheetExtendsOnlyASavedOpenLoan()
    {
        CirculationFixture f;
        TBookForm &card = *f.program.BookForm;
        f.db().MyBooks.setRecNo(f.rowOf(5)); // one loan returned, one open without reader or kind
        f.platform.onModal = [&](QDialog &d) {
            if (&d != &card)
                return int(QDialog::Rejected);
            card.choosePage(card.tshHistory);
            f.db().myOrders.first(); // the returned one
            card.btnExtendLoanClick();
            f.db().myOrders.next();
            card.btnExtendLoanClick(); // the open one: the dialog below
            card.Button3Click();       // a new loan, not saved yet
            card.btnExtendLoanClick();
            return int(QDialog::Rejected);
        };
        f.w->N2Click();
        QCOMPARE(f.platform.messageTexts(),
                 (QStringList{"Издание по этой выдаче уже возвращено.",
                              "Выдача ещё не сохранена: нажмите «ОК», затем продлите её."}));
        QCOMPARE(f.platform.modalDialogs, (QStringList{"BookForm", "ExtendLoanForm"}));
    }

    void periodsDialogSaysWhatWasWrongAndStores()
    {
        CirculationFixture f("[General]\r\nAutoAdminLogon=1\r\n[Loans]\r\nPaid=-3\r\n");
        QList<int> shown;
        f.platform.onModal = [&](QDialog &d) {
            auto &form = static_cast<TLoanPeriodsForm &>(d);
            for (QSpinBox *box : form.edDays)
                shown << box->value();
            form.edDays[0]->setValue(45);
            form.btnOk->click();
            return form.result();
        };
        f.w->miLoanPeriods->trigger();
        QCOMPARE(shown, (QList<int>{30, 30, 14, 0}));
        QCOMPARE(f.platform.messages.size(), 1);
        QVERIFY(f.platform.messages[0].text.contains(QStringLiteral("Платная заявка")));
        QCOMPARE(store::readLoanPeriods(store::process().SettingsFile).days, (std::array<int, 4>{45, 30, 14, 0}));
    }

    void viewModeLeavesAnOlderCatalogueAsItIs()
    {
        WindowFixture f;
        {
            data::Connection c;
            c.setDatabase(f.path(QStringLiteral("library.sdb")));
            c.open();
            store::ensureCatalogueSchema(c);
            c.runStatement(QStringLiteral("DROP TABLE loan_terms"));
            c.runStatement(circulation::Loans);
            c.runStatement(QStringLiteral("UPDATE books SET onloan = 1 WHERE id IN (1, 2, 3, 4, 5)"));
        }
        TMainForm &w = f.start(); // the login dialog is closed: view mode
        QVERIFY(store::process().ViewOnly);
        QVERIFY(!store::loanTermsExist(f.db().MyServer));
        QVERIFY(!w.miExtendLoan->isEnabled() && !w.miSetup->menuAction()->isEnabled());
        QVERIFY(w.miOverdue->isEnabled() && w.miLoanStatistics->isEnabled());
        int late = 0;
        for (int r = 0; r < w.gridModel->rowCount(); ++r)
            late += w.isOverdueRow(r);
        QCOMPARE(late, 5); // every open loan of 2024 is late by now; none is extended
        f.program.BookForm->choosePage(f.program.BookForm->tshHistory);
        QVERIFY(!f.program.BookForm->btnExtendLoan->isEnabledTo(f.program.BookForm.get()));
    }
};

QTEST_MAIN(CirculationWindowsTest)
#include "test_circulation_windows.moc"
