// The catalogue's Z39.50 and SRU target: searches by title, author, ISBN, subject and any word
// with the hits and records a client sees, and the Bib-1 diagnostics of what it cannot answer.
// The same catalogue is searched in-process through a session and over the network through
// library-z3950 on a free loopback port, with yaz-client for Z39.50 and HTTP GET for SRU. Built
// twice: on a catalogue file, and (LIBRARY_TEST_ON_SERVER) on the test MariaDB server.
#include "Bib1Error.h"
#include "CatalogueReading.h"
#include "CatalogueExchange.h"
#include "Catalogues.h"
#include "CatalogueSource.h"
#include "SchemaCreation.h"
#include "TargetBackend.h"
#include "TargetSession.h"
#include "DatasetFixture.h"
#include "TempDb.h"
#include "TestServer.h"
#include "data/script/ScriptDump.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>
#include <yaz/diagbib1.h>
#include <yaz/oid_db.h>
#include <yaz/pquery.h>

using z3950::Bib1Error;
using z3950::TargetSession;

namespace {

const char *const Books = R"(
INSERT INTO books (id, inv_num, liter, itemkind_id, author, title, isbn, year_p, publisher, annotation) VALUES
 (1, 1, 'К', 1, 'Толстой, Лев Николаевич', 'Война и мир', '978-5-17-090335-2', 2015, 'АСТ', NULL),
 (2, 2, 'К', 1, 'Пушкин, Александр Сергеевич', 'Евгений Онегин', '5-02-013848-7', 1999, 'Наука', NULL),
 (3, 3, 'К', 1, 'Tolkien, J. R. R.', 'The Hobbit, or There and Back Again', '0-261-10221-4', 1995, 'HarperCollins', NULL),
 (4, 4, 'К', 1, 'Толстой, Алексей Николаевич', 'Пётр Первый', NULL, 1985, 'Правда', 'Исторический роман');
INSERT INTO keywords (keyword, book_id) VALUES ('роман', 1), ('классика', 1), ('поэзия', 2), ('классика', 2), ('fantasy', 3);
)";

// A loopback port nothing listens on just now.
int freePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}

} // namespace

class TestZ3950Target : public QObject {
    Q_OBJECT

    TempDb db_; // on the server the folder of the settings alone
#ifdef LIBRARY_TEST_ON_SERVER
    ServerDb server_db_;
#endif
    QString ini_;
    std::unique_ptr<data::Connection> reading_;
    std::unique_ptr<TargetSession> session_;
    QProcess server_;
    int port_ = 0;

    // The hits of a PQF query searched in-process into the set "s", or the diagnostic's code.
    qint64 search(const QString &pqf, const QString &database = QStringLiteral("marc21"))
    {
        ODR odr = odr_createmem(ODR_ENCODE);
        YAZ_PQF_Parser parser = yaz_pqf_create();
        Z_RPNQuery *rpn = yaz_pqf_parse(parser, odr, pqf.toUtf8().constData());
        yaz_pqf_destroy(parser);
        if (!rpn) {
            odr_destroy(odr);
            qFatal("the test's PQF does not parse");
        }
        Z_Query query{};
        query.which = Z_Query_type_1;
        query.u.type_1 = rpn;
        qint64 hits = 0;
        try {
            hits = session_->search(QStringLiteral("s"), {database}, query);
        } catch (const Bib1Error &e) {
            hits = -e.code();
        }
        odr_destroy(odr);
        return hits;
    }

    QString yazClient(const QString &database, const QString &commands)
    {
        QProcess client;
        client.start(QStringLiteral("yaz-client"), {});
        if (!client.waitForStarted())
            return QStringLiteral("<yaz-client did not start>");
        client.write(QStringLiteral("open tcp:127.0.0.1:%1/%2\n%3\nquit\n").arg(port_).arg(database, commands).toUtf8());
        client.closeWriteChannel();
        client.waitForFinished(30000);
        return QString::fromUtf8(client.readAllStandardOutput());
    }

    QString sru(const QString &database, const QList<std::pair<QString, QString>> &parameters)
    {
        QUrl url(QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(database));
        QUrlQuery query;
        query.addQueryItem(QStringLiteral("version"), QStringLiteral("1.1"));
        query.addQueryItem(QStringLiteral("operation"), QStringLiteral("searchRetrieve"));
        for (const auto &[name, value] : parameters)
            query.addQueryItem(name, QString::fromUtf8(QUrl::toPercentEncoding(value)));
        url.setQuery(query);
        QNetworkAccessManager network;
        QNetworkReply *reply = network.get(QNetworkRequest(url));
        QEventLoop loop;
        connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(30000, &loop, &QEventLoop::quit);
        loop.exec();
        const QString body = QString::fromUtf8(reply->readAll());
        reply->deleteLater();
        return body;
    }

private slots:
    void initTestCase()
    {
        QByteArray settings = "[Z3950]\r\nDatabase=library\r\nFormat=RUSMARC\r\n";
#ifdef LIBRARY_TEST_ON_SERVER
        REQUIRE_TEST_SERVER(server_db_.server);
        data::ScriptDump(&server_db_.conn).RunScriptFile(QStringLiteral(LIBRARY_SOURCE_DIR "/resources/install_db.sql"));
        server_db_.conn.runStatement(QString::fromUtf8(Books));
        const TestServer &s = server_db_.server;
        settings += ("[MySQL]\r\nConnect=1\r\nhostname=" + s.server + "\r\nusername=" + s.user + "\r\npassword=" + s.password +
                     "\r\ndatabase=" + server_db_.name + "\r\n")
                        .toUtf8();
#else
        QVERIFY(store::ensureCatalogueSchema(db_.conn));
        db_.conn.runStatement(QString::fromUtf8(Books));
#endif
        ini_ = db_.dir.filePath(QStringLiteral("library.ini"));
        QFile ini(ini_);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(settings);
        ini.close();
        reading_ = store::openCatalogueForReading(ini_);
        session_ = std::make_unique<TargetSession>(*reading_, z3950::readTargetSettings(ini_).database);

        port_ = freePort();
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.setStandardOutputFile(db_.dir.filePath(QStringLiteral("server.log")));
        server_.start(QStringLiteral(LIBRARY_BINARY_DIR "/library-z3950"),
                      {ini_, QStringLiteral("tcp:127.0.0.1:%1").arg(port_)});
        QVERIFY(server_.waitForStarted());
        bool listening = false;
        for (int i = 0; i < 100 && !listening; ++i) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, quint16(port_));
            listening = probe.waitForConnected(100);
            if (!listening)
                QTest::qWait(50);
        }
        QVERIFY2(listening, "library-z3950 does not listen");
    }

    void cleanupTestCase()
    {
        server_.terminate();
        if (!server_.waitForFinished(5000))
            server_.kill();
    }

    void searchHits_data()
    {
        QTest::addColumn<QString>("pqf");
        QTest::addColumn<qint64>("hits");
        QTest::newRow("title, a word within") << "@attr 1=4 мир" << qint64(1);
        QTest::newRow("title, any case") << "@attr 1=4 ВОЙНА" << qint64(1);
        QTest::newRow("title, none") << "@attr 1=4 анна" << qint64(0);
        QTest::newRow("author, surname") << "@attr 1=1003 толстой" << qint64(2);
        QTest::newRow("author, given name after the comma") << "@attr 1=1003 лев" << qint64(1);
        QTest::newRow("author, not within a name") << "@attr 1=1003 николаевич" << qint64(0);
        QTest::newRow("ISBN as the card has it") << "@attr 1=7 5-02-013848-7" << qint64(1);
        QTest::newRow("ISBN-10 in digits") << "@attr 1=7 5020138487" << qint64(1);
        QTest::newRow("ISBN-13 of an ISBN-10 card") << "@attr 1=7 9785020138483" << qint64(1);
        QTest::newRow("ISBN-13 in digits") << "@attr 1=7 9785170903352" << qint64(1);
        QTest::newRow("ISBN unknown") << "@attr 1=7 9780000000002" << qint64(0);
        QTest::newRow("subject, the keyword") << "@attr 1=21 классика" << qint64(2);
        QTest::newRow("subject, not part of one") << "@attr 1=21 класс" << qint64(0);
        QTest::newRow("any: keyword and annotation") << "@attr 1=1016 роман" << qint64(2);
        QTest::newRow("any: publisher") << "@attr 1=1016 harpercollins" << qint64(1);
        QTest::newRow("no use attribute is any") << "пушкин" << qint64(1);
        QTest::newRow("and") << "@and @attr 1=1003 толстой @attr 1=4 мир" << qint64(1);
        QTest::newRow("or") << "@or @attr 1=4 мир @attr 1=4 hobbit" << qint64(2);
        QTest::newRow("and-not") << "@not @attr 1=1003 толстой @attr 1=4 мир" << qint64(1);
        QTest::newRow("year from 1999") << "@attr 1=31 @attr 2=4 1999" << qint64(2);
        QTest::newRow("year before 1990") << "@attr 1=31 @attr 2=1 1990" << qint64(1);
        QTest::newRow("word start") << "@attr 1=4 @attr 5=1 hob" << qint64(1);
        QTest::newRow("whole word only") << "@attr 1=4 @attr 5=100 hob" << qint64(0);
        QTest::newRow("all of the words") << "@attr 1=4 @attr 4=6 \"back hobbit\"" << qint64(1);
        QTest::newRow("not all of the words") << "@attr 1=4 @attr 4=6 \"back мир\"" << qint64(0);
        QTest::newRow("any of the words") << "@attr 1=4 @attr 4=105 \"back мир\"" << qint64(2);
        QTest::newRow("complete field") << "@attr 1=4 @attr 6=3 \"война и мир\"" << qint64(1);
        QTest::newRow("not the complete field") << "@attr 1=4 @attr 6=3 война" << qint64(0);
        QTest::newRow("a set named again") << "@and @set s @attr 1=4 мир" << qint64(1);
        // Forty whole-word searches joined by one operator: far more than the engine's parser
        // could take as nested parentheses.
        const QString word = QStringLiteral(" @attr 1=1016 @attr 5=100 роман");
        QTest::newRow("a long chain of AND") << QStringLiteral("@and ").repeated(39) + word.repeated(40) << qint64(2);
        QTest::newRow("a long chain of OR") << QStringLiteral("@or ").repeated(39) + word.repeated(40) << qint64(2);
    }

    void searchHits()
    {
        QFETCH(QString, pqf);
        QFETCH(qint64, hits);
        // The set "s" a row names is the previous row's: one of at least one hit.
        search(QStringLiteral("@attr 1=1003 толстой"));
        QCOMPARE(search(pqf), hits);
    }

    void searchDiagnostics_data()
    {
        QTest::addColumn<QString>("pqf");
        QTest::addColumn<QString>("database");
        QTest::addColumn<int>("code");
        QTest::newRow("unknown use attribute") << "@attr 1=9999 x" << "marc21" << YAZ_BIB1_UNSUPP_USE_ATTRIBUTE;
        QTest::newRow("unknown truncation") << "@attr 1=4 @attr 5=7 x" << "marc21" << YAZ_BIB1_UNSUPP_TRUNCATION_ATTRIBUTE;
        QTest::newRow("less than a title") << "@attr 1=4 @attr 2=1 x" << "marc21" << YAZ_BIB1_UNSUPP_RELATION_ATTRIBUTE;
        QTest::newRow("another attribute set") << "@attrset exp1 @attr 1=4 x" << "marc21" << YAZ_BIB1_UNSUPP_ATTRIBUTE_SET;
        QTest::newRow("a year not a number") << "@attr 1=31 давно" << "marc21" << YAZ_BIB1_ILLEGAL_TERM_VALUE_FOR_ATTRIBUTE;
        QTest::newRow("a set never made") << "@set nosuch" << "marc21" << YAZ_BIB1_SPECIFIED_RESULT_SET_DOES_NOT_EXIST;
        QTest::newRow("nested too deeply") << QStringLiteral("@and @or ").repeated(10) + QStringLiteral(" @attr 1=1016 @attr 5=100 роман").repeated(21)
                                           << "marc21" << YAZ_BIB1_TOO_MANY_BOOLEAN_OPERATORS;
        QTest::newRow("unknown database") << "@attr 1=4 мир" << "nosuch" << YAZ_BIB1_DATABASE_DOES_NOT_EXIST;
    }

    void searchDiagnostics()
    {
        QFETCH(QString, pqf);
        QFETCH(QString, database);
        QFETCH(int, code);
        QCOMPARE(search(pqf, database), qint64(-code));
    }

    void recordForms_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("syntax"); // empty: none asked
        QTest::addColumn<QString>("elementSet");
        QTest::addColumn<QString>("seen"); // in the record, or the diagnostic's code
        QTest::newRow("MARC21, ISO 2709") << "marc21" << "" << "" << "Евгений Онегин\x1e";
        QTest::newRow("MARC21 asked by syntax") << "rusmarc" << "usmarc" << "F" << "\x1f" "a5-02-013848-7";
        QTest::newRow("RUSMARC database") << "rusmarc" << "" << "" << "\x1f" "aЕвгений Онегин";
        QTest::newRow("the library's own name") << "library" << "xml" << "" << "<datafield tag=\"200\"";
        QTest::newRow("MARCXML of MARC21") << "marc21" << "xml" << "marcxml" << "<datafield tag=\"245\"";
        QTest::newRow("MARCXML of RUSMARC by name") << "marc21" << "xml" << "rusmarc" << "<datafield tag=\"200\"";
        QTest::newRow("a syntax not given") << "marc21" << "sutrs" << "" << "239";
        QTest::newRow("an element set not known") << "marc21" << "usmarc" << "brief" << "25";
    }

    void recordForms()
    {
        QFETCH(QString, database);
        QFETCH(QString, syntax);
        QFETCH(QString, elementSet);
        QFETCH(QString, seen);
        QCOMPARE(search(QStringLiteral("@attr 1=7 5020138487"), database), qint64(1));
        const Odr_oid *oid = syntax.isEmpty() ? nullptr : yaz_string_to_oid(yaz_oid_std(), CLASS_RECSYN, syntax.toLatin1().constData());
        QString got;
        try {
            const QByteArray e = elementSet.toLatin1();
            got = QString::fromUtf8(session_->fetch(QStringLiteral("s"), 1, oid, e.isEmpty() ? nullptr : e.constData()).bytes);
        } catch (const Bib1Error &e) {
            got = QString::number(e.code());
        }
        QVERIFY2(got.contains(seen), qPrintable(got.left(400)));
    }

    void presentOutOfRange_data()
    {
        QTest::addColumn<qint64>("position");
        QTest::newRow("none before the first") << qint64(0);
        QTest::newRow("one past the last") << qint64(3);
        QTest::newRow("far beyond") << qint64(1000000000);
    }

    void presentOutOfRange()
    {
        QFETCH(qint64, position);
        QCOMPARE(search(QStringLiteral("@attr 1=21 классика")), qint64(2));
        int code = 0;
        try {
            session_->fetch(QStringLiteral("s"), position, nullptr, nullptr);
        } catch (const Bib1Error &e) {
            code = e.code();
        }
        QCOMPARE(code, YAZ_BIB1_PRESENT_REQUEST_OUT_OF_RANGE);
    }

    void overZ3950_data()
    {
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("commands");
        QTest::addColumn<QStringList>("seen");
        QTest::newRow("title") << "marc21" << "find @attr 1=4 мир\nshow 1"
                               << QStringList{"Number of hits: 1,", "245 10 $a Война и мир", "020    $a 978-5-17-090335-2"};
        QTest::newRow("author, in the catalogue's order")
            << "marc21" << "find @attr 1=1003 толстой\nshow 1" << QStringList{"Number of hits: 2,", "$a Пётр Первый"};
        QTest::newRow("ISBN") << "marc21" << "find @attr 1=7 5020138487\nshow 1"
                              << QStringList{"Number of hits: 1,", "$a Евгений Онегин", "$a 5-02-013848-7"};
        QTest::newRow("subject") << "marc21" << "find @attr 1=21 классика" << QStringList{"Number of hits: 2,"};
        QTest::newRow("any") << "marc21" << "find @attr 1=1016 hobbit" << QStringList{"Number of hits: 1,"};
        QTest::newRow("MARCXML") << "marc21" << "format xml\nfind @attr 1=4 hobbit\nshow 1"
                                 << QStringList{"<subfield code=\"a\">0-261-10221-4</subfield>"};
        QTest::newRow("RUSMARC") << "rusmarc" << "format rusmarc\nfind @attr 1=4 онегин\nshow 1" << QStringList{"200 1  $a Евгений Онегин"};
        QTest::newRow("an attribute not known")
            << "marc21" << "find @attr 1=9999 x" << QStringList{"[114] Unsupported Use attribute -- v2 addinfo '9999'"};
        QTest::newRow("a database not known") << "nosuch" << "find @attr 1=4 мир" << QStringList{"[235]"};
        QTest::newRow("present beyond the set") << "marc21" << "find @attr 1=4 мир\nshow 1000000000"
                                                << QStringList{"[13] Present request out of range"};
    }

    void overZ3950()
    {
        QFETCH(QString, database);
        QFETCH(QString, commands);
        QFETCH(QStringList, seen);
        const QString out = yazClient(database, commands);
        for (const QString &s : seen)
            QVERIFY2(out.contains(s), qPrintable(s + QStringLiteral("\n---\n") + out));
    }

    void overSru_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("more"); // more parameters, name=value&...
        QTest::addColumn<QStringList>("seen");
        QTest::newRow("title") << "dc.title=мир" << "maximumRecords=1"
                               << QStringList{"<zs:numberOfRecords>1<", "<subfield code=\"a\">Война и мир</subfield>"};
        QTest::newRow("ISBN") << "bath.isbn=5020138487" << "maximumRecords=1"
                              << QStringList{"<zs:numberOfRecords>1<", "<subfield code=\"a\">5-02-013848-7</subfield>"};
        QTest::newRow("author") << "dc.creator=толстой" << "maximumRecords=0" << QStringList{"<zs:numberOfRecords>2<"};
        QTest::newRow("subject") << "dc.subject=классика" << "maximumRecords=0" << QStringList{"<zs:numberOfRecords>2<"};
        QTest::newRow("any, the server's choice") << "роман" << "maximumRecords=0" << QStringList{"<zs:numberOfRecords>2<"};
        QTest::newRow("all of the words") << "dc.title all \"hobbit back\"" << "maximumRecords=0"
                                          << QStringList{"<zs:numberOfRecords>1<"};
        QTest::newRow("boolean") << "dc.creator=толстой not dc.title=мир" << "maximumRecords=0"
                                 << QStringList{"<zs:numberOfRecords>1<"};
        QTest::newRow("RUSMARC schema") << "bath.isbn=5020138487" << "recordSchema=rusmarc&maximumRecords=1" << QStringList{"<datafield tag=\"200\""};
        QTest::newRow("malformed query") << "dc.title=(" << "maximumRecords=1" << QStringList{"info:srw/diagnostic/1/10"};
        QTest::newRow("an index not known") << "dc.rights=x" << "maximumRecords=1" << QStringList{"info:srw/diagnostic/1/16"};
        QTest::newRow("start beyond the set") << "dc.title=мир" << "startRecord=1000000000"
                                              << QStringList{"info:srw/diagnostic/1/61"};
    }

    void overSru()
    {
        QFETCH(QString, query);
        QFETCH(QString, more);
        QFETCH(QStringList, seen);
        QList<std::pair<QString, QString>> parameters{{QStringLiteral("query"), query}};
        for (const QString &p : more.split(u'&'))
            parameters.append({p.section(u'=', 0, 0), p.section(u'=', 1)});
        const QString out = sru(QStringLiteral("marc21"), parameters);
        for (const QString &s : seen)
            QVERIFY2(out.contains(s), qPrintable(s + QStringLiteral("\n---\n") + out));
    }
    // Another catalogue of this program names the target in [Catalogues], finds a holding by
    // "Найти в каталогах" and takes it into a card of its own.
    void copiedByAnotherCatalogue_data()
    {
        QTest::addColumn<QString>("address"); // %1: the target's port
        QTest::newRow("Z39.50, MARC21") << "z3950:127.0.0.1:%1/marc21|MARC21";
        QTest::newRow("Z39.50, RUSMARC") << "z3950:127.0.0.1:%1/rusmarc|RUSMARC";
        QTest::newRow("Z39.50, the library's own") << "z3950:127.0.0.1:%1/library|RUSMARC";
        QTest::newRow("SRU, MARC21") << "sru:http://127.0.0.1:%1/marc21|MARC21";
    }

    void copiedByAnotherCatalogue()
    {
        QFETCH(QString, address);
        QString problem;
        const auto catalogue = marc::parseCatalogue(QStringLiteral("Наш каталог"), address.arg(port_), &problem);
        QVERIFY2(catalogue, qPrintable(problem));
        const marc::SearchResult found = marc::makeSource(*catalogue, 15)->search({QStringLiteral("5-02-013848-7"), {}, {}, 5});
        QCOMPARE(found.status, marc::SearchStatus::Done);
        QCOMPARE(found.records.size(), std::size_t(1));
        const marc::BookFields &card = found.records[0].fields;
        QCOMPARE(card.title, QStringLiteral("Евгений Онегин"));
        QCOMPARE(card.author, QStringLiteral("Пушкин, Александр Сергеевич"));
        QCOMPARE(card.year, 1999);
        QVERIFY2(card.keywords.contains(QStringLiteral("поэзия")), qPrintable(card.keywords.join(u'|')));

        TempDb other;
        QVERIFY(store::ensureCatalogueSchema(other.conn));
        QCOMPARE(marc::importRecords(other.conn, 1, {card}), 1);
        QCOMPARE(dataset_tests::scalar(other.conn, QStringLiteral("SELECT title || ' / ' || author || ' / ' || isbn || ' / ' || publisher FROM books")),
                 QStringLiteral("Евгений Онегин / Пушкин, Александр Сергеевич / 5-02-013848-7 / Наука"));
    }
};

QTEST_GUILESS_MAIN(TestZ3950Target)
#include "test_z3950_target.moc"
