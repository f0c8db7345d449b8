// Label sheets and labels from any numbers and field texts: a layout passed as sound keeps every
// label on the page, apart and at least as large as asked; a holding's code is printable ASCII
// ending in its number, and Zint can draw it; a label gets a code or a reason, never neither;
// a title is fitted into its lines and each line into its width.
#include "FuzzCheck.h"
#include "HoldingCode.h"
#include "HoldingLabels.h"
#include "LabelSheet.h"
#include "PrintedHoldings.h"
#include "TextFitting.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstring>

using fuzzcheck::check;
using fuzzcheck::shown;

// fontconfig keeps the fonts it found to the end of the process, as Qt's font database has it do.
extern "C" const char *__lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

namespace {

// Ten numbers from the first twenty bytes, each from -50 to 300 in steps of a tenth of a millimetre.
store::SheetLayout layoutFrom(const std::uint8_t *data)
{
    double v[10];
    for (int i = 0; i < 10; ++i)
        v[i] = (int(data[2 * i]) << 8 | data[2 * i + 1]) % 3500 / 10.0 - 50;
    store::SheetLayout s;
    s.pageWidth = v[0], s.pageHeight = v[1], s.marginLeft = v[2], s.marginTop = v[3], s.marginRight = v[4];
    s.marginBottom = v[5], s.gapX = v[6], s.gapY = v[7];
    s.columns = int(v[8]) % 12, s.rows = int(v[9]) % 12;
    return s;
}

void checkLayout(const store::SheetLayout &s)
{
    if (!store::sheetLayoutProblem(s, 20, 10).isEmpty())
        return;
    const QRectF page(0, 0, s.pageWidth, s.pageHeight);
    for (int i = 0; i < s.perPage(); ++i) {
        const QRectF cell = s.cell(i);
        check(page.adjusted(-1e-6, -1e-6, 1e-6, 1e-6).contains(cell), "a sound layout keeps its labels on the page");
        check(cell.width() >= 20 - 1e-6 && cell.height() >= 10 - 1e-6, "labels are as large as asked");
        if (i > 0)
            check(!cell.intersected(s.cell(i - 1)).isValid() || cell.intersected(s.cell(i - 1)).width() < 1e-6 ||
                      cell.intersected(s.cell(i - 1)).height() < 1e-6,
                  "labels do not overlap");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 20)
        return 0;
    checkLayout(layoutFrom(data));
    const QStringList f = QString::fromUtf8(reinterpret_cast<const char *>(data + 20), qsizetype(size - 20))
                              .split(QChar(0x1E));
    store::PrintedHolding h;
    h.liter = f.value(0);
    h.invNum = f.value(1);
    h.fields.title = f.value(2);
    const QString code = store::holdingCode(h.liter, h.invNum);
    for (QChar c : code)
        check(c.unicode() > 0x20 && c.unicode() < 0x7F, "a code is printable ASCII", shown(code));
    check(code.isEmpty() || code.endsWith(h.invNum.trimmed()), "a code ends with its number", shown(code));
    const print::LabelBatch batch = print::makeLabels({h}, QString(), 70);
    check(batch.labels.size() + batch.refused.size() == 1, "a label or a reason", shown(h.liter + h.invNum));
    if (!batch.labels.isEmpty())
        check(print::Code128::encode(batch.labels.first().code).valid(), "Zint draws every code it was given");

    QImage device(200, 200, QImage::Format_Mono);
    device.setDotsPerMeterX(11811);
    device.setDotsPerMeterY(11811);
    const QFont font(QStringLiteral("DejaVu Sans"), 7);
    const int maxLines = 1 + int(data[0] % 4);
    const QStringList lines = print::fitLines(h.fields.title, font, &device, 400, maxLines);
    check(lines.size() <= maxLines, "no more lines than room for", shown(h.fields.title));
    for (const QString &line : lines)
        check(QFontMetricsF(font, &device).horizontalAdvance(line) <= 401, "each line fits its width", shown(line));
    return 0;
}
