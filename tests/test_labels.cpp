// Barcode labels and reader cards: the codes a holding's label carries, the sheet layouts and
// their faults, and the PDF itself, drawn at 300 dpi and every barcode read back by zbarimg.
#include "HoldingCode.h"
#include "HoldingLabels.h"
#include "LabelSheet.h"
#include "PdfOutput.h"
#include "PdfTools.h"
#include "PrintedHoldings.h"
#include "ReaderCards.h"
#include "RecordingPlatform.h"
#include "SheetPrintForm.h"
#include "TextFitting.h"

#include <QBuffer>
#include <QFile>
#include <QPdfWriter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class LabelsTest : public QObject {
    Q_OBJECT
private slots:
    void holdingCodes_data();
    void holdingCodes();
    void layoutFaults_data();
    void layoutFaults();
    void presetsHoldTheirSizes();
    void labelsScanBack_data();
    void labelsScanBack();
    void refusedHoldingsAreNamed();
    void cancelledPdfLeavesNoFile();
    void deviceGoneMidJob();
    void longTitleFitsItsLines();
    void readerCardsScanBack();
    void readerCardsWindow_data();
    void readerCardsWindow();
};

namespace {

store::PrintedHolding holding(const QString &liter, const QString &number, const QString &title = QStringLiteral("Книга"))
{
    store::PrintedHolding h;
    h.liter = liter;
    h.invNum = number;
    h.fields.title = title;
    h.shelfMark = QStringLiteral("84(2Рос=Рус)6");
    return h;
}

print::JobResult labelsPdf(const QString &file, const QList<print::LabelContent> &labels,
                           const store::SheetLayout &layout, int firstCell, const print::JobProgress &progress = {})
{
    return print::writePdfFile(file, layout, QStringLiteral("Этикетки"),
                               [&](QPagedPaintDevice &device, const print::DeviceHealth &healthy) {
                                   return print::paintLabels(device, labels, layout, firstCell, progress, healthy);
                               });
}

// A disc that fills after a number of bytes.
class FillingDevice : public QBuffer {
public:
    explicit FillingDevice(qint64 room) : room_(room) {}
    bool full() const { return full_; }

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        if (size() + length > room_) {
            full_ = true;
            return -1;
        }
        return QBuffer::writeData(data, length);
    }

private:
    qint64 room_;
    bool full_ = false;
};

} // namespace

void LabelsTest::holdingCodes_data()
{
    QTest::addColumn<QString>("liter");
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("code");
    QTest::newRow("Russian letter") << "К" << "1234" << "K1234";
    QTest::newRow("letter of two") << "Ж" << "7" << "ZH7";
    QTest::newRow("small letter") << "ю" << "15" << "YU15";
    QTest::newRow("Latin letter") << "b" << "42" << "B42";
    QTest::newRow("no letter") << "" << " 305 " << "305";
    QTest::newRow("letter ending in a digit") << "A1" << "5" << "A1-5";
    QTest::newRow("old letter") << "Ѣ" << "1" << "";
    QTest::newRow("no number") << "К" << "" << "";
    QTest::newRow("number with a space") << "" << "12 3" << "";
}

void LabelsTest::holdingCodes()
{
    QFETCH(QString, liter);
    QFETCH(QString, number);
    QFETCH(QString, code);
    QCOMPARE(store::holdingCode(liter, number), code);
}

void LabelsTest::layoutFaults_data()
{
    QTest::addColumn<store::SheetLayout>("layout");
    QTest::addColumn<QString>("fault");
    const store::SheetLayout good = store::labelPresets().first().layout;
    QTest::newRow("preset") << good << "";
    store::SheetLayout s = good;
    s.rows = 0;
    QTest::newRow("zero rows") << s << "хотя бы один ряд";
    s = good;
    s.marginLeft = -3;
    QTest::newRow("negative margin") << s << "не могут быть отрицательными";
    s = good;
    s.marginTop = s.marginBottom = 140;
    QTest::newRow("does not fit") << s << "не помещаются на лист";
    s = good;
    s.pageWidth = 0;
    QTest::newRow("no page") << s << "Размер листа";
}

void LabelsTest::layoutFaults()
{
    QFETCH(store::SheetLayout, layout);
    QFETCH(QString, fault);
    const QString problem = store::sheetLayoutProblem(layout, print::MinLabelWidth, print::MinLabelHeight);
    if (fault.isEmpty())
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    else
        QVERIFY2(problem.contains(fault), qPrintable(problem));
}

void LabelsTest::presetsHoldTheirSizes()
{
    const auto near = [](double a, double b) { return std::abs(a - b) < 0.01; };
    const store::SheetLayout a = store::labelPresets()[0].layout, b = store::labelPresets()[3].layout;
    QVERIFY(near(a.labelWidth(), 70) && near(a.labelHeight(), 37) && a.perPage() == 24);
    QVERIFY(near(b.labelWidth(), 48.5) && near(b.labelHeight(), 25.4) && b.perPage() == 44);
    const store::SheetLayout r = store::readerCardSheet();
    QVERIFY(near(r.labelWidth(), 85.6) && near(r.labelHeight(), 54));
    for (const store::SheetPreset &p : store::labelPresets() + store::catalogueCardPresets()) {
        const QRectF last = p.layout.cell(p.layout.perPage() - 1);
        QVERIFY2(p.layout.cell(0).left() >= 0 && last.right() <= p.layout.pageWidth + 1e-6 &&
                     last.bottom() <= p.layout.pageHeight + 1e-6,
                 qPrintable(p.name));
    }
    QVERIFY(near(store::catalogueCardPresets()[0].layout.labelWidth(), 125));
}

void LabelsTest::labelsScanBack_data()
{
    QTest::addColumn<int>("preset");
    QTest::addColumn<int>("firstCell");
    QTest::newRow("3 × 8 from the first") << 0 << 0;
    QTest::newRow("4 × 11 from a used sheet's 40th") << 3 << 39;
}

void LabelsTest::labelsScanBack()
{
    QFETCH(int, preset);
    QFETCH(int, firstCell);
    QList<store::PrintedHolding> holdings;
    const QStringList liters = {"К", "Ж", "Щ", "", "A", "Я"};
    for (int i = 0; i < 30; ++i)
        holdings << holding(liters[i % liters.size()], QString::number(i * 7919 % 100000 + 1));
    const store::SheetLayout layout = store::labelPresets()[preset].layout;
    const print::LabelBatch batch = print::makeLabels(holdings, QStringLiteral("НБ ИИ"), layout.labelWidth());
    QVERIFY(batch.refused.isEmpty());
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("labels.pdf"));
    const print::JobResult result = labelsPdf(pdf, batch.labels, layout, firstCell);
    QVERIFY2(result.done(), qPrintable(result.message));
    const int expectedPages = (firstCell + 30 + layout.perPage() - 1) / layout.perPage();
    QCOMPARE(result.pages, expectedPages);
    QCOMPARE(pdftools::pageCount(pdf), expectedPages);
    QStringList expected;
    for (const store::PrintedHolding &h : holdings)
        expected << store::holdingCode(h.liter, h.invNum);
    QStringList decoded = pdftools::decodedBarcodes(pdf, dir.path());
    expected.sort();
    decoded.sort();
    QCOMPARE(decoded, expected);
    // The number in text under the bars, with its Russian letter as the catalogue writes it.
    QVERIFY(pdftools::pageText(pdf, expectedPages).contains(QStringLiteral("Ж-")));
}

void LabelsTest::refusedHoldingsAreNamed()
{
    const print::LabelBatch batch =
        print::makeLabels({holding("К", "1"), holding("Ѣ", "2"), holding("К", ""), holding("К", QString(60, u'9')),
                           holding("", QString(200, u'9')), holding("", "12 3а")},
                          QString(), 48.5);
    QCOMPARE(batch.labels.size(), 1);
    QCOMPARE(batch.refused,
             QStringList({"Ѣ-2: штрихкод Code 128 не передаёт: Ѣ", "«Книга»: нет инвентарного номера",
                          "К-" + QString(60, u'9') + ": номер слишком длинный для этикетки такой ширины: штрихкод не прочтётся",
                          QString(200, u'9') + ": номер слишком длинный для штрихкода Code 128",
                          "12 3а: штрихкод Code 128 не передаёт: пробел, а"}));
    QVERIFY(print::refusedLabelsText(batch).startsWith(QStringLiteral("Для 5 из 6 записей этикетки не будет")));
}

void LabelsTest::cancelledPdfLeavesNoFile()
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("labels.pdf"));
    {
        QFile earlier(pdf);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
    }
    QList<print::LabelContent> labels(100, {QStringLiteral("K1"), QStringLiteral("К-1"), {}, {}, {}});
    int calls = 0;
    const print::JobResult result =
        labelsPdf(pdf, labels, store::labelPresets()[0].layout, 0, [&calls](int, int) { return ++calls < 2; });
    QCOMPARE(result.end, print::JobResult::Cancelled);
    QCOMPARE(result.cells, 48);
    QVERIFY(result.message.contains(QStringLiteral("отменена")));
    QVERIFY(result.message.contains(QStringLiteral("не записан")));
    QFile earlier(pdf);
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier"));
}

void LabelsTest::deviceGoneMidJob()
{
    FillingDevice out(60000);
    QVERIFY(out.open(QIODevice::WriteOnly));
    const QList<print::LabelContent> labels(2000, {QStringLiteral("K123456"), QStringLiteral("К-123456"),
                                                   QStringLiteral("НБ"), {}, QStringLiteral("Заглавие книги")});
    const store::SheetLayout layout = store::labelPresets()[0].layout;
    const print::JobResult result = print::writePdfTo(
        out, [&out] { return !out.full(); }, layout, QString(), [&](QPagedPaintDevice &device, const print::DeviceHealth &h) {
            return print::paintLabels(device, labels, layout, 0, {}, h);
        });
    QCOMPARE(result.end, print::JobResult::Failed);
    QVERIFY(result.pages > 0 && result.pages < 2000 / 24);
    QVERIFY2(result.message.startsWith(QStringLiteral("Печать прервана")), qPrintable(result.message));
}

void LabelsTest::longTitleFitsItsLines()
{
    QPdfWriter device(QStringLiteral("/dev/null"));
    const QFont font(QStringLiteral("DejaVu Sans"), 7);
    const double width = 60 * device.logicalDpiX() / 25.4;
    // A stored title may hold control characters: they are blanks, and the lines still fit.
    const QString title = QStringLiteral("Очень\u0001 длинное\u0000\u0000 заглавие ").repeated(400).left(10000);
    const QStringList lines = print::fitLines(title, font, &device, width, 3);
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines.last().endsWith(QChar(0x2026)));
    for (const QString &line : lines)
        QVERIFY(QFontMetricsF(font, &device).horizontalAdvance(line) <= width + 1);
    QVERIFY(print::fitLines(QStringLiteral("Короткое"), font, &device, width, 3) == QStringList{"Короткое"});
}

void LabelsTest::readerCardsScanBack()
{
    const QList<print::ReaderCardData> readers = {
        {QStringLiteral("000123"), QStringLiteral("Иванова Мария Петровна"), QDate(2027, 12, 31)},
        {QStringLiteral("Б-17"), QStringLiteral("Петров Пётр"), QDate(2027, 6, 1)},
        {QStringLiteral("RC-9001"), QStringLiteral("Сидорова-Задунайская Анастасия Александровна"), QDate()}};
    QStringList refused;
    const store::SheetLayout layout = store::readerCardSheet();
    const print::SheetRun run = print::readerCardRun(readers, QStringLiteral("Научная библиотека института"), layout,
                                                     &refused);
    QCOMPARE(run.cells, 2);
    QCOMPARE(refused.size(), 1);
    QVERIFY(refused.first().contains(QStringLiteral("Петров Пётр")));
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("cards.pdf"));
    const print::JobResult result = print::writePdfFile(pdf, layout, QString(), [&](QPagedPaintDevice &d, const print::DeviceHealth &h) {
        return run.paint(d, 0, {}, h);
    });
    QVERIFY2(result.done(), qPrintable(result.message));
    QStringList codes = pdftools::decodedBarcodes(pdf, dir.path());
    codes.sort();
    QCOMPARE(codes, QStringList({"000123", "RC-9001"}));
    const QString text = pdftools::pageText(pdf, 1);
    for (const char *shown : {"Научная библиотека института", "Читательский билет", "Иванова Мария Петровна",
                              "Действителен до 31.12.2027"})
        QVERIFY2(text.contains(QString::fromUtf8(shown)), shown);
}

void LabelsTest::readerCardsWindow_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("pages");
    QTest::newRow("the rest printed") << int(ui::Yes) << 2;
    QTest::newRow("nothing printed") << int(ui::No) << -1;
}

// The readers window's entry: a card that cannot be made is named first, and only Yes prints the rest.
void LabelsTest::readerCardsWindow()
{
    QFETCH(int, answer);
    QFETCH(int, pages);
    RecordingPlatform platform;
    ui::setPlatform(&platform);
    QTemporaryDir dir;
    platform.fileAnswer = dir.filePath(QStringLiteral("cards.pdf"));
    platform.messageAnswers = {ui::MsgButton(answer)};
    platform.onModal = [](QDialog &d) {
        qobject_cast<print::TSheetPrintForm *>(&d)->btnPdf->click();
        return int(QDialog::Rejected);
    };
    QList<print::ReaderCardData> readers;
    for (int i = 0; i < 11; ++i)
        readers.append({QString::number(1000 + i), QStringLiteral("Читатель %1").arg(i), QDate(2030, 1, 1)});
    readers.append({QStringLiteral("№ 5"), QStringLiteral("Без номера"), {}});
    print::printReaderCards(nullptr, readers, QStringLiteral("Библиотека"));
    ui::setPlatform(nullptr);
    QCOMPARE(platform.modalDialogs, QStringList{"SheetPrintForm"});
    QVERIFY(platform.messages.first().text.contains(QStringLiteral("Без номера (№ 5)")));
    QCOMPARE(platform.messages.first().buttons, ui::Yes | ui::No);
    QCOMPARE(pdftools::pageCount(platform.fileAnswer), pages);
}

QTEST_MAIN(LabelsTest)
#include "test_labels.moc"
