// The backup and its restore against the sqlite3 command-line tool, the general report for a
// year against its two statements alone, and the export against the same rows written as plain
// text. Usage: bench_reports [--rounds N] CATALOGUE
#include "BenchUtil.h"
#include "DBModUnit.h"
#include "HtmlText.h"
#include "ProcessValues.h"
#include "ProgramFolder.h"
#include "Reference.h"
#include "ReportPages.h"
#include "SchemaCreation.h"
#include "data/text/TextCodec.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>

namespace {

using bench::Side;

// The sqlite3 tool with its input and output redirected, as a shell would run it.
void runSqliteTool(const QStringList &args, const QString &input, const QString &output)
{
    QProcess tool;
    if (!input.isEmpty())
        tool.setStandardInputFile(input);
    if (!output.isEmpty())
        tool.setStandardOutputFile(output);
    tool.start(QStringLiteral("sqlite3"), args);
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0)
        std::fprintf(stderr, "sqlite3 failed: %s\n", tool.readAllStandardError().constData());
}

// backup: the whole catalogue to a script, against ".dump" to a file.
// restore: that script into a database with the tables only, against the tool reading the dump.
void figureBackupRestore(store::TDBMod &module, const QString &catalogue, const QString &work, int rounds)
{
    const QString ours = work + QStringLiteral("/ours.sql"), theirs = work + QStringLiteral("/ref.sql");
    const Side backup{[] {}, [&] { module.MyDump.BackupToScript(ours); }};
    const Side dump{[] {}, [&] { runSqliteTool({catalogue, QStringLiteral(".dump")}, {}, theirs); }};
    bench::printFigure("backup", bench::interleave(rounds, backup, dump), 1);

    const QString oursDb = work + QStringLiteral("/restored.sdb"), theirsDb = work + QStringLiteral("/ref.sdb");
    std::unique_ptr<data::Connection> target;
    const Side restore{[&] {
                           target.reset();
                           QFile::remove(oursDb);
                           target = std::make_unique<data::Connection>();
                           target->setDatabase(oursDb);
                           target->open();
                           store::ensureCatalogueSchema(*target);
                       },
                       [&] { data::ScriptDump(target.get()).RestoreFromScript(ours); }};
    const Side tool{[&] { QFile::remove(theirsDb); }, [&] { runSqliteTool({theirsDb}, theirs, {}); }};
    bench::printFigure("restore", bench::interleave(rounds, restore, tool), 1);
    target.reset();
}

// report_general: the general report of the catalogue's latest year, against its two statements.
void figureReportGeneral(store::TDBMod &module, const QString &catalogue, int rounds)
{
    data::Dataset latest(&module.MyServer);
    latest.setSql(QStringLiteral("SELECT MAX(date_reg) FROM books"));
    latest.open();
    const int year = latest.field(0).asVariant().toString().left(4).toInt();
    latest.close();
    const QString clause = reports::periodClause(QDate(year, 1, 1), QDate(year, 12, 31));
    const QString page = store::process().TempDir + QStringLiteral("/report.html");
    const Side ours{[] {},
                    [&] {
                        const auto kinds = reports::readAcquisitions(module.RprtSet, clause);
                        const auto loans = reports::readLoanTotals(module.RprtSet, clause);
                        store::writePageFile(page, reports::generalReportPage(kinds, loans));
                    }};
    sqlite3 *raw = bench::ref::openDatabase(catalogue.toStdString());
    const QByteArray first = ("SELECT COUNT(*), itemkind_name FROM books, v_itemkind WHERE (date_reg" + clause +
                              " AND itemkind_id = v_itemkind.id GROUP BY itemkind_id").toUtf8();
    const QByteArray second =
        ("SELECT id, status, cost FROM orders WHERE (date_out" + clause + " AND (date_in" + clause).toUtf8();
    const Side ref{[] {},
                   [&] {
                       bench::keep(long(bench::ref::readRows(raw, first.constData()).size()));
                       bench::keep(long(bench::ref::readRows(raw, second.constData()).size()));
                   }};
    bench::printFigure("report_general", bench::interleave(rounds, ours, ref), 2);
    sqlite3_close_v2(raw);
}

// export: every holding into the template, against the same ten columns written as plain text.
void figureExport(store::TDBMod &module, const QString &work, int rounds)
{
    module.MyBooks.open();
    const QString ours = work + QStringLiteral("/lib_export.html"), plain = work + QStringLiteral("/plain.txt");
    const Side exportHtml{[] {}, [&] { module.ExportHtml(ours); }};
    const Side text{[] {},
                    [&] {
                        static const int columns[10] = {1, 4, 5, 2, 3, 6, 8, 9, 10, 13};
                        QString all;
                        for (int r = 0; r < module.MyBooks.recordCount(); ++r) {
                            for (int c : columns)
                                all += module.MyBooks.textAt(r, c) + u'\t';
                            all += QLatin1String("\r\n");
                        }
                        store::writePageFile(plain, data::encodeCp1251(all));
                    }};
    bench::printFigure("export", bench::interleave(rounds, exportHtml, text), 1);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const int rounds = bench::takeRounds(args, 3);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: bench_reports [--rounds N] CATALOGUE.sdb\n");
        return 2;
    }
    const QString catalogue = QFileInfo(args.last()).absoluteFilePath();
    const bench::ProgramFolder folder(catalogue);
    QFile templ(folder.dir.filePath(QStringLiteral("table.html")));
    if (templ.open(QIODevice::WriteOnly))
        templ.write("<html><body>{content}</body></html>");
    templ.close();
    store::TDBMod module(folder.programFile());
    module.DataModuleCreate();
    figureReportGeneral(module, catalogue, rounds * 3);
    figureExport(module, folder.dir.path(), rounds);
    figureBackupRestore(module, catalogue, folder.dir.path(), rounds);
    module.DataModuleDestroy();
    return 0;
}
