// A large sort takes a path of its own (keys made on two threads); its order must be the
// Russian collation's all the same.
#include "TempDb.h"
#include "data/dataset/Dataset.h"

#include <QCollator>
#include <QLocale>
#include <QRandomGenerator>
#include <QtTest>

class SortOrderTest : public QObject {
    Q_OBJECT
private slots:
    void largeColumnFollowsRussianCollation_data()
    {
        QTest::addColumn<QString>("sortText");
        QTest::addColumn<bool>("descending");
        QTest::newRow("ascending") << QStringLiteral("title") << false;
        QTest::newRow("descending") << QStringLiteral("title DESC") << true;
    }
    void largeColumnFollowsRussianCollation()
    {
        QFETCH(QString, sortText);
        QFETCH(bool, descending);
        TempDb db(QStringLiteral("CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT);"));
        const QString letters = QStringLiteral("аАбБвВеЕёЁжЖзЗяЯ -'abcXYZ");
        QRandomGenerator rng(7);
        db.conn.runStatement(QStringLiteral("BEGIN"));
        for (int i = 0; i < 30000; ++i) {
            QString title;
            const int length = 1 + int(rng.bounded(12));
            for (int c = 0; c < length; ++c)
                title += letters[int(rng.bounded(int(letters.size())))];
            db.conn.runStatement(QStringLiteral("INSERT INTO books (title) VALUES (?)"), {title});
        }
        db.conn.runStatement(QStringLiteral("COMMIT"));

        data::Dataset books(&db.conn);
        books.setSql(QStringLiteral("SELECT * FROM books"));
        books.open();
        books.setIndexFieldNames(sortText);

        QCollator collator(QLocale(QLocale::Russian, QLocale::Russia));
        collator.setCaseSensitivity(Qt::CaseSensitive);
        collator.setIgnorePunctuation(false);
        QString previous = books.textAt(0, 1);
        for (int row = 1; row < books.recordCount(); ++row) {
            const QString title = books.textAt(row, 1);
            const int order = collator.compare(previous, title);
            if (descending ? order < 0 : order > 0)
                QFAIL(qPrintable(QStringLiteral("row %1: «%2» before «%3»").arg(row).arg(previous, title)));
            previous = title;
        }
    }
};

QTEST_GUILESS_MAIN(SortOrderTest)
#include "test_sortorder.moc"
