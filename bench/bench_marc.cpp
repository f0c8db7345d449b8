// MARC exchange against its references: the import of 10,000 records from an ISO 2709 file
// against the same rows inserted through the dataset layer in one transaction; the export of
// every holding to ISO 2709 against the word-processor export of the same rows; and an ISBN
// search with its first record retrieved and mapped from the loopback Zebra server against the
// same search and retrieval through YAZ's ZOOM calls alone.
// Usage: bench_marc [--rounds N] CATALOGUE ZEBRA_PORT [NAME]   (NAME: only the figures it begins)
//        bench_marc --read FILE   reads a file of records as the import does, record by record, and
//                                 prints how many, the time and the peak resident memory
#include "BenchUtil.h"
#include "CatalogueExchange.h"
#include "DBModUnit.h"
#include "MarcMapping.h"
#include "MarcReader.h"
#include "ProgramFolder.h"
#include "SchemaCreation.h"
#include "Z3950Source.h"
#include "ZoomQuery.h"
#include "data/text/FileBytes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdio>
#include <sys/resource.h>

namespace {

using bench::Side;

constexpr int ImportRecords = 10000;

// The holdings of the first rows of the catalogue, as export writes them, each with two keywords.
QByteArray importFile(store::TDBMod &module)
{
    data::Dataset &books = module.MyBooks;
    books.open();
    marc::YazMarc yaz;
    QByteArray bytes;
    auto col = [&](const char *name) { return books.fieldIndex(QString::fromLatin1(name)); };
    for (int r = 0; r < ImportRecords && r < books.recordCount(); ++r) {
        marc::Holding h;
        h.id = r + 1;
        marc::BookFields &f = h.fields;
        f.author = books.textAt(r, col("author"));
        f.title = books.textAt(r, col("title"));
        f.location = books.textAt(r, col("location"));
        f.publisher = books.textAt(r, col("publisher"));
        f.year = books.valueAt(r, col("year_p")).toInt();
        f.pages = books.valueAt(r, col("page_count")).toInt();
        f.price = books.valueAt(r, col("price")).toDouble();
        f.annotation = books.textAt(r, col("annotation"));
        f.keywords = QStringList{QStringLiteral("история"), QStringLiteral("слово %1").arg(r % 97)};
        bytes += yaz.writeIso2709(marc::fromHolding(h, marc::Format::Marc21, QDateTime::currentDateTime()));
    }
    return bytes;
}

std::unique_ptr<data::Connection> freshCatalogue(const QString &path)
{
    QFile::remove(path);
    auto c = std::make_unique<data::Connection>();
    c->setDatabase(path);
    c->open();
    store::ensureCatalogueSchema(*c);
    return c;
}

// The reference: the mapped rows appended and posted through datasets inside one transaction.
void insertThroughDatasets(data::Connection &c, const std::vector<marc::BookFields> &rows)
{
    c.runStatement(QStringLiteral("BEGIN"));
    data::Dataset books(&c), keywords(&c);
    books.setSql(QStringLiteral("SELECT * FROM books WHERE id < 0"));
    keywords.setSql(QStringLiteral("SELECT * FROM keywords WHERE id < 0"));
    books.open();
    keywords.open();
    qint64 inv = 0;
    for (const marc::BookFields &f : rows) {
        books.append();
        books.fieldByName(QStringLiteral("inv_num")).setValue(++inv);
        books.fieldByName(QStringLiteral("itemkind_id")).setValue(1);
        books.fieldByName(QStringLiteral("date_reg")).setValue(QDate::currentDate());
        for (int i = 0; i < marc::BookFieldCount - 1; ++i)
            if (const QString v = marc::fieldText(f, marc::BookField(i)); !v.isEmpty())
                books.fieldByName(marc::columnOf(marc::BookField(i))).setValue(v);
        books.post();
        const qint64 id = books.fieldByName(QStringLiteral("id")).asInteger();
        for (const QString &k : f.keywords) {
            keywords.append();
            keywords.fieldByName(QStringLiteral("keyword")).setValue(k);
            keywords.fieldByName(QStringLiteral("book_id")).setValue(id);
            keywords.post();
        }
    }
    c.runStatement(QStringLiteral("COMMIT"));
}

void figureImport(store::TDBMod &module, const QString &work, int rounds)
{
    const QString file = work + QStringLiteral("/import.mrc");
    QFile out(file);
    if (out.open(QIODevice::WriteOnly))
        out.write(importFile(module));
    out.close();
    std::vector<marc::BookFields> rows;
    for (const marc::ReadRecord &r : marc::MarcReader().readFile(data::readWholeFile(file), {}))
        rows.push_back(r.fields);
    std::unique_ptr<data::Connection> target;
    const QString db = work + QStringLiteral("/import.sdb");
    const Side ours{[&] { target.reset(); target = freshCatalogue(db); },
                    [&] {
                        std::vector<marc::BookFields> fields;
                        for (const marc::ReadRecord &r : marc::MarcReader().readFile(data::readWholeFile(file), {}))
                            fields.push_back(r.fields);
                        bench::keep(marc::importRecords(*target, 1, fields));
                    }};
    const Side ref{[&] { target.reset(); target = freshCatalogue(db); }, [&] { insertThroughDatasets(*target, rows); }};
    bench::printFigure("marc_import", bench::interleave(rounds, ours, ref), 1);
    target.reset();
}

void figureExport(store::TDBMod &module, const QString &work, int rounds)
{
    module.MyBooks.open();
    const QString marcFile = work + QStringLiteral("/export.mrc"), page = work + QStringLiteral("/lib_export.html");
    const Side ours{[] {}, [&] { marc::exportRecords(module, marcFile, marc::ExportForm::Marc21Iso); }};
    const Side ref{[] {}, [&] { module.ExportHtml(page); }};
    bench::printFigure("marc_export", bench::interleave(rounds, ours, ref), 1);
}

void figureSearch(int port, int rounds)
{
    marc::CatalogueConfig catalogue;
    catalogue.name = QStringLiteral("Zebra");
    catalogue.host = QStringLiteral("127.0.0.1");
    catalogue.port = port;
    catalogue.database = QStringLiteral("marc21");
    const marc::SearchRequest request{QStringLiteral("0-8391-0882-6"), {}, {}, 1};
    const QByteArray query = marc::Z3950Source::pqfQuery(request);
    const Side ours{[] {},
                    [&] {
                        const marc::SearchResult r = marc::makeSource(catalogue, 15)->search(request);
                        bench::keep(r.records.empty() ? -1 : r.records[0].fields.title.size());
                    }};
    const Side ref{[] {}, [&] { bench::keep(zoomFirstRecord(port, "marc21", query.constData())); }};
    if (marc::makeSource(catalogue, 15)->search(request).records.empty())
        std::fprintf(stderr, "z3950_search: the sample record was not found\n");
    bench::printFigure("z3950_search", bench::interleave(rounds, ours, ref), 2);
}

} // namespace

// A file of any size is read in the memory of a few records: the peak says so.
int readWholeFile(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return 2;
    QElapsedTimer clock;
    clock.start();
    long long records = 0, damaged = 0;
    marc::MarcReader().readStream(file, {}, [&](marc::ReadRecord &&r) {
        ++records;
        damaged += r.ok() ? 0 : 1;
        return true;
    });
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("marc_read bytes=%lld records=%lld damaged=%lld ms=%lld peak_rss_mb=%.1f\n", (long long)file.size(), records, damaged,
                (long long)clock.elapsed(), double(usage.ru_maxrss) / 1024.0);
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("--read"))
        return readWholeFile(args[1]);
    const int rounds = bench::takeRounds(args, 5);
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_marc [--rounds N] CATALOGUE.sdb ZEBRA_PORT\n");
        return 2;
    }
    const QString catalogue = QFileInfo(args[0]).absoluteFilePath();
    const bench::ProgramFolder folder(catalogue);
    QFile templ(folder.dir.filePath(QStringLiteral("table.html")));
    if (templ.open(QIODevice::WriteOnly))
        templ.write("<html><body>{content}</body></html>");
    templ.close();
    store::TDBMod module(folder.programFile());
    module.DataModuleCreate();
    const QString only = args.value(2);
    if (QStringLiteral("marc_import").startsWith(only))
        figureImport(module, folder.dir.path(), rounds);
    if (QStringLiteral("marc_export").startsWith(only))
        figureExport(module, folder.dir.path(), rounds);
    if (QStringLiteral("z3950_search").startsWith(only))
        figureSearch(args[1].toInt(), rounds * 20);
    module.DataModuleDestroy();
    return 0;
}
