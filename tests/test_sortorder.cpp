// Sorting compares kept collation ranks: the order must stay the Russian collation's exactly,
// ties in the order rows were read, and a changed row must never sort by its old value.
#include "TempDb.h"
#include "data/dataset/Dataset.h"
#include "data/dataset/RussianCollator.h"
#include "data/dataset/TableCollationKeys.h"

#include <QCollator>
#include <QLocale>
#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>
#include <optional>

namespace {

using Text = std::optional<QString>; // nullopt is NULL

// Texts that tell collations apart: Ё and Е, case, digits, Latin, punctuation, empty, NULL, long
// texts alike in their first thousand letters, and random mixtures of all of these; letters the
// table of weights lacks go into one random text in rareEvery.
std::vector<Text> awkwardTexts(int randomCount, int rareEvery = 1)
{
    std::vector<Text> texts = {QStringLiteral("ёж"), QStringLiteral("еж"), QStringLiteral("Ёж"), QStringLiteral("Еж"),
                               QStringLiteral("ель"), QStringLiteral("Ёлка"), QStringLiteral("10 лет"),
                               QStringLiteral("9 лет"), QStringLiteral("Zeta"), QStringLiteral("alpha"),
                               QStringLiteral("Alpha"), QStringLiteral("-дефис"), QStringLiteral("«Кавычки»"),
                               QString(), std::nullopt, QString(), std::nullopt, QStringLiteral("еж")};
    const QString common = QString(1000, u'ж');
    for (const char16_t tail : {u'Ё', u'е', u'Е', u'ё', u'a'})
        texts.push_back(common + QChar(tail));
    // "é", "ß" and a combining diaeresis are not in the table of weights: texts with them take
    // ICU's keys, and "е" with the diaeresis must rank with "ё". "№" and "…" weigh as two and three.
    const QString letters = QStringLiteral("аАбБеЕёЁжЖяЯ -'.,09abXYNo№…éß\u0308");
    QRandomGenerator rng(19);
    for (int i = 0; i < randomCount; ++i) {
        const int pool = int(letters.size()) - (i % rareEvery == 0 ? 0 : 3);
        QString text;
        for (int c = int(rng.bounded(9)); c > 0; --c)
            text += letters[int(rng.bounded(pool))];
        texts.push_back(text);
    }
    return texts;
}

struct Catalogue {
    TempDb db{QStringLiteral("CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT);")};
    data::Dataset books{&db.conn};

    explicit Catalogue(const std::vector<Text> &titles)
    {
        db.conn.runStatement(QStringLiteral("BEGIN"));
        for (const Text &t : titles)
            db.conn.runStatement(QStringLiteral("INSERT INTO books (title) VALUES (?)"), {t ? QVariant(*t) : QVariant()});
        db.conn.runStatement(QStringLiteral("COMMIT"));
        books.setSql(QStringLiteral("SELECT * FROM books"));
        books.open();
    }

    QList<qint64> ids() const
    {
        QList<qint64> result;
        for (int i = 0; i < books.recordCount(); ++i)
            result << books.cellAt(i, 0).integer;
        return result;
    }

    // The order the comparison of two texts gives: a stable sort of the rows as now held, in the
    // order they were read, NULL first ascending and last descending.
    QList<qint64> expected(bool descending, bool caseInsensitive) const
    {
        data::Dataset plain(books.connection());
        plain.setSql(books.sql());
        plain.setFilterSQL(books.filterSQL());
        plain.setFilter(books.filter());
        plain.setFiltered(books.filtered());
        plain.open();
        QCollator collator(QLocale(QLocale::Russian, QLocale::Russia));
        collator.setCaseSensitivity(caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
        collator.setIgnorePunctuation(false);
        std::vector<int> order(std::size_t(plain.recordCount()));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
            const bool nx = plain.cellAt(x, 1).isNull(), ny = plain.cellAt(y, 1).isNull();
            int c = nx != ny ? (nx ? -1 : 1) : nx ? 0 : collator.compare(plain.textAt(x, 1), plain.textAt(y, 1));
            return descending ? c > 0 : c < 0;
        });
        QList<qint64> result;
        for (int i : order)
            result << plain.cellAt(i, 0).integer;
        return result;
    }

    void checkSorted(const QString &how)
    {
        // Sorting another way first, so that the order asked for is a sort back.
        books.setIndexFieldNames(QStringLiteral("title DESC"));
        books.setIndexFieldNames(QStringLiteral("title"));
        if (ids() != expected(false, false))
            QFAIL(qPrintable(QStringLiteral("wrong order after the %1").arg(how)));
    }
};

} // namespace

class SortOrderTest : public QObject {
    Q_OBJECT
private slots:
    void followsRussianCollation_data()
    {
        QTest::addColumn<int>("randomCount");
        QTest::addColumn<QString>("sortText");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<bool>("caseInsensitive");
        QTest::addColumn<int>("rareEvery");
        QTest::newRow("ascending") << 3000 << QStringLiteral("title") << QString() << false << false << 1;
        QTest::newRow("descending") << 3000 << QStringLiteral("title DESC") << QString() << true << false << 1;
        QTest::newRow("case-insensitive") << 3000 << QStringLiteral("title CIS") << QString() << false << true << 1;
        QTest::newRow("case-insensitive descending") << 3000 << QStringLiteral("title DESC CIS") << QString() << true << true << 1;
        // A few rows of many are ranked on their own, with nothing kept.
        QTest::newRow("few shown") << 3000 << QStringLiteral("title") << QStringLiteral("id < 300") << false << false << 1;
        // Two threads make the keys of a large column.
        QTest::newRow("large column") << 30000 << QStringLiteral("title") << QString() << false << false << 1;
        // A few texts keyed by ICU among many keyed by the table go in by binary search.
        QTest::newRow("few rare letters") << 30000 << QStringLiteral("title") << QString() << false << false << 300;
    }
    void followsRussianCollation()
    {
        QFETCH(int, randomCount);
        QFETCH(QString, sortText);
        QFETCH(QString, filter);
        QFETCH(bool, descending);
        QFETCH(bool, caseInsensitive);
        QFETCH(int, rareEvery);
        Catalogue c(awkwardTexts(randomCount, rareEvery));
        c.books.setFilter(filter);
        c.books.setFiltered(!filter.isEmpty());
        c.books.setIndexFieldNames(sortText);
        QCOMPARE(c.ids(), c.expected(descending, caseInsensitive));
    }

    // Each change goes from the front of the alphabet to its end or back, so that a rank kept from
    // before it would put the row in the wrong place.
    void changedRowsSortByTheirNewValues()
    {
        Catalogue c(awkwardTexts(500));
        c.checkSorted(QStringLiteral("first"));

        c.books.setRecNo(0);
        c.books.edit();
        c.books.fieldByName(QStringLiteral("title")).setValue(QStringLiteral("яяя после правки"));
        c.books.post();
        c.checkSorted(QStringLiteral("post"));

        c.books.append();
        c.books.fieldByName(QStringLiteral("title")).setValue(QStringLiteral("ааа добавлена"));
        c.books.post();
        c.checkSorted(QStringLiteral("append"));

        c.books.setRecNo(5);
        c.books.deleteRecord();
        c.checkSorted(QStringLiteral("delete"));

        c.books.setFilter(QStringLiteral("id > 100"));
        c.books.setFiltered(true);
        c.checkSorted(QStringLiteral("local filter"));

        // Another statement holds other rows under the same row numbers.
        c.db.conn.runStatement(QStringLiteral("UPDATE books SET title = 'ЯЯЯ ' || title WHERE id % 2 = 0"));
        c.books.setFilterSQL(QStringLiteral("id % 3 <> 0"));
        c.checkSorted(QStringLiteral("filter"));
        c.db.conn.runStatement(QStringLiteral("UPDATE books SET title = 'ААА ' || title WHERE id % 2 = 1"));
        c.books.refresh();
        c.checkSorted(QStringLiteral("re-query"));
    }

    // Keys from the table of weights sort a pile of texts exactly as ICU compares them: sorted by
    // key, every neighbour compares with the next (less or equal) as ICU says. All two-character
    // texts of the table's alphabet (a contraction would show here) and random longer ones.
    void tableKeysOrderAsIcuCompares_data()
    {
        QTest::addColumn<bool>("caseInsensitive");
        QTest::newRow("case-sensitive") << false;
        QTest::newRow("case-insensitive") << true;
    }
    void tableKeysOrderAsIcuCompares()
    {
        QFETCH(bool, caseInsensitive);
        const data::TableCollationKeys &table = data::TableCollationKeys::russian(caseInsensitive);
        QVERIFY(table.size() > 150);
        QString alphabet;
        std::string probe;
        for (char16_t c = 1; c < 0x2200; ++c)
            if (QChar::isPrint(c) || c == u'\n') {
                probe.clear();
                if (table.append(QString(QChar(c)).toStdString(), probe))
                    alphabet += QChar(c);
            }
        QVERIFY(alphabet.contains(u'ё') && alphabet.contains(u'Z') && alphabet.contains(u'«'));
        QVERIFY(alphabet.contains(u'№') && alphabet.contains(u'…') && !alphabet.contains(u'é'));

        std::vector<QString> texts = {QString(), QStringLiteral("\n"), QString(300, u'ж') + u'Ё', QString(300, u'ж') + u'е'};
        for (const QChar a : alphabet)
            for (const QChar b : alphabet)
                texts.push_back(QString(a) + b);
        QRandomGenerator rng(1917);
        const QString often = QStringLiteral("еЕёЁаА -");
        for (int i = 0; i < 60000; ++i) {
            QString text;
            for (int n = int(rng.bounded(1, 12)); n > 0; --n)
                text += rng.bounded(2) ? often[int(rng.bounded(int(often.size())))]
                                       : alphabet[int(rng.bounded(int(alphabet.size())))];
            texts.push_back(text);
        }
        std::vector<std::pair<std::string, std::string>> keyed; // key, text
        for (const QString &t : texts) {
            std::string key, utf8 = t.toStdString();
            QVERIFY(table.append(utf8, key));
            keyed.emplace_back(std::move(key), std::move(utf8));
        }
        std::sort(keyed.begin(), keyed.end());
        const data::CollatorPtr collator = data::openRussianCollator(caseInsensitive);
        for (std::size_t i = 1; i < keyed.size(); ++i) {
            const auto &[key1, text1] = keyed[i - 1];
            const auto &[key2, text2] = keyed[i];
            UErrorCode status = U_ZERO_ERROR;
            const int icu = ucol_strcollUTF8(collator.get(), text1.data(), int(text1.size()), text2.data(),
                                             int(text2.size()), &status);
            const int ours = key1 == key2 ? 0 : -1;
            if (icu != ours)
                QFAIL(qPrintable(QStringLiteral("«%1» and «%2»: ICU says %3, the keys %4")
                                     .arg(QString::fromStdString(text1), QString::fromStdString(text2))
                                     .arg(icu)
                                     .arg(ours)));
        }
    }

    void changedRowIsTheOnlyKeyMadeAgain()
    {
        std::vector<const char *> rows;
        data::RowArena arena;
        const QStringList titles = {QStringLiteral("Ёлка"), QStringLiteral("ель"), QStringLiteral("Ель"), QStringLiteral("ель"),
                                    QStringLiteral("Аист")};
        for (const QString &t : titles) {
            data::RowBuilder row(1);
            const QByteArray bytes = t.toUtf8();
            row.setBytes(0, data::CellType::Text, std::string_view(bytes.data(), std::size_t(bytes.size())));
            rows.push_back(row.finish(arena));
        }
        data::CollationRanks ranks(0, false);
        QCOMPARE(ranks.ranks(rows, 1), (std::vector<quint32>{1, 2, 3, 2, 0}));
        QCOMPARE(ranks.keysMade(), std::size_t(5));
        QCOMPARE(ranks.ranks(rows, 1), (std::vector<quint32>{1, 2, 3, 2, 0}));
        QCOMPARE(ranks.keysMade(), std::size_t(0));
        data::RowBuilder changed(1);
        changed.setBytes(0, data::CellType::Text, "\xD0\xB0"); // "а"
        rows[0] = changed.finish(arena);
        ranks.rowChanged(0);
        QCOMPARE(ranks.ranks(rows, 1), (std::vector<quint32>{0, 2, 3, 2, 1}));
        QCOMPARE(ranks.keysMade(), std::size_t(1));
    }
};

QTEST_GUILESS_MAIN(SortOrderTest)
#include "test_sortorder.moc"
