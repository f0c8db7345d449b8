// Datasets over a small catalogue: opening, the SQL and local filters, the in-memory sort, the
// search for a value, navigation, bookmarks, master/detail links, editing and the field reads.
#include "Dataset.h"
#include "MyLower.h"
#include "StoreError.h"
#include "TempDb.h"

#include <QLocale>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace store;

namespace {

// Column positions follow the declaration: 0 id, 1 inv_num, 2 author, 3 title, 4 date_reg,
// 5 price, 6 itemkind_id, 7 onloan, 8 file.
const char *const Schema = R"(
CREATE TABLE books (
    id INTEGER PRIMARY KEY,
    inv_num INTEGER,
    author TEXT,
    title TEXT NOT NULL,
    date_reg DATE,
    price REAL,
    itemkind_id INTEGER,
    onloan INTEGER DEFAULT 0,
    file TEXT
);
INSERT INTO books VALUES (1, 101, 'Толстой Л.Н.', 'Война и мир', '2020-03-15', 250.5, 1, 1, '.pdf');
INSERT INTO books VALUES (2, 102, NULL, 'Ёлка', '2021-01-10', NULL, 1, 0, NULL);
INSERT INTO books VALUES (3, 103, 'Чехов А.П.', 'Жук', NULL, 99, 2, 1, '');
INSERT INTO books VALUES (4, 104, 'Пушкин А.С.', 'Елена', '2019-12-31', 120, 2, 0, '.doc');
INSERT INTO books VALUES (5, NULL, 'Д''Артаньян', 'аист', '2022-06-01', 10.25, 3, 0, NULL);
INSERT INTO books VALUES (6, 106, 'Гоголь Н.В.', 'Бук', '2018-05-05', 0, 1, 0, '.djvu');
CREATE TABLE keywords (id INTEGER PRIMARY KEY, keyword TEXT, book_id INTEGER);
INSERT INTO keywords VALUES (1, 'война', 1);
INSERT INTO keywords VALUES (2, 'мир', 1);
INSERT INTO keywords VALUES (3, 'ёлка', 2);
INSERT INTO keywords VALUES (4, 'роман', 4);
CREATE TABLE orders (id INTEGER PRIMARY KEY, book_id INTEGER, loaner TEXT, date_out DATE, date_in DATE);
INSERT INTO orders VALUES (1, 1, 'Иванов', '2023-01-10', '2023-02-01');
INSERT INTO orders VALUES (2, 1, 'Петров', '2023-03-01', NULL);
INSERT INTO orders VALUES (3, 3, 'Сидоров', '2023-04-01', NULL);
CREATE TABLE words (id INTEGER PRIMARY KEY, word TEXT);
)";

const int TitleColumn = 3;

// The given column of every record the cursor reaches, in order.
QString column(Dataset &ds, const QString &name)
{
    QStringList values;
    for (ds.first(); !ds.eof(); ds.next())
        values << (ds.fieldByName(name).isNull() ? QStringLiteral("<NULL>") : ds.fieldByName(name).asString());
    return values.join(u' ');
}

QString ids(Dataset &ds) { return column(ds, QStringLiteral("id")); }
qint64 currentId(Dataset &ds) { return ds.fieldByName(QStringLiteral("id")).asInteger(); }

// One value read straight from the database, "<NULL>" for NULL.
QString scalar(Connection &conn, const QString &sql)
{
    sqlite3_stmt *raw = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(conn.handle(), text.constData(), int(text.size()), &raw, nullptr) != SQLITE_OK)
        return QStringLiteral("<error>");
    StatementPtr stmt(raw);
    if (sqlite3_step(stmt.get()) != SQLITE_ROW)
        return QStringLiteral("<no row>");
    if (sqlite3_column_type(stmt.get(), 0) == SQLITE_NULL)
        return QStringLiteral("<NULL>");
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), 0)));
}

QString normalized(const QString &sql)
{
    QString s = sql.simplified();
    s.replace(QStringLiteral("( "), QStringLiteral("("));
    s.replace(QStringLiteral(" )"), QStringLiteral(")"));
    return s;
}

} // namespace

class TestDataset : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDb> db_;
    std::unique_ptr<Dataset> books_;

    Connection &conn() { return db_->conn; }
    Dataset &books() { return *books_; }

    // A second program on the same file.
    std::unique_ptr<Connection> otherConnection()
    {
        auto other = std::make_unique<Connection>();
        other->setDatabase(db_->path());
        other->options() = {QStringLiteral("SQLite.BusyTimeout=1500")};
        other->open();
        return other;
    }

    std::unique_ptr<Dataset> detail(DataSource &master, const QString &sql)
    {
        auto ds = std::make_unique<Dataset>(&conn());
        ds->setSql(sql);
        ds->setMasterSource(&master);
        ds->setMasterFields(QStringLiteral("id"));
        ds->setDetailFields(QStringLiteral("book_id"));
        return ds;
    }

private slots:
    void initTestCase()
    {
        // Dates read as text in the user's short format; the program runs with Russian settings.
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }

    void init()
    {
        db_ = std::make_unique<TempDb>(QString::fromUtf8(Schema));
        db_->conn.addSqlFunction(QStringLiteral("my_lower"), 1, myLowerSqlFunction);
        books_ = std::make_unique<Dataset>(&db_->conn);
        books_->setSql(QStringLiteral("SELECT * FROM books"));
        books_->open();
    }

    void cleanup()
    {
        books_.reset();
        db_.reset();
    }

    // ---- opening ----

    void openFetchesAllRows()
    {
        QVERIFY(books().active());
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(books().recordCount(), 6);
        QCOMPARE(currentId(books()), 1);
        QVERIFY(!books().eof());
        QCOMPARE(ids(books()), QStringLiteral("1 2 3 4 5 6"));
    }

    // Even a dataset that would fetch on demand holds its whole result, and holds no read lock on
    // the file once open, so another program can write meanwhile.
    void wholeResultReadAtOpenWhateverFetchAll()
    {
        conn().runStatement(QStringLiteral(
            "CREATE TABLE many (id INTEGER PRIMARY KEY);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) INSERT INTO many SELECT i FROM n;"));
        Dataset ds(&conn());
        ds.setFetchAll(false);
        ds.setSql(QStringLiteral("SELECT * FROM many"));
        ds.open();
        QCOMPARE(ds.recordCount(), 60);

        auto other = otherConnection();
        QCOMPARE(errorOf([&] { other->runStatement(QStringLiteral("INSERT INTO many (id) VALUES (1000)")); }),
                 QStringLiteral("<no error>"));
        // Held rows are not refreshed behind the program's back.
        QCOMPARE(ds.recordCount(), 60);
        int stepped = 0;
        for (ds.first(); !ds.eof(); ds.next())
            ++stepped;
        QCOMPARE(stepped, 60);
        ds.refresh();
        QCOMPARE(ds.recordCount(), 61);
    }

    // ---- SQL filter ----

    void filterSqlSameTextDoesNotRequery()
    {
        books().setFilterSQL(QStringLiteral("itemkind_id = 1"));
        QCOMPARE(ids(books()), QStringLiteral("1 2 6"));
        conn().runStatement(QStringLiteral("INSERT INTO books (id, title, itemkind_id) VALUES (7, 'Новая', 1)"));

        QSignalSpy reset(&books(), &Dataset::rowsReset);
        books().setFilterSQL(QStringLiteral("itemkind_id = 1"));
        QCOMPARE(reset.count(), 0);
        QCOMPARE(books().recordCount(), 3);

        books().setFilterSQL(QStringLiteral("itemkind_id = 1 "));
        QVERIFY(reset.count() > 0);
        QCOMPARE(books().recordCount(), 4);
        QCOMPARE(books().filterSQL(), QStringLiteral("itemkind_id = 1"));
    }

    void filterSqlIsTrimmed()
    {
        books().setFilterSQL(QStringLiteral("\t itemkind_id = 2\r\n"));
        QCOMPARE(books().filterSQL(), QStringLiteral("itemkind_id = 2"));
        QCOMPARE(ids(books()), QStringLiteral("3 4"));
    }

    void filterSqlTwoConditions()
    {
        books().setFilterSQL(QStringLiteral("my_lower(title) LIKE '%ёлка%' AND itemkind_id = 1"));
        QCOMPARE(normalized(books().assembledSql()),
                 QStringLiteral("SELECT * FROM books WHERE my_lower(title) LIKE '%ёлка%' AND itemkind_id = 1"));
        QCOMPARE(ids(books()), QStringLiteral("2"));

        books().setFilterSQL(QString());
        QCOMPARE(normalized(books().assembledSql()), QStringLiteral("SELECT * FROM books"));
        QCOMPARE(ids(books()), QStringLiteral("1 2 3 4 5 6"));
    }

    void filterSqlErrorKeepsPreviousText()
    {
        books().setFilterSQL(QStringLiteral("itemkind_id = 2"));
        QCOMPARE(errorOf([&] { books().setFilterSQL(QStringLiteral("nosuchcol = 1")); }),
                 QStringLiteral("no such column: nosuchcol"));
        QVERIFY(!books().active());
        QCOMPARE(books().filterSQL(), QStringLiteral("itemkind_id = 2"));
        QCOMPARE(errorOf([&] { books().first(); }), QStringLiteral("Cannot perform this operation on a closed dataset"));

        books().open();
        QCOMPARE(ids(books()), QStringLiteral("3 4"));
    }

    // The reports set the filter of a closed dataset and open it afterwards.
    void filterSqlOnClosedDatasetTakesEffectAtOpen()
    {
        books().close();
        books().setFilterSQL(QStringLiteral("onloan = 1"));
        QVERIFY(!books().active());
        books().open();
        QCOMPARE(ids(books()), QStringLiteral("1 3"));
    }

    // ---- local filter ----

    void localFilter_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("expected");
        QTest::newRow("onloan = 1") << "onloan = 1" << "1 3";
        QTest::newRow("file <> NULL hides NULL and empty") << "file <> NULL" << "1 4 6";
        QTest::newRow("file = NULL") << "file = NULL" << "2 3 5";
        QTest::newRow("two conditions") << "itemkind_id = 1 AND onloan = 0" << "2 6";
        QTest::newRow("case-sensitive pattern") << "title = 'Е*'" << "4";
        QTest::newRow("NULL never greater") << "price > 100" << "1 4";
        QTest::newRow("empty filters nothing") << "" << "1 2 3 4 5 6";
    }

    void localFilter()
    {
        QFETCH(QString, expression);
        QFETCH(QString, expected);
        books().setFilter(expression);
        books().setFiltered(true);
        QCOMPARE(ids(books()), expected);
        QCOMPARE(books().recordCount(), int(expected.split(u' ').size()));
        books().setFiltered(false);
        QCOMPARE(books().recordCount(), 6);
    }

    void localFilterStaysInForce()
    {
        books().setFilter(QStringLiteral("onloan = 1"));
        books().setFiltered(true);
        QCOMPARE(ids(books()), QStringLiteral("1 3"));
        conn().runStatement(QStringLiteral("INSERT INTO books (id, title, itemkind_id, onloan) VALUES (7, 'Выдана', 2, 1);"
                                           "INSERT INTO books (id, title, itemkind_id, onloan) VALUES (8, 'На месте', 2, 0);"));
        books().refresh();
        QCOMPARE(ids(books()), QStringLiteral("1 3 7"));

        books().setFilterSQL(QStringLiteral("itemkind_id = 2"));
        QCOMPARE(ids(books()), QStringLiteral("3 7"));
        QCOMPARE(books().recordCount(), 2);
        QVERIFY(!books().moveToValue(QStringLiteral("id"), 4)); // hidden by the local filter

        books().close();
        books().open();
        QCOMPARE(ids(books()), QStringLiteral("3 7"));

        books().setFilter(QStringLiteral("onloan = 0"));
        QCOMPARE(ids(books()), QStringLiteral("4 8"));
    }

    // ---- sort ----

    void sort_data()
    {
        QTest::addColumn<QString>("indexFieldNames");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << "" << "1 2 3 4 5 6";
        QTest::newRow("text: Russian order") << "title" << "5 6 1 4 2 3";
        QTest::newRow("text DESC") << "title DESC" << "3 2 4 1 6 5";
        QTest::newRow("text BIN") << "title BIN" << "2 6 1 4 3 5";
        QTest::newRow("NULL first ascending") << "author" << "2 6 5 4 1 3";
        QTest::newRow("NULL last descending") << "author DESC" << "3 1 4 5 6 2";
        QTest::newRow("real by value") << "price" << "2 6 5 3 4 1";
        QTest::newRow("real DESC") << "price DESC" << "1 4 3 5 6 2";
        QTest::newRow("integer ASC") << "inv_num ASC" << "5 1 2 3 4 6";
        QTest::newRow("integer DESC") << "inv_num DESC" << "6 4 3 2 1 5";
        QTest::newRow("date") << "date_reg" << "3 6 4 1 2 5";
        QTest::newRow("date DESC") << "date_reg desc" << "5 2 1 4 6 3";
        QTest::newRow("two columns") << "itemkind_id;title DESC" << "2 1 6 3 4 5";
        QTest::newRow("comma and any letter case") << "ITEMKIND_ID Asc, Title Desc Cs" << "2 1 6 3 4 5";
        QTest::newRow("ties by the next column") << "onloan DESC; id DESC" << "3 1 6 5 4 2";
        QTest::newRow("blanks and a trailing separator") << "  author   desc ;" << "3 1 4 5 6 2";
    }

    void sort()
    {
        QFETCH(QString, indexFieldNames);
        QFETCH(QString, expected);
        books().setIndexFieldNames(indexFieldNames);
        QCOMPARE(ids(books()), expected);
    }

    void collation_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("indexFieldNames");
        QTest::addColumn<QStringList>("expected");
        const QString null;
        QTest::newRow("Ё between Е and Ж") << QStringList{"Жук", "Ёлка", "Елена"} << "word"
                                           << QStringList{"Елена", "Ёлка", "Жук"};
        QTest::newRow("small а before capital Б") << QStringList{"Бук", "аист"} << "word" << QStringList{"аист", "Бук"};
        QTest::newRow("hyphen counts") << QStringList{"тоже", "то-то"} << "word" << QStringList{"то-то", "тоже"};
        QTest::newRow("apostrophe counts") << QStringList{"да", "д'Артаньян"} << "word"
                                           << QStringList{"д'Артаньян", "да"};
        QTest::newRow("DESC") << QStringList{"Жук", "Елена", "Ёлка"} << "word DESC"
                              << QStringList{"Жук", "Ёлка", "Елена"};
        QTest::newRow("BIN compares bytes") << QStringList{"аист", "Бук", "Ёлка", "Елена"} << "word BIN"
                                            << QStringList{"Ёлка", "Бук", "Елена", "аист"};
        QTest::newRow("CS orders by case") << QStringList{"БУК", "бук", "Бук", "аист"} << "word CS"
                                           << QStringList{"аист", "бук", "Бук", "БУК"};
        QTest::newRow("case-sensitive by default") << QStringList{"БУК", "бук", "Бук", "аист"} << "word"
                                                   << QStringList{"аист", "бук", "Бук", "БУК"};
        QTest::newRow("CIS leaves case variants as read") << QStringList{"БУК", "бук", "Бук", "аист"} << "word CIS"
                                                          << QStringList{"аист", "БУК", "бук", "Бук"};
        QTest::newRow("CIS DESC") << QStringList{"бук", "аист", "БУК"} << "word desc cis"
                                  << QStringList{"бук", "БУК", "аист"};
        QTest::newRow("NULL first ascending") << QStringList{"Бук", null, "аист"} << "word"
                                              << QStringList{null, "аист", "Бук"};
        QTest::newRow("NULL last descending") << QStringList{"аист", null, "Бук"} << "word DESC"
                                              << QStringList{"Бук", "аист", null};
    }

    void collation()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, indexFieldNames);
        QFETCH(QStringList, expected);
        for (const QString &w : words)
            conn().runStatement(QStringLiteral("INSERT INTO words (word) VALUES (?)"),
                                {w.isNull() ? QVariant() : QVariant(w)});
        Dataset ds(&conn());
        ds.setSql(QStringLiteral("SELECT * FROM words"));
        ds.open();
        ds.setIndexFieldNames(indexFieldNames);
        QStringList seen;
        for (ds.first(); !ds.eof(); ds.next())
            seen << (ds.fieldByName(QStringLiteral("word")).isNull() ? QString() : ds.fieldByName(QStringLiteral("word")).asString());
        QCOMPARE(seen, expected);
    }

    void sortSurvivesRequeryAndRefresh()
    {
        books().setIndexFieldNames(QStringLiteral("author DESC"));
        books().setFilterSQL(QStringLiteral("itemkind_id <> 3"));
        QCOMPARE(ids(books()), QStringLiteral("3 1 4 6 2"));
        conn().runStatement(QStringLiteral("INSERT INTO books (id, author, title, itemkind_id) VALUES (7, 'Шолохов', 'Тихий Дон', 1)"));
        books().refresh();
        QCOMPARE(ids(books()), QStringLiteral("7 3 1 4 6 2"));
        books().close();
        books().open();
        QCOMPARE(ids(books()), QStringLiteral("7 3 1 4 6 2"));
        QCOMPARE(books().indexFieldNames(), QStringLiteral("author DESC"));
    }

    void sortKeepsCurrentRecord()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        books().setIndexFieldNames(QStringLiteral("title"));
        QCOMPARE(currentId(books()), 4);
        QCOMPARE(books().recNo(), 3); // аист, Бук, Война и мир, Елена

        // A pending edit is posted first.
        books().edit();
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Ясно"));
        books().setIndexFieldNames(QStringLiteral("title DESC"));
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT title FROM books WHERE id = 4")), QStringLiteral("Ясно"));
        QCOMPARE(currentId(books()), 4);
    }

    void sortUnknownColumn_data()
    {
        QTest::addColumn<QString>("indexFieldNames");
        QTest::newRow("alone") << "nosuch";
        QTest::newRow("after a good one") << "title; nosuch DESC";
    }

    void sortUnknownColumn()
    {
        QFETCH(QString, indexFieldNames);
        books().setIndexFieldNames(QStringLiteral("author DESC"));
        QCOMPARE(errorOf([&] { books().setIndexFieldNames(indexFieldNames); }), QStringLiteral("Field nosuch not found"));
        QCOMPARE(books().indexFieldNames(), QStringLiteral("author DESC"));
        QCOMPARE(ids(books()), QStringLiteral("3 1 4 5 6 2"));
    }

    // ---- search for a value ----

    void moveToValue_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("expectedId"); // 0: not found

        QTest::newRow("exact text") << "title" << QVariant("Жук") << 3;
        QTest::newRow("Ё") << "title" << QVariant("Ёлка") << 2;
        QTest::newRow("other case") << "title" << QVariant("жук") << 0;
        QTest::newRow("prefix only") << "title" << QVariant("Жу") << 0;
        QTest::newRow("NULL finds NULL") << "author" << QVariant() << 2;
        QTest::newRow("integer") << "inv_num" << QVariant(104) << 4;
        QTest::newRow("text 104 in an integer column") << "inv_num" << QVariant("104") << 4;
        QTest::newRow("text 5 finds id 5") << "id" << QVariant("5") << 5;
        QTest::newRow("text in a real column") << "price" << QVariant("99") << 3;
        QTest::newRow("real") << "price" << QVariant(10.25) << 5;
        QTest::newRow("date") << "date_reg" << QVariant(QDate(2019, 12, 31)) << 4;
        QTest::newRow("date as stored text") << "date_reg" << QVariant("2019-12-31") << 4;
        QTest::newRow("empty text is not NULL") << "file" << QVariant("") << 3;
        QTest::newRow("integer column, not a number") << "inv_num" << QVariant("abc") << 0;
        QTest::newRow("no such value") << "inv_num" << QVariant(999) << 0;
    }

    void moveToValue()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        QFETCH(int, expectedId);
        books().last();
        QCOMPARE(books().moveToValue(column, value), expectedId != 0);
        QCOMPARE(currentId(books()), expectedId != 0 ? expectedId : 6);
    }

    // The first match in the current order, and only among the rows the local filter shows.
    void moveToValueFollowsOrderAndFilter()
    {
        QVERIFY(books().moveToValue(QStringLiteral("onloan"), 0));
        QCOMPARE(currentId(books()), 2);
        books().setIndexFieldNames(QStringLiteral("title"));
        QVERIFY(books().moveToValue(QStringLiteral("onloan"), 0));
        QCOMPARE(currentId(books()), 5);

        books().setFilter(QStringLiteral("itemkind_id = 1"));
        books().setFiltered(true);
        QVERIFY(!books().moveToValue(QStringLiteral("title"), QStringLiteral("Елена")));
        QVERIFY(books().moveToValue(QStringLiteral("title"), QStringLiteral("Бук")));
        QCOMPARE(currentId(books()), 6);
    }

    // ---- navigation and bookmarks ----

    void navigation()
    {
        books().first();
        QVERIFY(books().bof());
        QVERIFY(!books().eof());
        QCOMPARE(currentId(books()), 1);
        for (int i = 0; i < 5; ++i)
            books().next();
        QCOMPARE(currentId(books()), 6);
        QVERIFY(!books().eof());
        books().next();
        QVERIFY(books().eof());
        QCOMPARE(currentId(books()), 6);
        books().prior();
        QVERIFY(!books().eof());
        QCOMPARE(currentId(books()), 5);
        books().first();
        books().prior();
        QVERIFY(books().bof());
        QCOMPARE(currentId(books()), 1);
    }

    void navigationOnEmptyResult()
    {
        books().setFilterSQL(QStringLiteral("id < 0"));
        QVERIFY(books().active());
        QVERIFY(books().eof());
        QVERIFY(books().bof());
        QVERIFY(books().isEmpty());
        QCOMPARE(books().recordCount(), 0);
        books().first();
        QVERIFY(books().eof());
    }

    void bookmarks()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        const Bookmark four = books().bookmark();
        QVERIFY(books().moveToValue(QStringLiteral("id"), 2));
        const Bookmark two = books().bookmark();
        books().first();

        QVERIFY(books().bookmarkValid(four));
        books().gotoBookmark(four);
        QCOMPARE(currentId(books()), 4);
        books().gotoBookmark(two);
        QCOMPARE(currentId(books()), 2);

        // A new order does not re-open the dataset.
        books().setIndexFieldNames(QStringLiteral("title"));
        books().gotoBookmark(four);
        QCOMPARE(currentId(books()), 4);

        books().close();
        books().open();
        QVERIFY(!books().bookmarkValid(four));
        QVERIFY(errorOf([&] { books().gotoBookmark(four); }) != QStringLiteral("<no error>"));
    }

    // ---- master/detail ----

    void detailFollowsMaster()
    {
        DataSource src(&books());
        auto kw = detail(src, QStringLiteral("SELECT * FROM keywords"));
        QCOMPARE(normalized(kw->assembledSql()), QStringLiteral("SELECT * FROM keywords WHERE book_id = :id"));
        kw->open();
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("война мир"));
        books().next();
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("ёлка"));
        QVERIFY(books().moveToValue(QStringLiteral("id"), 3));
        QVERIFY(kw->isEmpty());
        QVERIFY(kw->eof());
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("роман"));

        // Master empty, closed, re-opened.
        books().setFilterSQL(QStringLiteral("id < 0"));
        QCOMPARE(kw->recordCount(), 0);
        books().setFilterSQL(QString());
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("война мир"));
        books().close();
        QCOMPARE(kw->recordCount(), 0);
        books().open();
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("война мир"));
    }

    void detailOpenedBeforeMaster()
    {
        books().close();
        DataSource src(&books());
        auto kw = detail(src, QStringLiteral("SELECT * FROM keywords"));
        kw->open();
        QVERIFY(kw->isEmpty());
        books().open();
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("война мир"));
    }

    void keywordAppendedTakesHoldingId()
    {
        conn().runStatement(QStringLiteral("INSERT INTO books (id, title) VALUES (7, 'Тихий Дон')"));
        books().refresh();
        DataSource src(&books());
        auto kw = detail(src, QStringLiteral("SELECT * FROM keywords"));
        kw->open();
        QVERIFY(books().moveToValue(QStringLiteral("id"), 7));
        QVERIFY(kw->isEmpty());

        kw->append();
        QCOMPARE(kw->fieldByName(QStringLiteral("book_id")).asInteger(), 7);
        kw->fieldByName(QStringLiteral("keyword")).setValue(QStringLiteral("казаки"));
        kw->post();
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT book_id FROM keywords WHERE keyword = 'казаки'")),
                 QStringLiteral("7"));
        QCOMPARE(column(*kw, QStringLiteral("keyword")), QStringLiteral("казаки"));
    }

    void detailEmptyWhileMasterInserts()
    {
        DataSource src(&books());
        auto kw = detail(src, QStringLiteral("SELECT * FROM keywords"));
        kw->open();
        QCOMPARE(kw->recordCount(), 2);

        books().append();
        QCOMPARE(kw->recordCount(), 0);
        QVERIFY(kw->eof());
        books().cancel();
        books().first();
        QCOMPARE(kw->recordCount(), 2);

        // Once posted the new holding has an id, and its keywords go to it.
        books().append();
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Новая книга"));
        books().post();
        const qint64 newId = currentId(books());
        QCOMPARE(newId, 7);
        QCOMPARE(kw->recordCount(), 0);
        kw->append();
        kw->fieldByName(QStringLiteral("keyword")).setValue(QStringLiteral("новинка"));
        kw->post();
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT book_id FROM keywords WHERE keyword = 'новинка'")),
                 QStringLiteral("7"));
    }

    void onNewRecordRunsBeforeMasterKey()
    {
        DataSource src(&books());
        auto kw = detail(src, QStringLiteral("SELECT * FROM keywords"));
        kw->open();
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        int calls = 0;
        bool keyWasNull = false;
        DatasetState stateSeen = DatasetState::Inactive;
        kw->onNewRecord = [&](Dataset &d) {
            ++calls;
            stateSeen = d.state();
            keyWasNull = d.fieldByName(QStringLiteral("book_id")).isNull();
            d.fieldByName(QStringLiteral("keyword")).setValue(QStringLiteral("новое"));
            d.fieldByName(QStringLiteral("book_id")).setValue(99);
        };
        kw->append();
        QCOMPARE(calls, 1);
        QCOMPARE(stateSeen, DatasetState::Insert);
        QVERIFY(keyWasNull);
        QCOMPARE(kw->fieldByName(QStringLiteral("keyword")).asString(), QStringLiteral("новое"));
        QCOMPARE(kw->fieldByName(QStringLiteral("book_id")).asInteger(), 4); // the link comes after
        kw->post();
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT book_id FROM keywords WHERE keyword = 'новое'")),
                 QStringLiteral("4"));
    }

    void openLoanFoundByNullReturnDate()
    {
        DataSource src(&books());
        auto loans = detail(src, QStringLiteral("SELECT * FROM orders"));
        loans->open();
        QCOMPARE(loans->recordCount(), 2);
        QVERIFY(loans->moveToValue(QStringLiteral("date_in"), QVariant()));
        QCOMPARE(loans->fieldByName(QStringLiteral("loaner")).asString(), QStringLiteral("Петров"));
        QVERIFY(books().moveToValue(QStringLiteral("id"), 2));
        QVERIFY(!loans->moveToValue(QStringLiteral("date_in"), QVariant()));
    }

    // ---- editing ----

    void appendPostReadsBackId()
    {
        books().append();
        QCOMPARE(books().state(), DatasetState::Insert);
        QVERIFY(books().fieldByName(QStringLiteral("id")).isNull());
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Тихий Дон"));
        books().fieldByName(QStringLiteral("inv_num")).setValue(107);
        books().post();
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(currentId(books()), 7);
        QCOMPARE(books().recordCount(), 7);
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT title || '/' || inv_num FROM books WHERE id = 7")),
                 QStringLiteral("Тихий Дон/107"));
    }

    // Only the changed fields are written: a change another program made meanwhile to another
    // column of the record survives.
    void editPostUpdatesChangedFields()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        books().edit();
        QCOMPARE(books().state(), DatasetState::Edit);
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Елена Прекрасная"));
        otherConnection()->runStatement(QStringLiteral("UPDATE books SET price = 777 WHERE id = 4"));
        books().post();
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Елена Прекрасная"));
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT title || '/' || price FROM books WHERE id = 4")),
                 QStringLiteral("Елена Прекрасная/777.0"));
    }

    void cancelDropsTheChange()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        books().edit();
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Другое"));
        books().cancel();
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Елена"));
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT title FROM books WHERE id = 4")), QStringLiteral("Елена"));

        books().append();
        books().cancel();
        QCOMPARE(books().recordCount(), 6);
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT COUNT(*) FROM books")), QStringLiteral("6"));
    }

    void editOfRecordDeletedElsewhere()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        otherConnection()->runStatement(QStringLiteral("DELETE FROM books WHERE id = 4"));
        books().edit();
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Елена Прекрасная"));
        QCOMPARE(errorOf([&] { books().post(); }), QStringLiteral("Update failed. Found 0 records"));
        QCOMPARE(books().state(), DatasetState::Edit);
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Елена Прекрасная"));
        books().cancel();
        QCOMPARE(books().state(), DatasetState::Browse);
    }

    void deleteOfRecordDeletedElsewhere()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4));
        otherConnection()->runStatement(QStringLiteral("DELETE FROM books WHERE id = 4"));
        QCOMPARE(errorOf([&] { books().deleteRecord(); }), QStringLiteral("Update failed. Found 0 records"));
        QCOMPARE(books().recordCount(), 6);
        QCOMPARE(currentId(books()), 4);
    }

    void updateOfDuplicateKey()
    {
        conn().runStatement(QStringLiteral("CREATE TABLE copies (id INTEGER, title TEXT);"
                                           "INSERT INTO copies VALUES (1, 'а');"
                                           "INSERT INTO copies VALUES (1, 'б');"));
        Dataset ds(&conn());
        ds.setSql(QStringLiteral("SELECT * FROM copies"));
        ds.open();
        ds.edit();
        ds.fieldByName(QStringLiteral("title")).setValue(QStringLiteral("в"));
        QCOMPARE(errorOf([&] { ds.post(); }), QStringLiteral("Update failed. Found 2 records"));
        QCOMPARE(ds.state(), DatasetState::Edit);
    }

    void deleteMakesNextCurrent()
    {
        QList<qint64> seen;
        books().beforeDelete = [&](Dataset &d) { seen << currentId(d); };
        QVERIFY(books().moveToValue(QStringLiteral("id"), 3));
        books().deleteRecord();
        QCOMPARE(seen, QList<qint64>{3});
        QCOMPARE(currentId(books()), 4);
        QCOMPARE(books().recordCount(), 5);
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT COUNT(*) FROM books WHERE id = 3")), QStringLiteral("0"));

        // "Next" is in the order shown.
        books().setIndexFieldNames(QStringLiteral("title"));
        QVERIFY(books().moveToValue(QStringLiteral("title"), QStringLiteral("Бук")));
        books().deleteRecord();
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Война и мир"));
        QCOMPARE(ids(books()), QStringLiteral("5 1 4 2"));
    }

    void deleteOnEmptyDataset()
    {
        int calls = 0;
        books().beforeDelete = [&](Dataset &) { ++calls; };
        books().setFilterSQL(QStringLiteral("id < 0"));
        QCOMPARE(errorOf([&] { books().deleteRecord(); }),
                 QStringLiteral("Cannot perform this operation on an empty dataset"));
        QCOMPARE(calls, 0);
    }

    void readOnlyRefusesChanges_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("append") << 0;
        QTest::newRow("edit") << 1;
        QTest::newRow("delete") << 2;
    }

    void readOnlyRefusesChanges()
    {
        QFETCH(int, operation);
        int deletes = 0;
        books().beforeDelete = [&](Dataset &) { ++deletes; };
        books().setReadOnly(true);
        const QString error = errorOf([&] {
            switch (operation) {
            case 0: books().append(); break;
            case 1: books().edit(); break;
            default: books().deleteRecord(); break;
            }
        });
        QCOMPARE(error, QStringLiteral("Cannot modify a read-only dataset"));
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(books().recordCount(), 6);
        QCOMPARE(deletes, 0);
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT COUNT(*) FROM books")), QStringLiteral("6"));
    }

    void settingFieldInBrowseState()
    {
        QCOMPARE(errorOf([&] { books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("x")); }),
                 QStringLiteral("Dataset not in edit or insert mode"));
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Война и мир"));
    }

    void closedDatasetRefuses_data()
    {
        QTest::addColumn<int>("operation");
        QTest::newRow("first") << 0;
        QTest::newRow("next") << 1;
        QTest::newRow("prior") << 2;
        QTest::newRow("last") << 3;
        QTest::newRow("refresh") << 4;
        QTest::newRow("moveToValue") << 5;
        QTest::newRow("append") << 6;
        QTest::newRow("edit") << 7;
        QTest::newRow("delete") << 8;
        QTest::newRow("read a field") << 9;
    }

    void closedDatasetRefuses()
    {
        QFETCH(int, operation);
        books().close();
        const QString error = errorOf([&] {
            switch (operation) {
            case 0: books().first(); break;
            case 1: books().next(); break;
            case 2: books().prior(); break;
            case 3: books().last(); break;
            case 4: books().refresh(); break;
            case 5: books().moveToValue(QStringLiteral("id"), 1); break;
            case 6: books().append(); break;
            case 7: books().edit(); break;
            case 8: books().deleteRecord(); break;
            default: books().fieldByName(QStringLiteral("title")).asString(); break;
            }
        });
        QCOMPARE(error, QStringLiteral("Cannot perform this operation on a closed dataset"));
    }

    // A failed post keeps what was typed, so the user can correct it and post again.
    void failedPostKeepsState()
    {
        books().append();
        books().fieldByName(QStringLiteral("author")).setValue(QStringLiteral("Безымянный"));
        QCOMPARE(errorOf([&] { books().post(); }), QStringLiteral("NOT NULL constraint failed: books.title"));
        QCOMPARE(books().state(), DatasetState::Insert);
        QCOMPARE(books().fieldByName(QStringLiteral("author")).asString(), QStringLiteral("Безымянный"));
        books().fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Название"));
        books().post();
        QCOMPARE(books().state(), DatasetState::Browse);
        QCOMPARE(currentId(books()), 7);

        books().first();
        books().edit();
        books().fieldByName(QStringLiteral("title")).clear();
        QVERIFY(errorOf([&] { books().post(); }).startsWith(QStringLiteral("NOT NULL constraint failed")));
        QCOMPARE(books().state(), DatasetState::Edit);
        QVERIFY(books().fieldByName(QStringLiteral("title")).isNull());
        books().cancel();
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), QStringLiteral("Война и мир"));
    }

    void textRoundTrips_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophe and Cyrillic") << "Д'Артаньян и три мушкетёра";
        QTest::newRow("quotes and a statement") << "Книга \"Мир\"; DROP TABLE books; --";
        QTest::newRow("line breaks") << "Война\r\nи мир";
        QTest::newRow("Ё") << "ЁЛКА ёлка";
        QTest::newRow("outside code page 1251") << "Ελληνικά ✓ 日本 €";
    }

    void textRoundTrips()
    {
        QFETCH(QString, text);
        books().append();
        books().fieldByName(QStringLiteral("title")).setValue(text);
        books().post();
        QVERIFY(books().moveToValue(QStringLiteral("id"), 2));
        books().edit();
        books().fieldByName(QStringLiteral("author")).setValue(text);
        books().post();

        QCOMPARE(scalar(conn(), QStringLiteral("SELECT title FROM books WHERE id = 7")), text);
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT author FROM books WHERE id = 2")), text);
        books().close();
        books().open();
        QVERIFY(books().moveToValue(QStringLiteral("id"), 7));
        QCOMPARE(books().fieldByName(QStringLiteral("title")).asString(), text);
        QVERIFY(books().moveToValue(QStringLiteral("author"), text));
        QCOMPARE(currentId(books()), 2);
    }

    void dateWrittenAsIsoText()
    {
        QVERIFY(books().moveToValue(QStringLiteral("id"), 3));
        books().edit();
        books().fieldByName(QStringLiteral("date_reg")).setValue(QDate(2023, 2, 1));
        books().post();
        QCOMPARE(scalar(conn(), QStringLiteral("SELECT date_reg FROM books WHERE id = 3")), QStringLiteral("2023-02-01"));
        QCOMPARE(books().fieldByName(QStringLiteral("date_reg")).asDate(), QDate(2023, 2, 1));
        // A period filter compares the stored text.
        books().setFilterSQL(QStringLiteral("date_reg BETWEEN '2023-01-01' AND '2023-12-31'"));
        QCOMPARE(ids(books()), QStringLiteral("3"));
    }

    // ---- fields ----

    void fieldByNameUnknown()
    {
        QCOMPARE(errorOf([&] { books().fieldByName(QStringLiteral("nosuch")); }), QStringLiteral("Field 'nosuch' not found"));
        QCOMPARE(books().fieldByName(QStringLiteral("TITLE")).asString(), QStringLiteral("Война и мир"));
    }

    void fieldsByPosition()
    {
        QCOMPARE(books().fieldCount(), 9);
        QCOMPARE(books().field(0).name(), QStringLiteral("id"));
        QCOMPARE(books().field(TitleColumn).name(), QStringLiteral("title"));
        QCOMPARE(books().field(TitleColumn).asString(), QStringLiteral("Война и мир"));
        QCOMPARE(books().field(8).name(), QStringLiteral("file"));
    }

    void fieldKinds_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("variantType");
        QTest::newRow("INTEGER") << "inv_num" << int(FieldType::Integer) << int(QMetaType::LongLong);
        QTest::newRow("INTEGER PRIMARY KEY") << "id" << int(FieldType::Integer) << int(QMetaType::LongLong);
        QTest::newRow("REAL holding a whole number") << "price" << int(FieldType::Float) << int(QMetaType::Double);
        QTest::newRow("TEXT") << "title" << int(FieldType::String) << int(QMetaType::QString);
        QTest::newRow("DATE") << "date_reg" << int(FieldType::Date) << int(QMetaType::QDate);
    }

    void fieldKinds()
    {
        QFETCH(QString, column);
        QFETCH(int, kind);
        QFETCH(int, variantType);
        QVERIFY(books().moveToValue(QStringLiteral("id"), 4)); // price 120: a whole number in a REAL column
        const Field f = books().fieldByName(column);
        QCOMPARE(int(f.type()), kind);
        QCOMPARE(f.asVariant().typeId(), variantType);
    }

    void fieldReads_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("column");
        QTest::addColumn<bool>("isNull");
        QTest::addColumn<qint64>("asInteger");
        QTest::addColumn<QString>("asString");
        QTest::addColumn<QVariant>("asVariant");

        QTest::newRow("integer") << 1 << "inv_num" << false << qint64(101) << "101" << QVariant(qlonglong(101));
        QTest::newRow("NULL integer") << 5 << "inv_num" << true << qint64(0) << "" << QVariant();
        QTest::newRow("real") << 3 << "price" << false << qint64(99) << "99" << QVariant(99.0);
        QTest::newRow("text") << 4 << "title" << false << qint64(0) << "Елена" << QVariant("Елена");
        QTest::newRow("NULL text") << 2 << "author" << true << qint64(0) << "" << QVariant();
        QTest::newRow("empty text") << 3 << "file" << false << qint64(0) << "" << QVariant("");
        QTest::newRow("date") << 1 << "date_reg" << false << qint64(0)
                              << QLocale().toString(QDate(2020, 3, 15), QLocale::ShortFormat)
                              << QVariant(QDate(2020, 3, 15));
        QTest::newRow("NULL date") << 3 << "date_reg" << true << qint64(0) << "" << QVariant();
    }

    void fieldReads()
    {
        QFETCH(int, id);
        QFETCH(QString, column);
        QFETCH(bool, isNull);
        QFETCH(qint64, asInteger);
        QFETCH(QString, asString);
        QFETCH(QVariant, asVariant);
        QVERIFY(books().moveToValue(QStringLiteral("id"), id));
        const Field f = books().fieldByName(column);
        QCOMPARE(f.isNull(), isNull);
        if (f.isNull() || f.type() == FieldType::Integer || f.type() == FieldType::Float)
            QCOMPARE(f.asInteger(), asInteger);
        QCOMPARE(f.asString(), asString);
        QCOMPARE(f.asVariant(), asVariant);
        if (f.type() == FieldType::Date)
            QCOMPARE(f.asDate(), asVariant.toDate());
    }

    void dateReadsInShortFormat()
    {
        // With Russian settings the short format is day.month.year.
        QCOMPARE(books().fieldByName(QStringLiteral("date_reg")).asString(), QStringLiteral("15.03.2020"));
    }

    void emptyResultReadsNull()
    {
        books().setFilterSQL(QStringLiteral("id < 0"));
        for (int c = 0; c < books().fieldCount(); ++c) {
            const Field f = books().field(c);
            QVERIFY2(f.isNull(), qPrintable(f.name()));
            QCOMPARE(f.asString(), QString());
            QCOMPARE(f.asVariant(), QVariant());
        }
        QCOMPARE(books().fieldByName(QStringLiteral("inv_num")).asInteger(), 0);
        QVERIFY(!books().fieldByName(QStringLiteral("date_reg")).asDate().isValid());
    }

    // ---- signals for observers ----

    void signalsForObservers()
    {
        Dataset ds(&conn());
        ds.setSql(QStringLiteral("SELECT * FROM books"));
        QSignalSpy reset(&ds, &Dataset::rowsReset);
        QSignalSpy current(&ds, &Dataset::currentChanged);
        QSignalSpy changed(&ds, &Dataset::fieldChanged);
        QSignalSpy inserted(&ds, &Dataset::rowInserted);
        QSignalSpy removed(&ds, &Dataset::rowRemoved);
        QSignalSpy updated(&ds, &Dataset::rowUpdated);

        ds.open();
        QVERIFY(reset.count() >= 1);
        QVERIFY(!current.isEmpty());
        QCOMPARE(current.last().at(0).toInt(), 0);

        current.clear();
        ds.next();
        QCOMPARE(current.count(), 1);
        QCOMPARE(current.last().at(0).toInt(), 1);

        ds.edit();
        ds.fieldByName(QStringLiteral("title")).setValue(QStringLiteral("Снова Ёлка"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.last().at(0).toInt(), TitleColumn);
        ds.post();
        QVERIFY(!updated.isEmpty());
        QCOMPARE(updated.last().at(0).toInt(), 1);

        current.clear();
        ds.append();
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.last().at(0).toInt(), 6);
        QCOMPARE(current.last().at(0).toInt(), 6);
        ds.cancel();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.last().at(0).toInt(), 6);

        ds.setRecNo(1);
        current.clear();
        removed.clear();
        ds.deleteRecord();
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.last().at(0).toInt(), 1);
        QVERIFY(!current.isEmpty()); // another record is under the cursor now
        QCOMPARE(current.last().at(0).toInt(), 1);

        reset.clear();
        ds.setIndexFieldNames(QStringLiteral("title"));
        QCOMPARE(reset.count(), 1);
        reset.clear();
        ds.setFilter(QStringLiteral("onloan = 1"));
        ds.setFiltered(true);
        QCOMPARE(reset.count(), 1);
        reset.clear();
        ds.setFilterSQL(QStringLiteral("itemkind_id = 2"));
        QVERIFY(reset.count() >= 1);
        QCOMPARE(ds.recordCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestDataset)
#include "test_dataset.moc"
