// The lending desk on a catalogue on the server: the same cases as on the file.
#include "DeskCases.h"
#include "TestServer.h"

#include "data/script/ScriptDump.h"

#include <QtTest>

namespace {
const QString InstallScript = QStringLiteral(LIBRARY_SOURCE_DIR "/resources/install_db.sql");
}

class ServerDeskTest : public QObject {
    Q_OBJECT
private slots:
    void deskCases()
    {
        ServerDb db;
        REQUIRE_TEST_SERVER(db.server);
        data::ScriptDump(&db.conn).RunScriptFile(InstallScript);
        db.conn.runStatement(circulation::Loans);
        deskcases::checkAll(db.conn);
    }

    void anActionFailingHalfWayLeavesNothing()
    {
        ServerDb db;
        REQUIRE_TEST_SERVER(db.server);
        data::ScriptDump(&db.conn).RunScriptFile(InstallScript);
        db.conn.runStatement(circulation::Loans);
        db.conn.runStatement(deskcases::Desk);
        deskcases::checkWholeOrNothing(db.conn, QStringLiteral("CREATE TRIGGER desk_fails BEFORE UPDATE ON books FOR EACH ROW"
                                                               " SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'сбой'"));
    }
};

QTEST_GUILESS_MAIN(ServerDeskTest)
#include "test_server_desk.moc"
