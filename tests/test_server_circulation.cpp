// Due dates on a catalogue on the server: the same cases as on the file, a catalogue made there
// before due dates were kept, and the table made for it in edit mode.
#include "CirculationCases.h"
#include "ReaderCases.h"
#include "TestServer.h"

#include "data/dataset/Dataset.h"
#include "data/script/ScriptDump.h"

#include <QtTest>

namespace {
const QString InstallScript = QStringLiteral(LIBRARY_SOURCE_DIR "/resources/install_db.sql");
}

class ServerCirculationTest : public QObject {
    Q_OBJECT
private slots:
    void sameCasesAsOnTheFile()
    {
        ServerDb db;
        REQUIRE_TEST_SERVER(db.server);
        data::ScriptDump(&db.conn).RunScriptFile(InstallScript);
        data::ScriptDump(&db.conn).RunScriptFile(InstallScript); // run twice, it changes nothing
        db.conn.runStatement(circulation::Loans);
        circulation::checkExtensions(db.conn);
        if (QTest::currentTestFailed())
            return;
        circulation::checkOverdue(db.conn);
        if (QTest::currentTestFailed())
            return;
        circulation::checkStatistics(db.conn);
    }

    void readersRegister()
    {
        ServerDb db;
        REQUIRE_TEST_SERVER(db.server);
        data::ScriptDump(&db.conn).RunScriptFile(InstallScript);
        db.conn.runStatement(circulation::Loans);
        readercases::checkAll(db.conn);
        if (QTest::currentTestFailed())
            return;
        ServerDb fresh;
        data::ScriptDump(&fresh.conn).RunScriptFile(InstallScript);
        fresh.conn.runStatement(circulation::Loans);
        readercases::checkReadersFromLoans(fresh.conn);
        if (QTest::currentTestFailed())
            return;
        ServerDb third;
        data::ScriptDump(&third.conn).RunScriptFile(InstallScript);
        third.conn.runStatement(circulation::Loans);
        readercases::checkReportsCountRecords(third.conn);
    }

    // The register the program makes in edit mode is the one the creation script makes.
    void theRegisterIsTheSameMadeEitherWay()
    {
        ServerDb made, script;
        REQUIRE_TEST_SERVER(made.server);
        store::ensureReaders(made.conn);
        data::ScriptDump(&script.conn).RunScriptFile(InstallScript);
        const QString columns = QStringLiteral("SELECT GROUP_CONCAT(CONCAT(column_name, ' ', column_type, ' ', is_nullable, ' ',"
                                               " COALESCE(column_default, '-'), ' ', column_key) ORDER BY ordinal_position)"
                                               " FROM information_schema.columns WHERE table_schema = DATABASE() AND"
                                               " table_name = 'readers'");
        QCOMPARE(readercases::column(made.conn, columns), readercases::column(script.conn, columns));
    }

    void anOlderCatalogueGetsTheTableInEditMode()
    {
        ServerDb db;
        REQUIRE_TEST_SERVER(db.server);
        data::ScriptDump(&db.conn).RunScriptFile(InstallScript);
        db.conn.runStatement(QStringLiteral("DROP TABLE loan_terms"));
        db.conn.runStatement(circulation::Loans);
        QVERIFY(!store::loanTermsExist(db.conn));
        QCOMPARE(store::overdueHoldings(db.conn, {}, circulation::Day).size(), 4);
        store::ensureLoanTerms(db.conn);
        QVERIFY(store::loanTermsExist(db.conn));
        store::extendLoan(db.conn, 1, QDate(2024, 3, 5), circulation::Day, {});
        QCOMPARE(store::overdueHoldings(db.conn, {}, circulation::Day).size(), 3);
    }
};

QTEST_GUILESS_MAIN(ServerCirculationTest)
#include "test_server_circulation.moc"
