// The demonstration catalogue generator, checked on the file it writes with plain SQL.
#include "DemoCatalogue.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>
#include <sqlite3.h>
#include <stdexcept>

namespace {

// A read-only look at a generated file. Query errors are reported as warnings and give a value
// no check expects, so the check that made the query fails.
class CatalogueFile {
public:
    explicit CatalogueFile(const QString &path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            qWarning("cannot open %s", qPrintable(path));
    }
    ~CatalogueFile() { sqlite3_close(db_); }
    CatalogueFile(const CatalogueFile &) = delete;
    CatalogueFile &operator=(const CatalogueFile &) = delete;

    // Every row, its columns joined by '|', NULL shown as \N.
    QStringList rows(const QString &sql) const
    {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK) {
            qWarning("%s: %s", qPrintable(sql), sqlite3_errmsg(db_));
            return {QStringLiteral("<error>")};
        }
        QStringList result;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            QStringList columns;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, i));
                columns << (text ? QString::fromUtf8(text) : QStringLiteral("\\N"));
            }
            result << columns.join(u'|');
        }
        sqlite3_finalize(stmt);
        return result;
    }

    qint64 number(const QString &sql) const
    {
        const QStringList result = rows(sql);
        bool ok = false;
        const qint64 value = result.isEmpty() ? 0 : result.first().toLongLong(&ok);
        return ok ? value : -999999;
    }

    // All the catalogue's own rows, to compare two files.
    QStringList content() const
    {
        QStringList all;
        for (const char *table : {"books", "orders", "keywords", "categories"})
            all << rows(QStringLiteral("SELECT * FROM %1 ORDER BY id").arg(QLatin1String(table)));
        return all;
    }

private:
    sqlite3 *db_ = nullptr;
};

DemoOptions smallOptions()
{
    DemoOptions options;
    options.holdings = 240;
    options.loans = 500;
    options.keywords = 700;
    options.annotationLength = 200;
    options.rubrics = 60;
    options.electronicVersions = 8;
    options.seed = 7;
    return options;
}

} // namespace

class TestDemoCatalogue : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void writesTheRequestedNumberOfRows_data();
    void writesTheRequestedNumberOfRows();
    void leavesAnOrdinaryRollbackJournalFile();

    void loanFieldsOfEveryHoldingMirrorItsOpenLoan();
    void loansFollowTheirHoldings();
    void inventoryNumbersRunFromOneWithinEachKind();
    void rubricsFormATreeThatHoldingsReferTo();
    void keywordsBelongToHoldings();
    void textsIncludeTheAwkwardCases();
    void electronicVersionsAreMarkedAndWritten();

    void sameSeedGivesTheSameCatalogue();
    void refusesToWriteOverAFileOrWithBadCounts();

private:
    QTemporaryDir dir_;
    DemoOptions options_;
    std::unique_ptr<CatalogueFile> db_;
};

void TestDemoCatalogue::initTestCase()
{
    QVERIFY(dir_.isValid());
    options_ = smallOptions();
    options_.filesDir = dir_.filePath(QStringLiteral("files/"));
    generateDemoCatalogue(dir_.filePath(QStringLiteral("demo.sdb")), options_);
    db_ = std::make_unique<CatalogueFile>(dir_.filePath(QStringLiteral("demo.sdb")));
}

void TestDemoCatalogue::writesTheRequestedNumberOfRows_data()
{
    const DemoOptions options = smallOptions();
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("rows");
    QTest::newRow("books") << "books" << options.holdings;
    QTest::newRow("orders") << "orders" << options.loans;
    QTest::newRow("keywords") << "keywords" << options.keywords;
    QTest::newRow("categories") << "categories" << options.rubrics;
    QTest::newRow("v_itemkind from the initial content") << "v_itemkind" << 4;
    QTest::newRow("settings: the password") << "settings" << 1;
}

void TestDemoCatalogue::writesTheRequestedNumberOfRows()
{
    QFETCH(QString, table);
    QFETCH(int, rows);
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '%1'").arg(table)), 1);
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM %1").arg(table)), rows);
}

void TestDemoCatalogue::leavesAnOrdinaryRollbackJournalFile()
{
    QCOMPARE(db_->rows(QStringLiteral("PRAGMA journal_mode")), QStringList{QStringLiteral("delete")});
    QCOMPARE(db_->rows(QStringLiteral("SELECT name, value FROM settings")), QStringList{QStringLiteral("password|")});
    QVERIFY(!QFile::exists(dir_.filePath(QStringLiteral("demo.sdb-journal"))));
}

void TestDemoCatalogue::loanFieldsOfEveryHoldingMirrorItsOpenLoan()
{
    // NULL-safe comparisons throughout: a NULL loaner must count as a mismatch, not slip through.
    QCOMPARE(db_->number(QStringLiteral(
                 "SELECT count(*) FROM books b LEFT JOIN orders o ON o.book_id = b.id AND o.date_in IS NULL"
                 " WHERE CASE WHEN o.id IS NULL THEN NOT (b.onloan IS 0 AND b.loaner IS '' AND b.date_out IS NULL)"
                 " ELSE NOT (b.onloan IS 1 AND b.loaner IS o.loaner AND b.date_out IS o.date_out) END")),
             0);
    QCOMPARE(db_->number(QStringLiteral(
                 "SELECT count(*) FROM (SELECT book_id FROM orders WHERE date_in IS NULL GROUP BY book_id HAVING count(*) > 1)")),
             0);
    // About a quarter of the holdings are out.
    const qint64 out = db_->number(QStringLiteral("SELECT count(*) FROM books WHERE onloan = 1"));
    QVERIFY2(out >= options_.holdings / 5 && out <= options_.holdings * 3 / 10, qPrintable(QString::number(out)));
}

void TestDemoCatalogue::loansFollowTheirHoldings()
{
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM orders WHERE book_id NOT IN (SELECT id FROM books)")), 0);
    QCOMPARE(db_->number(QStringLiteral(
                 "SELECT count(*) FROM orders o JOIN books b ON b.id = o.book_id WHERE NOT (o.date_out > b.date_reg)")),
             0);
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM orders WHERE date_in IS NOT NULL AND NOT (date_in > date_out)")), 0);
    // A holding's loans do not overlap: each one starts after the previous came back.
    QCOMPARE(db_->number(QStringLiteral(
                 "SELECT count(*) FROM orders a JOIN orders b ON a.book_id = b.book_id AND a.id <> b.id"
                 " WHERE a.date_out <= b.date_out AND (a.date_in IS NULL OR a.date_in > b.date_out)")),
             0);
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM orders WHERE status NOT BETWEEN 0 AND 3")), 0);
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM orders WHERE cost <> 0 AND cost NOT BETWEEN 100 AND 500")), 0);
    QVERIFY(db_->number(QStringLiteral("SELECT count(*) FROM orders WHERE cost > 0")) > 0);
    const qint64 readers = db_->number(QStringLiteral("SELECT count(DISTINCT loaner) FROM orders"));
    QVERIFY2(readers >= 100 && readers <= 200, qPrintable(QString::number(readers)));
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM orders WHERE loaner NOT GLOB '* ?. ?.'")), 0);
}

void TestDemoCatalogue::inventoryNumbersRunFromOneWithinEachKind()
{
    QCOMPARE(db_->number(QStringLiteral(
                 "SELECT count(*) FROM (SELECT itemkind_id FROM books GROUP BY itemkind_id"
                 " HAVING min(inv_num) <> 1 OR max(inv_num) <> count(*) OR count(DISTINCT inv_num) <> count(*))")),
             0);
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE itemkind_id NOT BETWEEN 0 AND 4")), 0);
    QVERIFY(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE itemkind_id = 1")) > options_.holdings / 2);
    QVERIFY(db_->number(QStringLiteral("SELECT count(DISTINCT itemkind_id) FROM books")) >= 4);
    // The letter is the kind's initial.
    QCOMPARE(db_->number(QStringLiteral(
                 "SELECT count(*) FROM books b JOIN v_itemkind k ON k.id = b.itemkind_id"
                 " WHERE b.liter IS NOT substr(k.itemkind_name, 1, 1)")),
             0);
}

void TestDemoCatalogue::rubricsFormATreeThatHoldingsReferTo()
{
    QCOMPARE(db_->number(QStringLiteral(
                 "SELECT count(*) FROM categories c"
                 " WHERE has_children IS NOT EXISTS (SELECT 1 FROM categories k WHERE k.parent = c.id)"
                 " OR (parent <> 0 AND parent NOT IN (SELECT id FROM categories))")),
             0);
    std::map<int, int> parentOf;
    for (const QString &row : db_->rows(QStringLiteral("SELECT id, parent FROM categories")))
        parentOf[row.section(u'|', 0, 0).toInt()] = row.section(u'|', 1, 1).toInt();

    const QRegularExpression shape(QStringLiteral("^((\\d+\\.)+;){1,2}$"));
    int withRubric = 0;
    int deepest = 0;
    for (const QString &field : db_->rows(QStringLiteral("SELECT rubric FROM books WHERE rubric <> ''"))) {
        QVERIFY2(shape.match(field).hasMatch(), qPrintable(field));
        ++withRubric;
        for (const QString &path : field.split(u';', Qt::SkipEmptyParts)) {
            const QStringList ids = path.split(u'.', Qt::SkipEmptyParts);
            deepest = std::max(deepest, int(ids.size()));
            int expectedParent = 0;
            for (const QString &id : ids) {
                QVERIFY2(parentOf.count(id.toInt()) && parentOf[id.toInt()] == expectedParent, qPrintable(field));
                expectedParent = id.toInt();
            }
        }
    }
    QCOMPARE(deepest, 3);
    QVERIFY2(withRubric >= options_.holdings * 6 / 10 && withRubric <= options_.holdings * 8 / 10,
             qPrintable(QString::number(withRubric)));
    QVERIFY(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE rubric IS NULL")) > 0);
    QVERIFY(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE rubric = ''")) > 0);
}

void TestDemoCatalogue::keywordsBelongToHoldings()
{
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM keywords WHERE book_id NOT IN (SELECT id FROM books)")), 0);
    QCOMPARE(db_->number(QStringLiteral(
                 "SELECT count(*) FROM (SELECT 1 FROM keywords GROUP BY book_id, keyword HAVING count(*) > 1)")),
             0);
    QVERIFY(db_->number(QStringLiteral("SELECT count(DISTINCT keyword) FROM keywords")) > 50);
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM keywords WHERE keyword = '' OR keyword IS NULL")), 0);
}

void TestDemoCatalogue::textsIncludeTheAwkwardCases()
{
    const qint64 broken = db_->number(QStringLiteral("SELECT count(*) FROM books WHERE instr(title, char(13, 10)) > 0"));
    QVERIFY2(broken > 0 && broken < options_.holdings / 10, qPrintable(QString::number(broken)));
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE instr(title, '|') > 0")), 1);
    QVERIFY(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE instr(title, '''') > 0")) >= 2);
    QVERIFY(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE title GLOB '[Ёё]*'")) >= 2);
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE location = 'москва'")), 1);
    QVERIFY(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE author IS NULL")) > 0);
    QVERIFY(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE author GLOB '[A-Z]*'")) > 0);
    QVERIFY(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE author GLOB '*, *'")) > 0);
    QVERIFY(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE instr(notes, char(13, 10)) > 0")) > 0);
    QCOMPARE(db_->number(QStringLiteral(
                 "SELECT count(*) FROM books WHERE isbn NOT GLOB '978-5-[0-9][0-9]-[0-9][0-9][0-9][0-9][0-9][0-9]-[0-9]'"
                 " AND isbn NOT GLOB '5-[0-9][0-9]-[0-9][0-9][0-9][0-9][0-9][0-9]-[0-9X]'")),
             0);
    QCOMPARE(db_->number(QStringLiteral(
                 "SELECT count(*) FROM books WHERE date_reg NOT BETWEEN '2000-01-01' AND '2026-12-01'"
                 " OR year_p NOT BETWEEN 1950 AND 2026 OR price <= 0 OR page_count <= 0")),
             0);
    // Annotations near the length asked for, some in two paragraphs, some missing.
    const qint64 average = db_->number(QStringLiteral("SELECT CAST(avg(length(annotation)) AS INTEGER) FROM books"));
    QVERIFY2(average > options_.annotationLength * 7 / 10 && average < options_.annotationLength * 13 / 10,
             qPrintable(QString::number(average)));
    QVERIFY(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE instr(annotation, char(13, 10)) > 0")) > 0);
    QVERIFY(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE annotation IS NULL")) > 0);
}

void TestDemoCatalogue::electronicVersionsAreMarkedAndWritten()
{
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE file IS NOT NULL")), options_.electronicVersions);
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE file = ''")), 1);
    QCOMPARE(db_->number(QStringLiteral("SELECT count(*) FROM books WHERE file NOT IN ('', '.doc', '.pdf', '.txt')")), 0);
    const QStringList files = db_->rows(QStringLiteral("SELECT itemkind_id, inv_num, file FROM books WHERE file IS NOT NULL"));
    QCOMPARE(files.size(), options_.electronicVersions);
    for (const QString &row : files) {
        const QStringList parts = row.split(u'|');
        QFile file(options_.filesDir + parts[0] + u'/' + parts[1] + parts[2]);
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        const QByteArray start = file.read(5);
        QVERIFY2(!start.isEmpty(), qPrintable(file.fileName()));
        if (parts[2] == QStringLiteral(".pdf"))
            QCOMPARE(start, QByteArray("%PDF-"));
    }
}

void TestDemoCatalogue::sameSeedGivesTheSameCatalogue()
{
    const DemoOptions options = smallOptions();
    DemoOptions otherSeed = options;
    otherSeed.seed = options.seed + 1;
    generateDemoCatalogue(dir_.filePath(QStringLiteral("again.sdb")), options);
    generateDemoCatalogue(dir_.filePath(QStringLiteral("other.sdb")), otherSeed);

    const QStringList first = db_->content();
    QCOMPARE(first.size(), options.holdings + options.loans + options.keywords + options.rubrics);
    QCOMPARE(CatalogueFile(dir_.filePath(QStringLiteral("again.sdb"))).content(), first);
    QVERIFY(CatalogueFile(dir_.filePath(QStringLiteral("other.sdb"))).content() != first);
}

void TestDemoCatalogue::refusesToWriteOverAFileOrWithBadCounts()
{
    const QString existing = dir_.filePath(QStringLiteral("existing.sdb"));
    {
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a catalogue");
    }
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, generateDemoCatalogue(existing, smallOptions()));
    QFile file(existing);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("not a catalogue"));

    const QString inMissingFolder = dir_.filePath(QStringLiteral("no/such/folder/demo.sdb"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, generateDemoCatalogue(inMissingFolder, smallOptions()));
    QVERIFY(!QFile::exists(inMissingFolder));

    DemoOptions negative = smallOptions();
    negative.loans = -1;
    const QString fresh = dir_.filePath(QStringLiteral("negative.sdb"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, generateDemoCatalogue(fresh, negative));
    QVERIFY(!QFile::exists(fresh));
}

QTEST_GUILESS_MAIN(TestDemoCatalogue)
#include "test_democat.moc"
