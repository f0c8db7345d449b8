// Printed matter over the benchmark catalogue: labels for 10,000 holdings written to PDF against
// a PDF of the same pages with only each label's number in text (Qt's PDF engine alone), and the
// reference list of every holding against the same rows read alone.
// Usage: bench_print [--rounds N] CATALOGUE
#include "BenchUtil.h"
#include "DBModUnit.h"
#include "HoldingLabels.h"
#include "HtmlText.h"
#include "LabelSheet.h"
#include "PdfOutput.h"
#include "PrintedHoldings.h"
#include "ProgramFolder.h"
#include "Reference.h"
#include "ReferenceList.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <cstdio>

namespace {

using bench::Side;

QHash<qint64, QString> kindNames(store::TDBMod &module)
{
    QStringList names, ids;
    module.LoadItemKinds(names, ids);
    QHash<qint64, QString> byId;
    for (qsizetype i = 0; i < names.size(); ++i)
        byId.insert(ids.value(i).toLongLong(), names[i]);
    return byId;
}

void figureLabels(store::TDBMod &module, const QString &work, int rounds)
{
    QList<int> first10k;
    for (int r = 0; r < std::min(10000, module.MyBooks.recordCount()); ++r)
        first10k << r;
    const store::SheetLayout layout = store::labelPresets().first().layout;
    const QString ours = work + QStringLiteral("/labels.pdf"), plain = work + QStringLiteral("/numbers.pdf");
    QList<print::LabelContent> labels;
    const Side withBarcodes{[] {},
                            [&] {
                                const auto holdings = store::readPrintedHoldings(module.MyBooks, first10k,
                                                                                 kindNames(module), {});
                                labels = print::makeLabels(holdings, QStringLiteral("НБ"), layout.labelWidth()).labels;
                                const print::JobResult r = print::writePdfFile(
                                    ours, layout, QString(), [&](QPagedPaintDevice &d, const print::DeviceHealth &h) {
                                        return print::paintLabels(d, labels, layout, 0, {}, h);
                                    });
                                bench::keep(r.pages);
                            }};
    const Side numbersOnly{[] {},
                           [&] {
                               const print::JobResult r = print::writePdfFile(
                                   plain, layout, QString(), [&](QPagedPaintDevice &d, const print::DeviceHealth &h) {
                                       return print::runSheetJob(
                                           d, layout, 0, int(labels.size()),
                                           [&](QPainter &p, const QRectF &cell, int i) {
                                               p.drawText(cell, Qt::AlignCenter, labels[i].number);
                                           },
                                           {}, h);
                                   });
                               bench::keep(r.pages);
                           }};
    bench::printFigure("labels_10k", bench::interleave(rounds, withBarcodes, numbersOnly), 0);
}

// The highest resident memory of the process so far, in MiB.
double peakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// 50,000 labels in one PDF: the peak memory grows by what the labels' texts take, not by pages.
void reportLabelsMemory(store::TDBMod &module, const QString &work)
{
    QList<int> rows;
    for (int r = 0; r < std::min(50000, module.MyBooks.recordCount()); ++r)
        rows << r;
    const store::SheetLayout layout = store::labelPresets().first().layout;
    const double before = peakMiB(), residentBefore = bench::residentMiB();
    const auto labels = print::makeLabels(store::readPrintedHoldings(module.MyBooks, rows, kindNames(module), {}),
                                          QStringLiteral("НБ"), layout.labelWidth()).labels;
    const double made = peakMiB();
    const print::JobResult r = print::writePdfFile(work + QStringLiteral("/labels50k.pdf"), layout, QString(),
                                                   [&](QPagedPaintDevice &d, const print::DeviceHealth &h) {
                                                       return print::paintLabels(d, labels, layout, 0, {}, h);
                                                   });
    const double residentAfter = bench::residentMiB();
    std::fprintf(stderr, "labels_50k: %d pages; peak memory %.0f MiB before, %.0f MiB with the labels made, %.0f MiB "
                         "after the PDF; resident %.0f MiB before, %.0f MiB after\n",
                 r.pages, before, made, peakMiB(), residentBefore, residentAfter);
}

void figureReferenceList(store::TDBMod &module, const QString &catalogue, const QString &work, int rounds)
{
    const QString page = work + QStringLiteral("/references.html");
    const QHash<qint64, QString> kinds = kindNames(module);
    const Side ours{[] {},
                    [&] {
                        store::writePageFile(page, store::referenceListOf(module.MyBooks, {}, kinds));
                    }};
    sqlite3 *raw = bench::ref::openDatabase(catalogue.toStdString());
    const Side rowsAlone{[] {},
                         [&] {
                             bench::keep(long(bench::ref::readRows(raw, "SELECT inv_num, liter, author, title, location,"
                                                                        " publisher, year_p, page_count, isbn,"
                                                                        " itemkind_id, notes FROM books")
                                                  .size()));
                         }};
    bench::printFigure("reference_list", bench::interleave(rounds, ours, rowsAlone), 0);
    sqlite3_close_v2(raw);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const int rounds = bench::takeRounds(args, 3);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_print [--rounds N] CATALOGUE.sdb\n");
        return 2;
    }
    const QString catalogue = QFileInfo(args.last()).absoluteFilePath();
    const bench::ProgramFolder folder(catalogue);
    store::TDBMod module(folder.programFile());
    module.DataModuleCreate();
    module.MyBooks.open();
    figureReferenceList(module, catalogue, folder.dir.path(), rounds);
    figureLabels(module, folder.dir.path(), rounds);
    reportLabelsMemory(module, folder.dir.path());
    module.DataModuleDestroy();
    return 0;
}
