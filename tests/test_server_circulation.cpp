// Due dates on a catalogue on the server: the same cases as on the file, a catalogue made there
// before due dates were kept, and the table made for it in edit mode.
#include "CirculationCases.h"
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
