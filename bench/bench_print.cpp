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
    std::fprintf(stderr, "labels_10k: %lld labels, resident %.0f MiB after\n", static_cast<long long>(labels.size()),
                 bench::residentMiB());
}

void figureReferenceList(store::TDBMod &module, const QString &catalogue, const QString &work, int rounds)
{
    const QString page = work + QStringLiteral("/references.html");
    const QHash<qint64, QString> kinds = kindNames(module);
    const Side ours{[] {},
                    [&] {
                        const auto holdings = store::readPrintedHoldings(module.MyBooks, {}, kinds, {});
                        store::writePageFile(page, store::referenceListOf(holdings));
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
    module.DataModuleDestroy();
    return 0;
}
