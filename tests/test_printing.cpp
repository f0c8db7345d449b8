// Catalogue cards laid out and drawn, and the print windows of the main window: labels,
// cards and the reference list of the holdings shown, with their faults told in Russian.
#include "BibDescription.h"
#include "CatalogueCards.h"
#include "IniFile.h"
#include "Main.h"
#include "PdfOutput.h"
#include "PdfTools.h"
#include "SheetPrintForm.h"
#include "WindowFixture.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPdfWriter>
#include <QPushButton>
#include <QStringDecoder>

class PrintingTest : public QObject {
    Q_OBJECT
private slots:
    void longCardContinues();
    void cardDrawn();
    void referenceList_data();
    void referenceList();
    void labelsWindow();
    void labelsWindowRefusesBadLayouts_data();
    void labelsWindowRefusesBadLayouts();
    void nothingToPrint();
    void shortcutsOpenThePrintWindows();
};

namespace {

print::CardText sampleCard(const QString &title)
{
    store::DescribedHolding h;
    h.author = QStringLiteral("Иванов И. И.");
    h.title = title;
    h.location = QStringLiteral("М.");
    h.publisher = QStringLiteral("Наука");
    h.year = 2019;
    h.pages = 256;
    const store::BibDescription d = store::describeHolding(h);
    return {QStringLiteral("78.3 И20"), d.heading, d.body, QStringLiteral("К-15"), QStringLiteral("Библиотековедение")};
}

// Runs the print window the action opens, doing what the test asks while it is shown.
void withSheetForm(WindowFixture &f, QAction *action, const std::function<void(print::TSheetPrintForm &)> &inside)
{
    f.platform.onModal = [&](QDialog &d) {
        if (auto *form = qobject_cast<print::TSheetPrintForm *>(&d))
            inside(*form);
        return int(QDialog::Rejected);
    };
    action->trigger();
    QCOMPARE(f.platform.modalDialogs.value(0), QStringLiteral("SheetPrintForm"));
}

} // namespace

void PrintingTest::longCardContinues()
{
    QPdfWriter device(QStringLiteral("/dev/null"));
    const QString title = QStringLiteral("Слово%1 ").repeated(1).arg(0) +
                          QStringList(QList<QString>(1400, QStringLiteral("заглавия"))).join(u' ');
    const print::CardText text = sampleCard(title.left(10000));
    const QList<print::CardPage> cards = print::layoutCatalogueCard(text, &device);
    QVERIFY(cards.size() > 3);
    const QString continued = QStringLiteral("(Продолжение см. на след. карт.)");
    QStringList bodyLines;
    for (qsizetype c = 0; c < cards.size(); ++c) {
        QStringList texts;
        for (const print::CardLine &line : cards[c]) {
            QVERIFY(line.x >= 0 && line.x < print::CardWidthMm && line.y >= 0 && line.y < print::CardHeightMm - 5);
            texts << line.text;
        }
        QCOMPARE(texts.contains(continued), c + 1 < cards.size());
        QVERIFY(texts.contains(text.heading) && texts.contains(QStringLiteral("К-15")));
        QCOMPARE(texts.contains(QStringLiteral("Карт. %1").arg(c + 1)), c > 0);
        for (const print::CardLine &line : cards[c])
            if (line.x >= 24 && line.y < 62 && line.text != continued && line.text != text.heading &&
                !line.text.startsWith(QStringLiteral("Карт.")) && line.text != text.rubrics)
                bodyLines << line.text;
    }
    // Every word of the description is on some card, in order, none twice.
    QCOMPARE(bodyLines.join(u' ').simplified(), text.body.simplified());
}

void PrintingTest::cardDrawn()
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("cards.pdf"));
    const store::SheetLayout single = store::catalogueCardPresets()[1].layout;
    const QList<print::CardText> cards = {sampleCard(QStringLiteral("Основы библиотечного дела"))};
    const print::JobResult result = print::writePdfFile(pdf, single, QString(), [&](QPagedPaintDevice &d, const print::DeviceHealth &h) {
        return print::paintCatalogueCards(d, cards, single, 0, {}, h);
    });
    QVERIFY2(result.done(), qPrintable(result.message));
    QCOMPARE(pdftools::pageCount(pdf), 1);
    QStringList lines;
    for (const QString &line : pdftools::pageText(pdf, 1).split(u'\n', Qt::SkipEmptyParts))
        if (!line.simplified().isEmpty())
            lines << line.simplified();
    // The shelf mark's index over its author sign, the heading at the first indent, the description
    // from the second indent and on from the first, the inventory number and rubric at the bottom.
    QCOMPARE(lines, QStringList({"78.3 Иванов, И. И.", "И20 Основы библиотечного дела / И. И. Иванов. — Москва :",
                                 "Наука, 2019. — 256 с. — Текст : непосредственный.", "К-15 Библиотековедение"}));
}

void PrintingTest::referenceList_data()
{
    QTest::addColumn<bool>("toWord");
    QTest::newRow("browser") << false;
    QTest::newRow("word processor") << true;
}

void PrintingTest::referenceList()
{
    QFETCH(bool, toWord);
    WindowFixture f;
    f.makeDemoCatalogue(60);
    TMainForm &w = f.startInEditMode();
    f.platform.onModal = [toWord](QDialog &d) {
        d.findChild<QComboBox *>(QStringLiteral("cbTarget"))->setCurrentIndex(toWord ? 1 : 0);
        return int(QDialog::Accepted);
    };
    w.miReferenceList->trigger();
    const QStringList &opened = toWord ? f.platform.wordProcessorFiles : f.platform.shellOpened;
    QCOMPARE(opened.size(), 1);
    QFile page(opened.first());
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QStringDecoder("windows-1251").decode(page.readAll());
    QCOMPARE(html.count(QStringLiteral("<li>")), w.dataModule()->MyBooks.recordCount());
    QVERIFY(html.contains(QStringLiteral("Текст : непосредственный.</li>")));
}

void PrintingTest::labelsWindow()
{
    WindowFixture f;
    f.makeDemoCatalogue(50);
    TMainForm &w = f.startInEditMode();
    f.platform.fileAnswer = f.path(QStringLiteral("labels.pdf"));
    withSheetForm(f, w.miPrintLabels, [](print::TSheetPrintForm &form) {
        form.cbLayout->setCurrentIndex(form.cbLayout->count() - 1); // one's own
        form.edColumns->setValue(2);
        form.edRows->setValue(4);
        form.edMarginLeft->setValue(10);
        form.edFirstCell->setValue(3);
        form.btnPdf->click();
    });
    QVERIFY2(f.platform.messageTexts().value(0).startsWith(QStringLiteral("Сохранено в файл")),
             qPrintable(f.platform.messageTexts().join(u'\n')));
    QCOMPARE(pdftools::pageCount(f.path(QStringLiteral("labels.pdf"))), (2 + 50 + 7) / 8);
    // The sheet of one's own is there again the next time.
    const store::IniFile ini(f.path(QStringLiteral("library.ini")));
    QCOMPARE(ini.readString(QStringLiteral("Labels"), QStringLiteral("Preset"), {}), QStringLiteral("Своя разметка"));
    f.platform.modalDialogs.clear();
    withSheetForm(f, w.miPrintLabels, [](print::TSheetPrintForm &form) {
        QCOMPARE(form.chosenLayout().columns, 2);
        QCOMPARE(form.chosenLayout().marginLeft, 10.0);
    });
}

void PrintingTest::labelsWindowRefusesBadLayouts_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("negative margin") << "edMarginTop" << -5.0 << "отрицательными";
    QTest::newRow("zero rows") << "edRows" << 0.0 << "хотя бы один ряд";
    QTest::newRow("too wide margins") << "edMarginLeft" << 190.0 << "не помещаются";
}

void PrintingTest::labelsWindowRefusesBadLayouts()
{
    QFETCH(QString, box);
    QFETCH(double, value);
    QFETCH(QString, message);
    WindowFixture f;
    f.makeDemoCatalogue(10);
    TMainForm &w = f.startInEditMode();
    f.platform.fileAnswer = f.path(QStringLiteral("labels.pdf"));
    withSheetForm(f, w.miPrintLabels, [&](print::TSheetPrintForm &form) {
        form.cbLayout->setCurrentIndex(form.cbLayout->count() - 1);
        if (auto *d = form.findChild<QDoubleSpinBox *>(box))
            d->setValue(value);
        else
            form.findChild<QSpinBox *>(box)->setValue(int(value));
        form.btnPdf->click();
    });
    QCOMPARE(f.platform.messages.size(), 1);
    QVERIFY2(f.platform.messages.first().text.contains(message), qPrintable(f.platform.messages.first().text));
    QVERIFY(!QFile::exists(f.path(QStringLiteral("labels.pdf"))));
}

void PrintingTest::nothingToPrint()
{
    WindowFixture f;
    f.makeDemoCatalogue(10);
    TMainForm &w = f.startInEditMode();
    w.dataModule()->MyBooks.setFilterSQL(QStringLiteral("id < 0"));
    f.platform.fileAnswer = f.path(QStringLiteral("cards.pdf"));
    withSheetForm(f, w.miPrintCards, [](print::TSheetPrintForm &form) { form.btnPdf->click(); });
    QCOMPARE(f.platform.messageTexts(), QStringList{"Печатать нечего: в списке нет ни одной записи."});
    QVERIFY(!QFile::exists(f.path(QStringLiteral("cards.pdf"))));
}

void PrintingTest::shortcutsOpenThePrintWindows()
{
    WindowFixture f;
    f.makeDemoCatalogue(10);
    TMainForm &w = f.startInEditMode();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&w, Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(f.platform.modalDialogs, QStringList({"SheetPrintForm", "SheetPrintForm"}));
}

QTEST_MAIN(PrintingTest)
#include "test_printing.moc"
