#pragma once

// What the dataset tests share: a small catalogue in a fresh database file, the books dataset
// opened over it, and reads of the rows the cursor reaches.
#include "MyLower.h"
#include "TempDb.h"
#include "TestServer.h"
#include "data/DataError.h"
#include "data/dataset/Dataset.h"
#include "data/engines/SqliteEngine.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <memory>

namespace dataset_tests {

using namespace data;
using namespace store;

// Column positions follow the declaration: 0 id, 1 inv_num, 2 author, 3 title, 4 date_reg,
// 5 price, 6 itemkind_id, 7 onloan, 8 file.
inline const char *const Schema = R"(
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

inline constexpr int TitleColumn = 3;

// The given column of every record the cursor reaches, in order.
inline QString column(Dataset &ds, const QString &name)
{
    QStringList values;
    for (ds.first(); !ds.eof(); ds.next())
        values << (ds.fieldByName(name).isNull() ? QStringLiteral("<NULL>") : ds.fieldByName(name).asString());
    return values.join(u' ');
}

inline QString ids(Dataset &ds) { return column(ds, QStringLiteral("id")); }
inline qint64 currentId(Dataset &ds) { return ds.fieldByName(QStringLiteral("id")).asInteger(); }

// One value read straight from the database, "<NULL>" for NULL.
inline QString scalar(Connection &conn, const QString &sql)
{
    try {
        auto stmt = conn.prepare(sql);
        stmt->execute();
        if (!stmt->next())
            return QStringLiteral("<no row>");
        std::vector<CellView> cells(std::size_t(stmt->columnCount()));
        stmt->readRow(cells.data());
        const CellView &c = cells.at(0);
        switch (c.type) {
        case CellType::Null: return QStringLiteral("<NULL>");
        case CellType::Integer: return QString::number(c.integer);
        case CellType::Float: return QString::number(c.real);
        default: return QString::fromUtf8(c.bytes.data(), qsizetype(c.bytes.size()));
        }
    } catch (const DataError &) {
        return QStringLiteral("<error>");
    }
}

// The dataset tests run on the embedded engine, and once more, built with
// LIBRARY_TEST_ON_SERVER, on the test server.
#ifdef LIBRARY_TEST_ON_SERVER
using CatalogueDb = ServerDb;
inline constexpr bool OnServer = true;
#else
using CatalogueDb = TempDb;
inline constexpr bool OnServer = false;
#endif

inline QString normalized(const QString &sql)
{
    QString s = sql.simplified();
    s.replace(QStringLiteral("( "), QStringLiteral("("));
    s.replace(QStringLiteral(" )"), QStringLiteral(")"));
    return s;
}

// The test programs derive from this beside QObject and call its set-up and tear-down from
// their initTestCase, init and cleanup slots.
class DatasetFixture {
protected:
    std::unique_ptr<CatalogueDb> db_;
    std::unique_ptr<Dataset> books_;

    Connection &conn() { return db_->conn; }
    Dataset &books() { return *books_; }

    // A second program on the same catalogue.
    std::unique_ptr<Connection> otherConnection()
    {
#ifdef LIBRARY_TEST_ON_SERVER
        return db_->other();
#else
        auto other = std::make_unique<Connection>();
        other->setDatabase(db_->path());
        other->options() = {QStringLiteral("SQLite.BusyTimeout=1500")};
        other->open();
        return other;
#endif
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

    static void useRussianSettings()
    {
        // Dates read as text in the user's short format; the program runs with Russian settings.
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }

    // A fresh catalogue, with the books dataset open over it.
    void openCatalogue()
    {
        if constexpr (OnServer)
            REQUIRE_TEST_SERVER(TestServer::find());
        db_ = std::make_unique<CatalogueDb>(QString::fromUtf8(Schema));
        db_->conn.addSqlFunction(QStringLiteral("my_lower"), 1, myLowerSqlFunction);
        books_ = std::make_unique<Dataset>(&db_->conn);
        books_->setSql(QStringLiteral("SELECT * FROM books"));
        books_->open();
    }

    void closeCatalogue()
    {
        books_.reset();
        db_.reset();
    }
};

} // namespace dataset_tests
