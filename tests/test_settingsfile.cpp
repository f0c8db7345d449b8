// The settings file and the codec under it: the encoding a file is read in is decided once,
// and each conversion takes its text whole.
#include "DataModuleFixture.h"
#include "IniFile.h"
#include "data/text/TextCodec.h"

#include <QTemporaryDir>
#include <QTest>

using namespace data;
using namespace store;
using namespace datamodule_tests;

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    // The file's encoding is decided once: no write can change how a value reads, now or in a
    // later run.
    void settingsEncodingKept_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: no file yet
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("readKey");
        QTest::addColumn<QString>("expected");
        QTest::newRow("code page 1251, last line without a line break")
            << QByteArray("[Main]\r\nLetter=\xDF") << "FontSize" << "12" << "Letter" << "Я";
        QTest::newRow("written letters whose code page 1251 bytes are valid UTF-8")
            << QByteArray() << "A" << "ВЁ" << "A" << "ВЁ";
        QTest::newRow("a write leaves another key's letters")
            << QByteArray("[Main]\r\nA=\xC2\xA8\r\nB=\xDF\r\n") << "B" << "1" << "A" << "ВЁ";
        QTest::newRow("UTF-8 edited by hand stays UTF-8")
            << QByteArray("[Main]\nA=J\xC3\xBCrgen\n") << "B" << "Я" << "A" << "Jürgen";
    }

    void settingsEncodingKept()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, readKey);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("library.ini"));
        if (!file.isEmpty())
            QVERIFY(writeBytes(path, file));
        const QString section = QStringLiteral("Main");
        IniFile ini(path);
        QCOMPARE(ini.readString(section, readKey, QString()), readKey == key ? QString() : expected);
        QVERIFY(ini.writeString(section, key, value));
        QCOMPARE(ini.readString(section, key, QString()), value);
        QCOMPARE(ini.readString(section, readKey, QString()), expected);
        QCOMPARE(IniFile(path).readString(section, readKey, QString()), expected);
    }

    // The codec converts each text whole: a sequence cut short at the end is neither held back
    // nor passed off as kept.
    void codecConvertsWholeTexts()
    {
        QCOMPARE(decodeCp1251OrUtf8("Letter=\xDF"), QStringLiteral("Letter=Я"));
        bool lossless = true;
        encodeCp1251(QStringLiteral("ab") + QChar(0xD800), &lossless);
        QVERIFY(!lossless);
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settingsfile.moc"
