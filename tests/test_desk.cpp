// The lending desk in the store: codes as scanned and typed, the settings it lends by, the
// desk's cases on a catalogue file, and one held row of the catalogue read again after a change.
#include "DeskCases.h"
#include "TempDb.h"

#include "IniFile.h"
#include "ScannedCode.h"
#include "SchemaCreation.h"
#include "data/dataset/Dataset.h"
#include "data/text/TextCodec.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

struct Catalogue : TempDb {
    Catalogue()
    {
        store::ensureCatalogueSchema(conn);
        conn.runStatement(circulation::Loans);
    }
};

} // namespace

class DeskTest : public QObject {
    Q_OBJECT
private slots:
    void codes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read"); // letters:number, or "-" for no code
        QTest::newRow("a barcode") << "K123" << "K:123";
        QTest::newRow("Cyrillic with a dash") << "К-123" << "К:123";
        QTest::newRow("lower case and blanks") << "  к 123 " << "К:123";
        QTest::newRow("a number alone") << "123" << ":123";
        QTest::newRow("leading zeros") << "ZH-000045" << "ZH:45";
        QTest::newRow("a letter ending in a digit") << "A1-9" << "A1:9";
        QTest::newRow("zero") << "0" << ":0";
        QTest::newRow("eighteen digits") << "999999999999999999" << ":999999999999999999";
        QTest::newRow("nineteen digits") << "9999999999999999999" << "-";
        QTest::newRow("no number") << "Иванова" << "-";
        QTest::newRow("a number first") << "123K" << "-";
        QTest::newRow("other characters") << "K#1" << "-";
        QTest::newRow("Arabic-Indic digits are not a number") << QString::fromUtf8("K\u0661") << "-";
        QTest::newRow("empty") << "" << "-";
    }
    void codes()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        const auto code = store::parseScannedCode(text);
        QCOMPARE(code ? code->letters + u':' + QString::number(code->number) : QStringLiteral("-"), read);
    }

    void russianLayout_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("meant");
        QTest::newRow("K") << "Л" << "K";
        QTest::newRow("ZH") << "ЯР" << "ZH";
        QTest::newRow("the whole alphabet") << "ФИСВУАПРШОЛДЬТЩЗЙКЫЕГМЦЧНЯ" << "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        QTest::newRow("a key without a Latin letter") << "Х" << "";
        QTest::newRow("Latin stays unknown") << "K" << "";
    }
    void russianLayout()
    {
        QFETCH(QString, typed);
        QFETCH(QString, meant);
        QCOMPARE(store::latinKeysOf(typed), meant);
    }

    void limitsAndRequestKindInTheSettingsFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("library.ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data::encodeCp1251(QStringLiteral("[Loans]\r\nLimit=3\r\nLimit.Студент=5\r\nLimit. гость =0\r\n"
                                                  "Limit.Сотрудник=много\r\nLimit.=7\r\n[Desk]\r\nRequestKind=9\r\n")));
        f.close();
        store::IniFile ini(path);
        const store::LoanLimits limits = store::readLoanLimits(&ini);
        QCOMPARE(limits.forCategory(QStringLiteral("СТУДЕНТ ")), 5);
        QCOMPARE(limits.forCategory(QStringLiteral("Гость")), 0);
        QCOMPARE(limits.forCategory(QStringLiteral("Сотрудник")), 3);
        QCOMPARE(limits.forCategory(QString()), 3);
        QCOMPARE(store::readDeskRequestKind(&ini), 0); // no such kind
        QVERIFY(store::writeDeskRequestKind(ini, 3));
        QCOMPARE(store::readDeskRules(&ini, circulation::Day).requestKind, 3);
        QCOMPARE(store::readLoanLimits(nullptr).byDefault, store::LoanLimits::BuiltInDefault);
    }

    void deskCases()
    {
        Catalogue c;
        deskcases::checkAll(c.conn);
    }

    void anActionFailingHalfWayLeavesNothing()
    {
        Catalogue c;
        c.conn.runStatement(deskcases::Desk);
        deskcases::checkWholeOrNothing(
            c.conn, QStringLiteral("CREATE TRIGGER desk_fails BEFORE UPDATE ON books BEGIN SELECT RAISE(ABORT, 'сбой'); END"));
    }

    // The catalogue's grid learns of a loan made at the desk from its one row read again.
    void aHeldRowIsReadAgain()
    {
        Catalogue c;
        c.conn.runStatement(deskcases::Desk);
        data::Dataset books(&c.conn);
        books.setSql(QStringLiteral("SELECT * FROM books"));
        books.setIndexFieldNames(QStringLiteral("title"));
        books.open();
        QSignalSpy updated(&books, &data::Dataset::rowUpdated), reset(&books, &data::Dataset::rowsReset);
        store::scanHolding(c.conn, deskcases::reader(c.conn, 1), 7, false, deskcases::rules());
        QVERIFY(books.refreshRow(7));
        QCOMPARE(updated.size(), 1);
        const int position = updated.first().first().toInt();
        QCOMPARE(books.textAt(position, books.fieldIndex(QStringLiteral("title"))), QStringLiteral("Поступила после периода"));
        QCOMPARE(books.textAt(position, books.fieldIndex(QStringLiteral("loaner"))), QStringLiteral("Иванова"));
        QCOMPARE(reset.size(), 0);
        QVERIFY(!books.refreshRow(99));
        // A row being edited keeps what the librarian typed.
        books.setRecNo(position);
        books.edit();
        books.fieldByName(QStringLiteral("notes")).setValue(QStringLiteral("правка"));
        QVERIFY(!books.refreshRow(7));
        QCOMPARE(books.fieldByName(QStringLiteral("notes")).asString(), QStringLiteral("правка"));
    }
};

QTEST_GUILESS_MAIN(DeskTest)
#include "test_desk.moc"
