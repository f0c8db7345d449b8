// Due dates in the store: the rules, the periods in the settings file, extensions, overdue loans
// and the statistics on a small catalogue, a catalogue made before due dates were kept, and
// backups moving between the two.
#include "CirculationCases.h"
#include "ReaderCases.h"
#include "TempDb.h"

#include "CatalogueRestore.h"
#include "CirculationPages.h"
#include "IniFile.h"
#include "SchemaCreation.h"
#include "data/dataset/Dataset.h"
#include "data/script/ScriptDump.h"
#include "data/text/TextCodec.h"

#include <QtTest>

namespace {

using namespace circulation;

QByteArray cp1251Text(const QString &text) { return data::encodeCp1251(text); }

// A new catalogue with the six loans; `older` drops the table a catalogue of before lacked.
struct Catalogue : TempDb {
    explicit Catalogue(bool older = false)
    {
        store::ensureCatalogueSchema(conn);
        if (older)
            conn.runStatement(QStringLiteral("DROP TABLE loan_terms"));
        conn.runStatement(Loans);
    }
    QStringList column(const QString &sql)
    {
        data::Dataset q(&conn);
        q.setSql(sql);
        q.open();
        QStringList values;
        for (q.first(); !q.eof(); q.next())
            values << q.field(0).asString();
        return values;
    }
};

} // namespace

class CirculationTest : public QObject {
    Q_OBJECT
private slots:
    void dueDateRules_data()
    {
        QTest::addColumn<QDate>("lent");
        QTest::addColumn<QVariant>("status");
        QTest::addColumn<QDate>("extendedTo");
        QTest::addColumn<QDate>("due");
        QTest::addColumn<int>("lateOn1March2024");
        QTest::newRow("staff, 30 days") << QDate(2024, 1, 15) << QVariant(0) << QDate() << QDate(2024, 2, 14) << 16;
        QTest::newRow("sources, into a leap February") << QDate(2024, 1, 31) << QVariant(1) << QDate()
                                                       << QDate(2024, 3, 1) << 0;
        QTest::newRow("sources, a common year") << QDate(2023, 1, 31) << QVariant(1) << QDate() << QDate(2023, 3, 2) << 365;
        QTest::newRow("paid, over the new year") << QDate(2023, 12, 25) << QVariant(2) << QDate() << QDate(2024, 1, 8) << 53;
        QTest::newRow("reading room, the same day") << QDate(2024, 2, 29) << QVariant(3) << QDate() << QDate(2024, 2, 29)
                                                    << 1;
        QTest::newRow("no kind counts as staff") << QDate(2024, 2, 1) << QVariant() << QDate() << QDate(2024, 3, 2) << 0;
        QTest::newRow("an unknown kind as well") << QDate(2024, 2, 1) << QVariant(7) << QDate() << QDate(2024, 3, 2) << 0;
        QTest::newRow("extended") << QDate(2024, 1, 15) << QVariant(0) << QDate(2024, 2, 20) << QDate(2024, 2, 20) << 10;
        QTest::newRow("no lending date") << QDate() << QVariant(0) << QDate() << QDate() << 0;
    }
    void dueDateRules()
    {
        QFETCH(QDate, lent);
        QFETCH(QVariant, status);
        QFETCH(QDate, extendedTo);
        QFETCH(QDate, due);
        QFETCH(int, lateOn1March2024);
        const QDate computed = store::dueDate(lent, status, store::LoanPeriods(), extendedTo);
        QCOMPARE(computed, due);
        QCOMPARE(store::daysOverdue(computed, Day), lateOn1March2024);
        QCOMPARE(store::daysOverdue(computed, computed), 0); // back on the due day is in time
    }

    void periodsInTheSettingsFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("library.ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Loans]\r\nStaff=45\r\nPaid=-3\r\nReadingRoom=abc\r\n[Library]\r\nName= Библиотека НИИ \r\n");
        f.close();
        store::IniFile ini(path);
        QStringList refused;
        const store::LoanPeriods read = store::readLoanPeriods(&ini, &refused);
        QCOMPARE(read.days, (std::array<int, 4>{45, 30, 14, 0}));
        QCOMPARE(refused, (QStringList{"Платная заявка", "Читальный зал"}));
        QCOMPARE(store::readLetterhead(&ini).name, QStringLiteral("Библиотека НИИ"));
        QVERIFY(store::readLetterhead(&ini).signature.isEmpty());
        store::LoanPeriods changed = read;
        changed.days = {0, 10, 20, store::LongestLoanPeriod};
        QVERIFY(store::writeLoanPeriods(ini, changed));
        QCOMPARE(store::readLoanPeriods(&ini), changed);
        QCOMPARE(store::readLoanPeriods(nullptr), store::LoanPeriods());
    }

    void extensionsOverdueLoansAndStatistics()
    {
        Catalogue c;
        checkExtensions(c.conn);
        if (QTest::currentTestFailed())
            return;
        checkOverdue(c.conn);
        if (QTest::currentTestFailed())
            return;
        checkStatistics(c.conn);
    }

    void anExtensionBelongsToTheLendingItWasGivenTo()
    {
        Catalogue c;
        store::extendLoan(c.conn, 1, QDate(2024, 4, 1), Day, {});
        QCOMPARE(store::loanExtensions(c.conn, 1).size(), 1);
        // The lending date corrected on the card: the loan is due by its kind again.
        c.conn.runStatement(QStringLiteral("UPDATE orders SET date_out = '2024-01-20' WHERE id = 1"));
        QVERIFY(store::loanExtensions(c.conn, 1).isEmpty());
        QVERIFY(describe(store::groupByReader(store::readOverdueLoans(c.conn, {}, Day))).startsWith("Иванова 1:19.02.2024:11"));
        // A loan row deleted by another copy of the program and its number given to a new loan.
        c.conn.runStatement(QStringLiteral("DELETE FROM orders WHERE id = 1; INSERT INTO orders (id, book_id, loaner, "
                                           "date_out, status) VALUES (1, 6, 'Сидоров', '2024-01-15', 0)"));
        QVERIFY(store::loanExtensions(c.conn, 1).isEmpty());
        QCOMPARE(store::firstOpenLoan(c.conn, {}, 6).due, QDate(2024, 2, 14));
    }

    void aCatalogueMadeBeforeDueDatesWorksAsItIs()
    {
        Catalogue c(true);
        QVERIFY(!store::loanTermsExist(c.conn));
        // Without extensions the loan of 10 February is late as well.
        QCOMPARE(describe(store::groupByReader(store::readOverdueLoans(c.conn, {}, Day))),
                 QStringLiteral("Иванова 1:14.02.2024:16,2:24.02.2024:6 | О'Брайен %_<b> 3:28.02.2024:2 | - 5:04.02.2024:26"));
        QCOMPARE(describe(store::overdueHoldings(c.conn, {}, Day)),
                 QStringLiteral("1:14.02.2024 2:24.02.2024 3:28.02.2024 5:04.02.2024"));
        QVERIFY(store::loanExtensions(c.conn, 2).isEmpty());
        QVERIFY(!store::loanTermsExist(c.conn)); // reading made nothing
        // Edit mode makes the table with the same columns a new catalogue has.
        store::ensureLoanTerms(c.conn);
        Catalogue fresh;
        const QString columns = QStringLiteral("SELECT name || ' ' || type || ' ' || \"notnull\" || ' ' || pk FROM "
                                               "pragma_table_info('loan_terms')");
        QCOMPARE(c.column(columns), fresh.column(columns));
        QCOMPARE(c.column(columns).size(), 6);
    }

    void noLoansAndTenThousandOverdueOnesGiveWholePages()
    {
        TempDb empty;
        store::ensureCatalogueSchema(empty.conn);
        const auto none = store::groupByReader(store::readOverdueLoans(empty.conn, {}, Day));
        QVERIFY(reports::overdueReportPage(Day, none).contains(cp1251Text("<p>Просроченных выдач нет</p>\r\n</body>")));
        QVERIFY(reports::reminderLettersPage(Day, none, {}).contains(cp1251Text("<p>Просроченных выдач нет</p>")));
        const QByteArray stats =
            reports::loanStatisticsPage(store::readLoanStatistics(empty.conn, QDate(2024, 1, 1), QDate(2024, 12, 31)));
        QVERIFY(stats.contains(cp1251Text("<p>Выдач за период не было</p>")) && !stats.contains("<svg"));
        QVERIFY(stats.contains(cp1251Text("<p>В каталоге нет изданий, поступивших по 31.12.2024</p>")));

        // Ten thousand readers of one holding each, all late.
        empty.conn.runStatement(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000)"
            " INSERT INTO books (id, inv_num, title) SELECT i, i, 'Книга ' || i FROM n;"
            "INSERT INTO orders (book_id, loaner, date_out, status) SELECT id, 'Читатель ' || id, '2024-01-01', 0 FROM books"));
        const auto many = store::groupByReader(store::readOverdueLoans(empty.conn, {}, Day));
        QCOMPARE(many.size(), 10000);
        const QByteArray page = reports::overdueReportPage(Day, many);
        QCOMPARE(page.count("<td class=\"n\">30</td>"), 10000);
        QVERIFY(page.endsWith(cp1251Text("<p><b>Всего просроченных выдач: 10000, читателей: 10000</b></p>\r\n</body>\r\n</html>\r\n")));
    }

    // The readers register: records, names carried to the loans, search, readers of past loans,
    // stored due dates (the same cases run on the server).
    void readersRegister()
    {
        Catalogue c;
        readercases::checkAll(c.conn);
    }
    void readersFromPastLoans()
    {
        Catalogue c;
        readercases::checkReadersFromLoans(c.conn);
    }
    void reportsCountReadersAsRecords()
    {
        Catalogue c;
        readercases::checkReportsCountRecords(c.conn);
    }

    void backupsMoveBetweenOlderAndNewerCatalogues()
    {
        QTemporaryDir dir;
        const QString oldBackup = dir.filePath(QStringLiteral("old.sql")), newBackup = dir.filePath(QStringLiteral("new.sql"));
        Catalogue older(true);
        data::ScriptDump(&older.conn).BackupToScript(oldBackup);
        Catalogue newer;
        store::extendLoan(newer.conn, 2, QDate(2024, 3, 10), Day, {});
        data::ScriptDump(&newer.conn).BackupToScript(newBackup);
        QVERIFY(QFile(newBackup).open(QIODevice::ReadOnly));

        // The older backup into the newer catalogue: the loans come back, the extension goes.
        data::ScriptDump newerDump(&newer.conn);
        const data::TableRows rows = store::restoreCatalogue(newerDump, newer.conn, oldBackup).rows;
        QVERIFY(!rows.isEmpty());
        QCOMPARE(newer.column(QStringLiteral("SELECT COUNT(*) FROM orders")), QStringList{"6"});
        QCOMPARE(newer.column(QStringLiteral("SELECT COUNT(*) FROM loan_terms")), QStringList{"0"});

        // The newer backup into the older catalogue: it gets the table and the extension.
        data::ScriptDump olderDump(&older.conn);
        store::restoreCatalogue(olderDump, older.conn, newBackup);
        QCOMPARE(older.column(QStringLiteral("SELECT CAST(due_date AS TEXT) FROM loan_terms")), QStringList{"2024-03-10"});

        // A backup cut short is refused under its own name.
        QFile cut(oldBackup);
        QVERIFY(cut.open(QIODevice::ReadWrite));
        cut.resize(cut.size() - 10);
        cut.close();
        const QString refusal = errorOf([&] { store::restoreCatalogue(olderDump, older.conn, oldBackup); });
        QVERIFY2(refusal.contains(oldBackup), qPrintable(refusal));
        QCOMPARE(older.column(QStringLiteral("SELECT COUNT(*) FROM loan_terms")), QStringList{"1"});
    }
};

QTEST_GUILESS_MAIN(CirculationTest)
#include "test_circulation.moc"
