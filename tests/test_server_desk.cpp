// The lending desk on a catalogue on the server: the same cases as on the file.
#include "DeskCases.h"
#include "TestServer.h"

#include "data/script/ScriptDump.h"

#include <QtTest>

namespace {
// A catalogue made by the creation script, with the six loans.
void withLoans(ServerDb &db)
{
    data::ScriptDump(&db.conn).RunScriptFile(QStringLiteral(LIBRARY_SOURCE_DIR "/resources/install_db.sql"));
    db.conn.runStatement(circulation::Loans);
}
} // namespace

class ServerDeskTest : public QObject {
    Q_OBJECT
private slots:
    void deskCases()
    {
        ServerDb db;
        REQUIRE_TEST_SERVER(db.server);
        withLoans(db);
        deskcases::checkAll(db.conn);
    }

    void anActionFailingHalfWayLeavesNothing()
    {
        ServerDb db;
        REQUIRE_TEST_SERVER(db.server);
        withLoans(db);
        db.conn.runStatement(deskcases::Desk);
        deskcases::checkWholeOrNothing(db.conn, QStringLiteral("CREATE TRIGGER desk_fails BEFORE UPDATE ON books FOR EACH ROW"
                                                               " SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'сбой'"));
    }
};

QTEST_GUILESS_MAIN(ServerDeskTest)
#include "test_server_desk.moc"
