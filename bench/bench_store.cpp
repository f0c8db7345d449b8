// Measures the store against plain SQLite reads into standard containers, side by side.
//   bench_store [--rounds N] [--memory-rounds N] [--only NAME] [--suffix S] CATALOGUE.sdb
//       all figures, or those whose name starts with NAME (handy under a profiler); S is put
//       after every figure's name (bench/run gives "_300k" for the larger catalogue)
//   bench_store --memory-child ours|ref CATALOGUE.sdb
//       one memory sample, printed as "added_mib=x" (the parent runs these)
#include "BenchUtil.h"
#include "Reference.h"

#include "MyLower.h"
#include "data/Connection.h"
#include "data/dataset/Dataset.h"

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <malloc.h>
#include <numeric>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace {

const char *const kSelectAll = "SELECT * FROM books";
// A condition that no row meets and that the engine answers without a scan: setting it between
// rounds makes the next search a real re-query without costing a full read of the table.
const char *const kNoRows = "1 = 0";
// Words that occur in the demonstration catalogue in lower case ("после войны", "предпосылки
// реформ"), so that the reference's lower(), which folds only ASCII letters, finds rows too.
struct Search {
    const char *column;
    const char *word;
};
const Search kSearches[] = {{"title", "войн"}, {"annotation", "реформ"}};

struct Options {
    int rounds = 15;
    int memoryRounds = 5;
    QString childMode;
    QString only;
    QString database;
};

void openConnection(data::Connection &conn, const QString &path)
{
    conn.setDatabase(path);
    conn.options() << QStringLiteral("SQLite.BusyTimeout=1500") << QStringLiteral("SQLite.ReadUncommitted=True");
    conn.open();
    conn.addSqlFunction(QStringLiteral("my_lower"), 1, store::myLowerSqlFunction);
}

// One memory sample in a process of its own, so that neither side reuses heap the other freed.
int memoryChild(const Options &opt)
{
    double before = 0, after = 0;
    std::size_t rows = 0;
    if (opt.childMode == QLatin1String("ours")) {
        data::Connection conn;
        openConnection(conn, opt.database);
        data::Dataset ds(&conn);
        ds.setSql(QString::fromUtf8(kSelectAll));
        malloc_trim(0);
        before = bench::residentMiB();
        ds.open();
        after = bench::residentMiB();
        rows = std::size_t(ds.recordCount());
    } else {
        sqlite3 *db = bench::ref::openDatabase(opt.database.toStdString());
        bench::ref::scalar(db, "SELECT COUNT(*) FROM sqlite_master"); // read the schema, as the store does
        malloc_trim(0);
        before = bench::residentMiB();
        const bench::ref::Rows held = bench::ref::readRows(db, kSelectAll);
        after = bench::residentMiB();
        rows = held.size();
        sqlite3_close_v2(db);
    }
    std::printf("added_mib=%.3f rows=%zu\n", after - before, rows);
    return 0;
}

double runMemoryChild(const Options &opt, const char *mode)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--memory-child"), QString::fromLatin1(mode), opt.database});
    if (!child.waitForFinished(120000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        throw std::runtime_error(std::string("memory child failed: ") + child.readAllStandardError().toStdString());
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    const qsizetype at = out.indexOf(QStringLiteral("added_mib="));
    if (at < 0)
        throw std::runtime_error("memory child printed no figure: " + out.toStdString());
    return out.mid(at + 10).section(u' ', 0, 0).toDouble();
}

void matchLine(const char *name, long long ours, std::size_t ref)
{
    std::printf("%s%s_matches ours=%lld ref=%zu\n", name, bench::figureSuffix().c_str(), ours, ref);
    std::fflush(stdout);
}

// What the figures share: the two ways into the file and the catalogue each side holds.
struct Bench {
    const Options &opt;
    data::Connection conn;
    sqlite3 *raw = nullptr;
    data::Dataset cat{&conn};
    bench::ref::Rows refRows;
    std::vector<std::size_t> onLoan;

    explicit Bench(const Options &options) : opt(options)
    {
        openConnection(conn, opt.database);
        raw = bench::ref::openDatabase(opt.database.toStdString());
        cat.setSql(QString::fromUtf8(kSelectAll));
    }
    ~Bench()
    {
        cat.close();
        sqlite3_close_v2(raw);
    }
    Bench(const Bench &) = delete;
    Bench &operator=(const Bench &) = delete;

    bool wanted(const char *name) const { return QString::fromLatin1(name).startsWith(opt.only); }

    void figureOpen();
    void figureSearch();
    void figureSort();
    void figureFilter();
    void figureMemory();
};

using bench::Side;
namespace ref = bench::ref;

// open: the whole table read into memory. Both sides stay loaded for the figures after it.
void Bench::figureOpen()
{
    const Side ours{[&] { cat.close(); }, [&] { cat.open(); }};
    const Side theirs{[&] { ref::Rows().swap(refRows); }, [&] { refRows = ref::readRows(raw, kSelectAll); }};
    if (wanted("open")) {
        bench::printFigure("open", bench::interleave(opt.rounds, ours, theirs), 2);
    } else {
        ours.run();
        theirs.run();
    }
    if (std::size_t(cat.recordCount()) != refRows.size())
        matchLine("open", cat.recordCount(), refRows.size());
}

// search_*: an SQL filter through my_lower() against the engine's own lower().
void Bench::figureSearch()
{
    data::Dataset found(&conn);
    found.setSql(QString::fromUtf8(kSelectAll));
    found.setFilterSQL(QString::fromUtf8(kNoRows));
    found.open();
    for (const auto &[column, word] : kSearches) {
        const std::string name = std::string("search_") + column;
        if (!wanted(name.c_str()))
            continue;
        const QString condition =
            QStringLiteral("my_lower(%1) LIKE '%%2%'").arg(QLatin1String(column), QString::fromUtf8(word));
        const std::string refSql =
            std::string(kSelectAll) + " WHERE lower(" + column + ") LIKE '%" + word + "%'";
        ref::Rows refFound;
        bench::printFigure(name,
                           bench::interleave(opt.rounds,
                                             Side{[&] { found.setFilterSQL(QString::fromUtf8(kNoRows)); },
                                                  [&] { found.setFilterSQL(condition); }},
                                             Side{[&] { ref::Rows().swap(refFound); },
                                                  [&] { refFound = ref::readRows(raw, refSql.c_str()); }}),
                           2);
        matchLine(name.c_str(), found.recordCount(), refFound.size());
    }
}

// sort_title: the first collated sort of freshly read rows against a binary QString sort of row
// indices; sort_title_repeat: sorting back after a descending sort, against the same binary sort.
void Bench::figureSort()
{
    const int titleCol = ref::columnIndex(raw, kSelectAll, "title");
    std::vector<QString> titles;
    titles.reserve(refRows.size());
    for (const auto &row : refRows) {
        const auto *t = std::get_if<std::string>(&row[std::size_t(titleCol)]);
        titles.push_back(t ? QString::fromStdString(*t) : QString());
    }
    std::vector<std::uint32_t> order;
    const Side binary{[&] { std::vector<std::uint32_t>().swap(order); },
                      [&] {
                          order.resize(titles.size());
                          std::iota(order.begin(), order.end(), 0u);
                          std::stable_sort(order.begin(), order.end(), [&titles](std::uint32_t a, std::uint32_t b) {
                              return titles[a] < titles[b];
                          });
                      }};
    const auto title = QStringLiteral("title");
    if (wanted("sort_title")) {
        // A re-read drops whatever the dataset kept from an earlier sort.
        const Side first{[&] {
                             cat.setIndexFieldNames(QString());
                             cat.refresh();
                         },
                         [&] { cat.setIndexFieldNames(title); }};
        bench::printFigure("sort_title", bench::interleave(opt.rounds, first, binary), 2);
    }
    if (wanted("sort_title_repeat")) {
        const Side back{[&] { cat.setIndexFieldNames(QStringLiteral("title DESC")); },
                        [&] { cat.setIndexFieldNames(title); }};
        bench::printFigure("sort_title_repeat", bench::interleave(opt.rounds, back, binary), 2);
    }
    cat.setIndexFieldNames(QString()); // the local filter must not sort as well
}

// filter_onloan: the local filter over held rows against a scan of the vectors; then the count.
void Bench::figureFilter()
{
    const int onloanCol = ref::columnIndex(raw, kSelectAll, "onloan");
    const Side ours{[&] {
                        cat.setFiltered(false);
                        cat.setFilter(QString());
                    },
                    [&] {
                        cat.setFilter(QStringLiteral("onloan = 1"));
                        cat.setFiltered(true);
                    }};
    const Side theirs{[&] { std::vector<std::size_t>().swap(onLoan); },
                      [&] {
                          for (std::size_t i = 0; i < refRows.size(); ++i) {
                              const auto *v = std::get_if<std::int64_t>(&refRows[i][std::size_t(onloanCol)]);
                              if (v && *v == 1)
                                  onLoan.push_back(i);
                          }
                      }};
    const auto samples = bench::interleave(opt.rounds, ours, theirs);
    if (wanted("filter_onloan")) {
        bench::printFigure("filter_onloan", samples, 2);
        matchLine("filter_onloan", cat.recordCount(), onLoan.size());
    }
    if (wanted("record_count")) {
        const auto noop = [] {};
        bench::printFigure("record_count",
                           bench::interleave(opt.rounds, Side{noop, [&] { bench::keep(cat.recordCount()); }},
                                             Side{noop, [&] { bench::keep(static_cast<long long>(onLoan.size())); }}),
                           3);
    }
}

// memory: each sample in a fresh child, alternating sides.
void Bench::figureMemory()
{
    bench::Samples memory;
    for (int r = 0; r < opt.memoryRounds; ++r) {
        memory.ours.push_back(runMemoryChild(opt, "ours"));
        memory.ref.push_back(runMemoryChild(opt, "ref"));
    }
    bench::printFigure("memory", memory, 1, "mib");
}

int runAll(const Options &opt)
{
    Bench b(opt);
    std::printf("sqlite_version %s\n", sqlite3_libversion());
    std::printf("rows %lld\n", static_cast<long long>(ref::scalar(b.raw, "SELECT COUNT(*) FROM books")));
    std::fflush(stdout);
    const bool needCatalogue =
        b.wanted("open") || b.wanted("sort_title") || b.wanted("filter_onloan") || b.wanted("record_count");
    if (needCatalogue)
        b.figureOpen();
    if (b.wanted("search_title") || b.wanted("search_annotation"))
        b.figureSearch();
    if (b.wanted("sort_title"))
        b.figureSort();
    if (b.wanted("filter_onloan") || b.wanted("record_count"))
        b.figureFilter();
    if (needCatalogue) { // give the memory back before the children measure theirs
        b.cat.close();
        ref::Rows().swap(b.refRows);
    }
    if (b.wanted("memory"))
        b.figureMemory();
    return 0;
}

bool parseOptions(const QStringList &args, Options &opt)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--rounds") && hasValue)
            opt.rounds = std::max(5, args[++i].toInt());
        else if (a == QLatin1String("--memory-rounds") && hasValue)
            opt.memoryRounds = std::max(1, args[++i].toInt());
        else if (a == QLatin1String("--suffix") && hasValue)
            bench::setFigureSuffix(args[++i].toStdString());
        else if (a == QLatin1String("--only") && hasValue)
            opt.only = args[++i];
        else if (a == QLatin1String("--memory-child") && hasValue)
            opt.childMode = args[++i];
        else if (a.startsWith(u'-') || !opt.database.isEmpty())
            return false;
        else
            opt.database = a;
    }
    return !opt.database.isEmpty();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Options opt;
    if (!parseOptions(QCoreApplication::arguments(), opt)) {
        std::fprintf(stderr, "usage: bench_store [--rounds N] [--memory-rounds N] [--only NAME] [--suffix S] CATALOGUE.sdb\n");
        return 2;
    }
    try {
        return opt.childMode.isEmpty() ? runAll(opt) : memoryChild(opt);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_store: %s\n", e.what());
        return 1;
    }
}
