// The period dialog, the general report, the report by reader, the two period views of the
// catalogue and the export, as the librarian gets them: the pages byte for byte.
#include "WindowFixture.h"

#include "PeriodFormUnit.h"
#include "ReportPrint.h"
#include "data/text/TextCodec.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLocale>
#include <QTextDocument>
#include <QtTest>

namespace {

const QByteArray Head = "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"windows-1251\">\r\n"
                        "<title>Отчёт</title>\r\n</head>\r\n<body>\r\n";

QByteArray cp1251(const QByteArray &utf8) { return data::encodeCp1251(QString::fromUtf8(utf8)); }

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QString shortDate(int y, int m, int d) { return QLocale().toString(QDate(y, m, d), QLocale::ShortFormat); }

// Two kinds, five holdings and six loans around January 2024.
const char *const Catalogue = R"(
DELETE FROM v_itemkind;
INSERT INTO v_itemkind (id, itemkind_name) VALUES (1, 'Книги'), (2, 'Журналы & газеты');
INSERT INTO books (id, inv_num, author, title, date_reg, source, location, year_p, page_count, price, notes,
                   itemkind_id) VALUES
  (1, 1, 'Толстой Л.', 'Война' || char(13, 10) || 'и мир', '2024-01-10', 'Дар', 'М.', 1990, 1200, 12.5,
   'строка 1' || char(13, 10) || 'строка 2', 1),
  (2, 2, NULL, '<Без названия>', '2024-01-20', 'Фонд & K', NULL, NULL, NULL, NULL, NULL, 1),
  (3, 3, 'Петров', 'Вестник', '2024-01-31', NULL, NULL, NULL, NULL, NULL, NULL, 2),
  (4, 4, NULL, 'Без вида', '2024-01-15', NULL, NULL, NULL, NULL, NULL, NULL, 0),
  (5, 5, NULL, 'Прошлый год', '2023-12-31', NULL, NULL, NULL, NULL, NULL, NULL, 1);
INSERT INTO orders (id, book_id, loaner, date_out, date_in, status, cost) VALUES
  (1, 1, 'Иванова', '2024-01-05', '2024-01-10', 0, 100),
  (2, 2, 'Иванова', '2024-01-06', NULL, 2, 50),
  (3, 3, 'Петров', '2024-01-07', '2024-02-03', 1, 70),
  (4, 1, 'Иванова', '2024-01-12', '2024-01-13', NULL, NULL),
  (5, 3, 'О''Брайен', '2024-01-08', '2024-01-09', 3, 50),
  (6, 2, 'Иванова', '2023-12-20', '2024-01-02', 1, 10);
)";

struct ReportFixture : WindowFixture {
    TMainForm *w = nullptr;
    ReportFixture()
    {
        qputenv("TEMP", dir.path().toLocal8Bit());
        w = &startInEditMode();
        db().MyServer.runStatement(QString::fromUtf8(Catalogue));
        db().MyBooks.refresh();
    }
    ~ReportFixture() { qunsetenv("TEMP"); }

    // The period dialog answers with these days (and reader); an empty `from` cancels it.
    void answerPeriod(QDate from, QDate to, const QString &reader = {})
    {
        platform.onModal = [=](QDialog &d) {
            auto &period = static_cast<TPeriodFm &>(d);
            if (!from.isValid())
                return int(QDialog::Rejected);
            period.dtFrom->setDate(from);
            period.dtTo->setDate(to);
            period.cbLoaners->setEditText(reader);
            return int(QDialog::Accepted);
        };
    }
    void answerJanuary(const QString &reader = {}) { answerPeriod(QDate(2024, 1, 1), QDate(2024, 1, 31), reader); }
};

} // namespace

class ReportTest : public QObject {
    Q_OBJECT
private slots:
    void periodDefaultsToAMonthBack_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("from");
        QTest::newRow("31 March of a leap year") << QDate(2024, 3, 31) << QDate(2024, 2, 29);
        QTest::newRow("31 March") << QDate(2023, 3, 31) << QDate(2023, 2, 28);
        QTest::newRow("15 January") << QDate(2024, 1, 15) << QDate(2023, 12, 15);
    }
    void periodDefaultsToAMonthBack()
    {
        QFETCH(QDate, today);
        QFETCH(QDate, from);
        QCOMPARE(TPeriodFm::defaultPeriod(today), std::make_pair(from, today));
    }

    void periodDialogProposesReadersAndKeepsTheTypedOne()
    {
        ReportFixture f;
        TPeriodFm &period = *f.program.PeriodFm;
        period.cbLoaners->setEditText(QStringLiteral("Ива"));
        period.setReaderVisible(true);
        period.show();
        QCOMPARE(period.dtTo->date(), QDate::currentDate());
        QCOMPARE(period.dtFrom->date(), QDate::currentDate().addMonths(-1));
        QStringList items;
        for (int i = 0; i < period.cbLoaners->count(); ++i)
            items << period.cbLoaners->itemText(i);
        QCOMPARE(items, (QStringList{"Иванова", "О'Брайен", "Петров"}));
        QCOMPARE(period.cbLoaners->currentText(), QStringLiteral("Ива"));
        QCOMPARE(period.periodClause(), QStringLiteral(" BETWEEN '%1' AND '%2')")
                                            .arg(period.dtFrom->date().toString(Qt::ISODate),
                                                 period.dtTo->date().toString(Qt::ISODate)));
        QCOMPARE(period.Label3->buddy(), period.cbLoaners);
        period.hide();
    }

    void generalReport_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("January") << QDate(2024, 1, 1)
                                 << QByteArray("<h2>Новые поступления</h2>\r\n<ul>\r\n<li>Книги 2</li>\r\n"
                                               "<li>Журналы &amp; газеты 1</li>\r\n</ul>"
                                               "<h2>Количество выполненных заявок</h2>\r\n<ul>\r\n"
                                               "<li>от сотрудников 2</li>\r\n<li>от организаций ИК 0</li>\r\n"
                                               "<li>Платные 0</li>\r\n<li>Читальный зал 1</li>\r\n"
                                               "<li>Оказано платных услуг на сумму 150</li>\r\n</ul>\r\n");
        QTest::newRow("nothing received") << QDate(2030, 1, 1)
                                          << QByteArray("<p>Новых поступлений не было</p>"
                                                        "<h2>Количество выполненных заявок</h2>\r\n<ul>\r\n"
                                                        "<li>от сотрудников 0</li>\r\n<li>от организаций ИК 0</li>\r\n"
                                                        "<li>Платные 0</li>\r\n<li>Читальный зал 0</li>\r\n"
                                                        "<li>Оказано платных услуг на сумму 0</li>\r\n</ul>\r\n");
    }
    void generalReport()
    {
        QFETCH(QDate, from);
        QFETCH(QByteArray, body);
        ReportFixture f;
        f.answerPeriod(from, from.addMonths(1).addDays(-1));
        f.w->N12Click();
        const QString path = f.path(QStringLiteral("report.html"));
        QCOMPARE(f.platform.shellOpened, QStringList{path});
        QCOMPARE(fileBytes(path), cp1251(Head + "<h1>Общий отчёт</h1>\r\n" + body + "\r\n</body>\r\n</html>"));
        QVERIFY(!f.program.PeriodFm->cbLoaners->isVisibleTo(f.program.PeriodFm.get()));

        // The page can be printed from the program; the preview gets the page as it was written.
        QVERIFY(f.w->miPrint->isEnabled());
        QTextDocument document;
        ui::loadReportDocument(document, f.w->lastReport());
        QVERIFY(document.toPlainText().contains(QStringLiteral("Общий отчёт")));
    }

    void readerReport_data()
    {
        QTest::addColumn<QString>("reader");
        QTest::addColumn<QByteArray>("body");
        const QByteArray d5 = shortDate(2024, 1, 5).toUtf8(), d10 = shortDate(2024, 1, 10).toUtf8(),
                         d6 = shortDate(2024, 1, 6).toUtf8(), d12 = shortDate(2024, 1, 12).toUtf8(),
                         d13 = shortDate(2024, 1, 13).toUtf8(), d8 = shortDate(2024, 1, 8).toUtf8(),
                         d9 = shortDate(2024, 1, 9).toUtf8();
        QTest::newRow("three loans, one open")
            << QStringLiteral("Иванова")
            << "<h2>Иванова</h2><table><tr><td>1</td><td>Война\r\nи мир</td><td>" + d5 + "</td><td>" + d10 +
                   "</td></tr>\r\n<tr><td>2</td><td>&lt;Без названия&gt;</td><td>" + d6 +
                   "</td><td></td></tr>\r\n<tr><td>1</td><td>Война\r\nи мир</td><td>" + d12 + "</td><td>" + d13 +
                   "</td></tr>\r\n</table>";
        QTest::newRow("an apostrophe in the name")
            << QStringLiteral("О'Брайен")
            << "<h2>О'Брайен</h2><table><tr><td>3</td><td>Вестник</td><td>" + d8 + "</td><td>" + d9 +
                   "</td></tr>\r\n</table>";
        QTest::newRow("no loans") << QStringLiteral("Сидоров & сын")
                                  << QByteArray("<h2>Сидоров &amp; сын</h2><p>Выданных изданий не было</p>");
    }
    void readerReport()
    {
        QFETCH(QString, reader);
        QFETCH(QByteArray, body);
        ReportFixture f;
        f.answerJanuary(reader);
        f.w->N13Click();
        QVERIFY2(f.platform.messages.isEmpty(), qPrintable(f.platform.messageTexts().join(u'\n')));
        const QString path = f.path(QStringLiteral("rep.html"));
        QCOMPARE(f.platform.shellOpened, QStringList{path});
        QCOMPARE(fileBytes(path), cp1251(Head + "<h1>Отчёт по выданной литературе</h1>\r\n" + body));
    }

    void periodViewsOfTheCatalogue()
    {
        ReportFixture f;
        f.answerJanuary();
        f.w->N14Click(); // holding 1 lent twice is shown once; the loan of December is not counted
        QCOMPARE(shownInvNums(*f.w), (QList<int>{1, 2, 3}));
        QVERIFY(f.w->sbStatusCount->text().endsWith(u'3'));

        f.db().SetCondition(QStringLiteral("srch|title LIKE '%мир%'"));
        f.w->miNewAcquirementsClick(); // the search is dropped; kind 0 counts on the "Все" tab
        QCOMPARE(shownInvNums(*f.w), (QList<int>{1, 2, 3, 4}));
        QCOMPARE(*f.db().Conditions, QStringList{"new|(date_reg  BETWEEN '2024-01-01' AND '2024-01-31')"});
    }

    void cancellingThePeriodChangesNothing()
    {
        ReportFixture f;
        f.answerPeriod(QDate(), QDate());
        const QString filter = f.db().MyBooks.filterSQL();
        for (auto handler : {&TMainForm::N12Click, &TMainForm::N13Click, &TMainForm::N14Click,
                             &TMainForm::miNewAcquirementsClick})
            (f.w->*handler)();
        QVERIFY(f.platform.shellOpened.isEmpty());
        QVERIFY(!QFile::exists(f.path(QStringLiteral("report.html"))));
        QCOMPARE(f.db().MyBooks.filterSQL(), filter);
        QCOMPARE(f.platform.modalDialogs, QStringList(4, QStringLiteral("PeriodFm")));
    }

    void exportWritesTheShownHoldingsIntoTheTemplate()
    {
        ReportFixture f;
        QFile templ(f.path(QStringLiteral("table.html")));
        QVERIFY(templ.open(QIODevice::WriteOnly));
        templ.write("<html>\r\n{content}\r\n{content}</html>");
        templ.close();
        f.db().SetCondition(QStringLiteral("srch|id <= 2"));
        f.db().MyBooks.setIndexFieldNames(QStringLiteral("id"));
        f.w->miExportClick();

        const QString path = f.path(QStringLiteral("lib_export.html"));
        QCOMPARE(f.platform.wordProcessorFiles, QStringList{path});
        const QByteArray table =
            "<table>\r\n<tr>\r\n<th>Инв. №</th><th>Дата поступления</th><th>Источник</th><th>Автор</th>"
            "<th>Название</th><th>Место</th><th>Год издания</th><th>Количество</th><th>Цена</th>"
            "<th>Примечание</th></tr>  <tr><td>1</td><td>" + shortDate(2024, 1, 10).toUtf8() +
            "</td><td>Дар</td><td>Толстой Л.</td><td>Война<br>и мир</td><td>М.</td><td>1990</td><td>1200</td>"
            "<td>12.5</td><td>строка 1\r\nстрока 2</td></tr>\r\n  <tr><td>2</td><td>" +
            shortDate(2024, 1, 20).toUtf8() +
            "</td><td>Фонд &amp; K</td><td></td><td>&lt;Без названия&gt;</td><td></td><td></td><td></td>"
            "<td></td><td></td></tr>\r\n</table>";
        QCOMPARE(fileBytes(path), cp1251("<html>\r\n" + table + "\r\n{content}</html>"));
        QCOMPARE(f.db().MyBooks.recNo(), 1); // the walk ends on the last row

        // An empty selection: the heading row only.
        f.db().SetCondition(QStringLiteral("srch|id < 0"));
        f.w->miExportClick();
        QVERIFY(fileBytes(path).contains(cp1251("<th>Примечание</th></tr></table>")));
    }

    void exportWithoutTemplateSaysSoAndOpensNothing()
    {
        ReportFixture f;
        f.w->miExportClick();
        QVERIFY(f.platform.wordProcessorFiles.isEmpty());
        QCOMPARE(f.platform.messages.size(), 1);
        QVERIFY(f.platform.messages.first().text.contains(f.path(QStringLiteral("table.html"))));
    }
};

QTEST_MAIN(ReportTest)
#include "test_reports.moc"
