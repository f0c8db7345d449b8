// my_lower must agree with full Unicode lower-casing on every text, whichever of its paths
// (sixteen bytes at a time, one character at a time, or the Unicode fallback) takes it.
#include "MyLower.h"

#include <QRandomGenerator>
#include <QString>
#include <QtTest>

class MyLowerTest : public QObject {
    Q_OBJECT
private slots:
    void knownTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("lowered");
        QTest::newRow("yolka") << QStringLiteral("ЁЛКА") << QStringLiteral("ёлка");
        QTest::newRow("all capitals") << QStringLiteral("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ")
                                      << QStringLiteral("абвгдеёжзийклмнопрстуфхцчшщъыьэюя");
        QTest::newRow("latin") << QStringLiteral("War AND Peace") << QStringLiteral("war and peace");
        QTest::newRow("long mixed, past one block")
            << QStringLiteral("ВОЙНА и МИР: Том Первый — Lev TOLSTOY, Москва") << QStringLiteral("война и мир: том первый — lev tolstoy, москва");
        QTest::newRow("ukrainian and serbian capitals") << QStringLiteral("ЄІЇЂЉЊЋЏ") << QStringLiteral("єіїђљњћџ");
        QTest::newRow("german through the fallback") << QStringLiteral("ÄRGER über Öl") << QStringLiteral("ärger über öl");
        QTest::newRow("greek through the fallback") << QStringLiteral("ΑΘΗΝΑ") << QStringLiteral("αθηνα");
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("leading U+FEFF kept") << QStringLiteral("\uFEFFÄ") << QStringLiteral("\uFEFFä");
    }
    void knownTexts()
    {
        QFETCH(QString, text);
        QFETCH(QString, lowered);
        std::string out;
        const QByteArray utf8 = text.toUtf8();
        store::lowerUtf8(std::string_view(utf8.constData(), std::size_t(utf8.size())), out);
        QCOMPARE(QByteArray::fromStdString(out), lowered.toUtf8());
    }

    // Random texts of every length around the sixteen-byte blocks, from an alphabet that mixes
    // ASCII, Cyrillic of both cases, Ё, and a few letters only the fallback knows.
    void agreesWithUnicodeOnRandomTexts()
    {
        const QString alphabet = QStringLiteral("aZ09 -'.,ЁёАаЯяПпРрЖжЩщЪъЎўІіÄäΩω€\n");
        QRandomGenerator rng(2026);
        std::string out;
        for (int round = 0; round < 20000; ++round) {
            const int length = int(rng.bounded(70));
            QString text;
            for (int i = 0; i < length; ++i)
                text += alphabet[int(rng.bounded(int(alphabet.size())))];
            const QByteArray utf8 = text.toUtf8();
            store::lowerUtf8(std::string_view(utf8.constData(), std::size_t(utf8.size())), out);
            if (QString::fromStdString(out) != text.toLower())
                QFAIL(qPrintable(QStringLiteral("my_lower(%1) gave %2").arg(text, QString::fromStdString(out))));
        }
    }
};

QTEST_GUILESS_MAIN(MyLowerTest)
#include "test_mylower.moc"
