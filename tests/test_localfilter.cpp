#include "data/DataError.h"
#include "data/dataset/LocalFilter.h"
#include "data/dataset/Row.h"

#include <QStringList>
#include <QTest>

#include <string>
#include <vector>

using namespace data;

namespace {

// One value of a test row; Null unless made by one of the helpers.
struct Cell {
    CellType type = CellType::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string text;
};

Cell N() { return {}; }
Cell I(std::int64_t v) { return {CellType::Integer, v, 0, {}}; }
Cell F(double v) { return {CellType::Float, 0, v, {}}; }
Cell T(const char *utf8) { return {CellType::Text, 0, 0, utf8}; }

FieldDef field(const char *name, const char *declared, FieldType type)
{
    return {QString::fromLatin1(name), QString::fromLatin1(declared), type};
}

} // namespace

// The rows every filter below is run over; a filter's result is the ids of the rows it keeps.
//
// id | title           | onloan | parent | file    | price | misc (untyped)
//  1 | War and Peace   | 1      | NULL   | a.pdf   | 12.5  | 5
//  2 | Война и мир     | 0      | 5      | NULL    | 10.0  | '5'
//  3 | war games       | 1      | 5      | ''      | NULL  | NULL
//  4 | NULL            | NULL   | 12     | b.txt   | 7.0   | 7.5
//  5 | Мир             | 2      | 12     | c       | 0.5   | 'abc'
//  6 | Warp            | 0      | NULL   | NULL    | 12.0  | ''
class TestLocalFilter : public QObject {
    Q_OBJECT

    std::vector<FieldDef> fields_;
    RowArena arena_;
    std::vector<RowRef> rows_;

    QString keptIds(const LocalFilter &filter) const
    {
        QStringList ids;
        for (const RowRef &row : rows_)
            if (filter.matches(row))
                ids << QString::number(row.cell(0).integer);
        return ids.join(u' ');
    }

    static void columns()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("kept");
    }

    // Every table's rows are named after their expression.
    static void row(const char *expression, const char *kept)
    {
        QTest::newRow(expression) << QString::fromUtf8(expression) << QString::fromLatin1(kept);
    }

    void check()
    {
        QFETCH(QString, expression);
        QFETCH(QString, kept);
        const LocalFilter filter = LocalFilter::compile(expression, fields_);
        QVERIFY(!filter.isEmpty());
        QCOMPARE(keptIds(filter), kept);
    }

private slots:
    void initTestCase()
    {
        fields_ = {field("id", "INTEGER", FieldType::Integer),     field("title", "VARCHAR(200)", FieldType::String),
                   field("onloan", "INTEGER", FieldType::Integer), field("parent", "INTEGER", FieldType::Integer),
                   field("file", "TEXT", FieldType::String),       field("price", "REAL", FieldType::Float),
                   field("misc", "", FieldType::Unknown)};
        const std::vector<std::vector<Cell>> table = {
            {I(1), T("War and Peace"), I(1), N(), T("a.pdf"), F(12.5), I(5)},
            {I(2), T("Война и мир"), I(0), I(5), N(), F(10.0), T("5")},
            {I(3), T("war games"), I(1), I(5), T(""), N(), N()},
            {I(4), N(), N(), I(12), T("b.txt"), F(7.0), F(7.5)},
            {I(5), T("Мир"), I(2), I(12), T("c"), F(0.5), T("abc")},
            {I(6), T("Warp"), I(0), N(), N(), F(12.0), T("")},
        };
        for (const auto &cells : table) {
            RowBuilder builder(static_cast<int>(cells.size()));
            for (int c = 0; c < static_cast<int>(cells.size()); ++c) {
                const Cell &cell = cells[c];
                switch (cell.type) {
                case CellType::Integer: builder.setInteger(c, cell.integer); break;
                case CellType::Float: builder.setFloat(c, cell.real); break;
                case CellType::Null: builder.setNull(c); break;
                default: builder.setBytes(c, cell.type, cell.text); break;
                }
            }
            rows_.emplace_back(builder.finish(arena_), static_cast<int>(cells.size()));
        }
    }

    void emptyExpressionFiltersNothing_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::newRow("empty") << QString();
        QTest::newRow("spaces") << QStringLiteral("   ");
        QTest::newRow("tabs and newlines") << QStringLiteral("\t\n \r\n");
    }

    void emptyExpressionFiltersNothing()
    {
        QFETCH(QString, expression);
        const LocalFilter filter = LocalFilter::compile(expression, fields_);
        QVERIFY(filter.isEmpty());
        QCOMPARE(keptIds(filter), QStringLiteral("1 2 3 4 5 6"));
    }

    void defaultFilterKeepsEverything()
    {
        LocalFilter filter;
        QVERIFY(filter.isEmpty());
        QCOMPARE(keptIds(filter), QStringLiteral("1 2 3 4 5 6"));

        filter = LocalFilter::compile(QStringLiteral("onloan = 1"), fields_);
        QVERIFY(!filter.isEmpty());
        LocalFilter moved(std::move(filter));
        QCOMPARE(keptIds(moved), QStringLiteral("1 3"));
    }

    void numbers_data()
    {
        columns();
        row("onloan = 1", "1 3");
        row("onloan <> 1", "2 4 5 6");
        row("onloan != 1", "2 4 5 6");
        row("1 = onloan", "1 3");
        row("parent = 5", "2 3");
        row("parent = 12", "4 5");
        row("parent <> 12", "1 2 3 6");
        row("price = 10", "2");
        row("price = 12", "6");
        row("price = 12.5", "1");
        row("price = .5", "5");
        row("price = 1.25e1", "1");
        row("price <> 12.5", "2 3 4 5 6");
        row("onloan = parent", "");
        row("onloan = TRUE", "1 3");
        row("onloan = false", "2 6");
        row("price > -1", "1 2 4 5 6");
        row("price > -0.75", "1 2 4 5 6");
        row("price = -12.5", "");
        row("ONLOAN = 1", "1 3");
        row("[OnLoan] = 1", "1 3");
        row("\"onloan\" = 1", "1 3");
    }
    void numbers() { check(); }

    void nulls_data()
    {
        columns();
        // Numbers: NULL equals only NULL.
        row("parent = NULL", "1 6");
        row("parent <> NULL", "2 3 4 5");
        row("NULL = parent", "1 6");
        row("onloan <> 0", "1 3 4 5");
        // Texts: NULL reads as the empty text.
        row("file = NULL", "2 3 6");
        row("file <> NULL", "1 4 5");
        row("file = ''", "2 3 6");
        row("file <> ''", "1 4 5");
        row("title = NULL", "4");
        // An untyped column compares as text only where the cell holds text.
        row("misc = NULL", "3 6");
        row("misc <> NULL", "1 2 4 5");
        row("misc = 5", "1 2");
        row("misc = '5*'", "1 2");
        row("misc = 7.5", "4");
        row("NULL = NULL", "1 2 3 4 5 6");
        row("NULL <> NULL", "");
    }
    void nulls() { check(); }

    void wildcards_data()
    {
        columns();
        row("title = 'War*'", "1 6");
        row("title = 'War%'", "1 6");
        row("title = 'War_'", "6");
        row("title = 'War'", "");
        row("title = 'W_r*'", "1 6");
        row("title = '*and*'", "1");
        row("title = '*es'", "3");
        row("title = '%a%e%'", "1 3");
        row("title = '*'", "1 2 3 4 5 6");
        row("title = '_*'", "1 2 3 5 6");
        row("title = '____'", "6");
        row("title = '**Warp**'", "6");
        row("title <> 'War*'", "2 3 4 5");
        row("title = 'War and Peace'", "1");
        row("file = '*.*'", "1 4");
        row("file = '_'", "5");
        row("'It''s' = 'It''s'", "1 2 3 4 5 6");
        row("'It''s' = 'It_s'", "1 2 3 4 5 6");
        row("'It''s' = 'Its'", "");
    }
    void wildcards() { check(); }

    void caseAndCyrillic_data()
    {
        columns();
        row("title = 'war*'", "3");
        row("title = 'WAR*'", "");
        row("title = 'war and peace'", "");
        row("title = 'Война*'", "2");
        row("title = 'Война и мир'", "2");
        row("title = 'война*'", "");
        row("title = '*мир'", "2");
        row("title = '*Мир'", "5");
        // "_" is one character, however many bytes it takes.
        row("title = 'Во_на*'", "2");
        row("title = 'Во__на*'", "");
        row("title = '___'", "5");
        row("title = '______'", "");
        row("title = 'М_р'", "5");
        row("title = '%и_мир'", "2");
    }
    void caseAndCyrillic() { check(); }

    void logic_data()
    {
        columns();
        row("onloan = 1 OR parent = 12 AND price > 5", "1 3 4");
        row("(onloan = 1 OR parent = 12) AND price > 5", "1 4");
        row("parent = 12 AND price > 5 OR onloan = 1", "1 3 4");
        row("parent = 12 AND (price > 5 OR onloan = 1)", "4");
        row("NOT onloan = 1", "2 4 5 6");
        row("NOT onloan = 1 AND parent = 5", "2");
        row("NOT (onloan = 1 OR parent = 5)", "4 5 6");
        row("NOT NOT onloan = 1", "1 3");
        row("((onloan = 1))", "1 3");
        row("onloan = 1 and not file = NULL", "1");
        row("onloan = 1 Or Parent = 12", "1 3 4 5");
        // A bare operand holds when it is a non-zero number or a non-empty text.
        row("onloan", "1 3 5");
        row("NOT onloan", "2 4 6");
        row("file", "1 4 5");
        row("misc", "1 2 4 5");
        row("TRUE", "1 2 3 4 5 6");
        row("FALSE", "");
        row("NULL", "");
        row("onloan AND file", "1 5");
    }
    void logic() { check(); }

    void isAndLike_data()
    {
        columns();
        row("file IS NULL", "2 6");
        row("file IS NOT NULL", "1 3 4 5");
        row("parent is null", "1 6");
        row("NOT parent IS NULL", "2 3 4 5");
        row("misc IS NULL", "3");
        row("title LIKE 'War*'", "1 6");
        row("title LIKE '%games'", "3");
        row("title like 'Во_на%'", "2");
        row("title NOT LIKE 'War*'", "2 3 4 5");
        row("file LIKE ''", "2 3 6");
        row("onloan LIKE '1'", "1 3");
    }
    void isAndLike() { check(); }

    void ordering_data()
    {
        columns();
        row("price > 10", "1 6");
        row("price >= 10", "1 2 6");
        row("price < 10", "4 5");
        row("price <= 7", "4 5");
        row("price > 12", "1");
        row("price >= 12", "1 6");
        row("price < 12.5", "2 4 5 6");
        row("10 < price", "1 6");
        // A NULL on either side makes the comparison false, so negating it keeps the row.
        row("onloan < 1", "2 6");
        row("NOT onloan < 1", "1 3 4 5");
        row("parent > NULL", "");
        row("parent <= NULL", "");
        row("NULL >= parent", "");
        row("title > 'W'", "1 2 3 5 6");
        row("title < 'Warp'", "1");
        row("title >= 'Мир'", "5");
        row("title < 'w'", "1 6");
        row("title <= ''", "");
    }
    void ordering() { check(); }

    // Long chains are walked in a loop, and nesting up to the bound works.
    void longExpressions_data()
    {
        columns();
        const auto chain = [](const char *term, const char *op, int count) {
            QStringList terms(count, QString::fromLatin1(term));
            return terms.join(QString::fromLatin1(op));
        };
        QTest::newRow("10,000 ORs") << chain("onloan = 7", " OR ", 10000) + QStringLiteral(" OR onloan = 2") << "5";
        QTest::newRow("10,000 ANDs") << chain("onloan = 1", " AND ", 10000) << "1 3";
        QTest::newRow("200 brackets")
            << QString(200, u'(') + QStringLiteral("parent = 12") + QString(200, u')') << "4 5";
        QTest::newRow("NOT(NOT(E)) 100 deep")
            << QStringLiteral("NOT (").repeated(100) + QStringLiteral("file IS NULL") + QString(100, u')') << "2 6";
    }
    void longExpressions() { check(); }

    void errors_data()
    {
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("message");
        const auto add = [](const char *expression, const char *message) {
            QTest::newRow(expression) << QString::fromUtf8(expression) << QString::fromUtf8(message);
        };
        add("nosuch = 1", "Field 'nosuch' not found");
        add("onloan = 1 AND nosuch", "Field 'nosuch' not found");
        add("[no such] IS NULL", "Field 'no such' not found");
        add("(onloan = 1", "Invalid filter expression: missing ')' for the bracket at position 1");
        add("onloan = 1)", "Invalid filter expression: unexpected ')' at position 11");
        add("(onloan = 1 parent = 5)", "Invalid filter expression: expected ')' but found 'parent' at position 13");
        add("onloan =", "Invalid filter expression: expected an operand at the end");
        add("onloan = AND parent = 5", "Invalid filter expression: expected an operand but found 'AND' at position 10");
        add("onloan = 1 OR", "Invalid filter expression: expected an operand at the end");
        add("()", "Invalid filter expression: expected an operand but found ')' at position 2");
        add("title = 'War", "Invalid filter expression: unterminated string starting at position 9");
        add("\"title = 1", "Invalid filter expression: unterminated quoted name starting at position 1");
        add("[title = 1", "Invalid filter expression: missing ']' for the name starting at position 1");
        add("onloan = 1 parent = 5", "Invalid filter expression: unexpected 'parent' at position 12");
        add("parent IS 5", "Invalid filter expression: expected NULL after IS but found '5' at position 11");
        add("title NOT 'War'", "Invalid filter expression: expected LIKE after NOT but found 'War' at position 11");
        add("onloan # 1", "Invalid filter expression: unexpected character '#' at position 8");
        add("price > -x", "Invalid filter expression: expected a number after '-' but found 'x' at position 10");
        add("Мир = 1", "Field 'Мир' not found");
        // Digits of other scripts are no number.
        add("onloan = \u0663", "Field '\u0663' not found");
        add("onloan = 1\u0663", "Invalid filter expression: unexpected '\u0663' at position 11");
        add("price > 1e999", "Invalid filter expression: number 1e999 out of range at position 9");
        // Nesting is bounded, so that no expression can exhaust the stack.
        const QString deep = QString(3000, u'(') + QStringLiteral("onloan = 1") + QString(3000, u')');
        QTest::newRow("3000 brackets") << deep << QStringLiteral("Invalid filter expression: nested deeper than 200 levels at position 202");
        QTest::newRow("300 NOTs") << QStringLiteral("NOT ").repeated(300) + QStringLiteral("onloan")
                                  << QStringLiteral("Invalid filter expression: nested deeper than 200 levels at position 805");
    }

    void errors()
    {
        QFETCH(QString, expression);
        QFETCH(QString, message);
        try {
            LocalFilter::compile(expression, fields_);
            QFAIL("compile() accepted the expression");
        } catch (const DataError &e) {
            QCOMPARE(e.message(), message);
            QCOMPARE(e.sqliteCode(), 0);
        }
    }
};

QTEST_GUILESS_MAIN(TestLocalFilter)
#include "test_localfilter.moc"
