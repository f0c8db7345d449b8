// The web catalogue under wrk (two threads, 100 connections, on loopback).
//
// Without a catalogue: our HTTP server (libmicrohttpd in its own thread pool, as library-opac
// runs it) against Qt HttpServer, each serving the same fixed page of about 20 KB.
//
// With a catalogue: library-opac itself for 30 s on title searches and for 30 s on holdings'
// pages, each request taking one of 1,000 titles or ids drawn from the catalogue, so that no
// single query is measured: p99 against the targets (100 ms and 30 ms), errors, and the
// program's memory at start, halfway and after each run. Beside them the ceiling (nginx serving
// a static file of the average search page's size), the same statements run directly in as many
// threads as there are cores, and both HTTP libraries serving the same search pages in process.
// Usage: bench_http [--seconds N] [--opac path/library-opac catalogue.sdb]
#include "CatalogueIndex.h"
#include "CatalogueReading.h"
#include "HttpServer.h"
#include "IniFile.h"
#include "LoanTerms.h"
#include "OpacCatalogue.h"
#include "OpacSite.h"
#include "Pages.h"
#include "data/Connection.h"
#include "data/DataError.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QUrl>
#include <QUrlQuery>
#include <QtConcurrent/QtConcurrentRun>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// wrk's figures of one run.
struct Load {
    double latencyMs = 0;
    double p99Ms = 0;
    double requestsPerSecond = 0;
    qint64 requests = 0;
    qint64 non2xx = 0;
    qint64 socketErrors[4] = {0, 0, 0, 0}; // connect, read, write, timeout
};

constexpr int Connections = 100;

int freePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
}

void print(const char *name, double ours, double ref)
{
    std::printf("%s ours_ms=%.3f ref_ms=%.3f ratio=%.3f\n", name, ours, ref, ref > 0 ? ours / ref : 0.0);
    std::fflush(stdout);
}

double per1000(double perSecond) { return perSecond > 0 ? 1e6 / perSecond : 0; }

double millisecondsOf(const QString &number, const QString &unit)
{
    const double scale = unit == u"us" ? 0.001 : unit == u"s" ? 1000 : unit == u"m" ? 60000 : 1;
    return number.toDouble() * scale;
}

// A results page of the catalogue's size: twenty descriptions of holdings.
QByteArray samplePage()
{
    QByteArray page = "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>Результаты поиска</title></head>"
                      "<body><main><ol>";
    while (page.size() < 20 * 1024)
        page += "<li><a href=\"/holding?id=1\"><b>Толстой, Л. Н.</b> Война и мир : роман-эпопея / Л. Н. Толстой. — "
                "Москва : АСТ, 2015. — 1300 с. — ISBN 978-5-17-090335-2.</a> <span>(на полке)</span></li>\n";
    return page + "</ol></main></body></html>\n";
}

// Runs wrk while the event loop goes on serving the Qt side; `tick` is called about once a second.
Load measure(const QString &url, int seconds, const QStringList &script = {}, const std::function<void(int)> &tick = {})
{
    QProcess wrk;
    QStringList args{QStringLiteral("-t2"), QStringLiteral("-c%1").arg(Connections), QStringLiteral("-d%1s").arg(seconds),
                     QStringLiteral("--latency")};
    if (!script.isEmpty())
        args << QStringLiteral("-s") << script[0];
    args << url;
    if (script.size() > 1)
        args << QStringLiteral("--") << script.mid(1);
    wrk.start(QStringLiteral("wrk"), args);
    QElapsedTimer clock;
    clock.start();
    int ticks = 0;
    while (wrk.state() != QProcess::NotRunning) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        if (tick && clock.elapsed() >= (ticks + 1) * 1000)
            tick(++ticks);
    }
    const QString out = QString::fromUtf8(wrk.readAllStandardOutput());
    Load load;
    const QRegularExpressionMatch latency = QRegularExpression(QStringLiteral("Latency\\s+([0-9.]+)(us|ms|s|m)\\b")).match(out);
    if (latency.hasMatch())
        load.latencyMs = millisecondsOf(latency.captured(1), latency.captured(2));
    const QRegularExpressionMatch p99 = QRegularExpression(QStringLiteral("\\b99%\\s+([0-9.]+)(us|ms|s|m)\\b")).match(out);
    if (p99.hasMatch())
        load.p99Ms = millisecondsOf(p99.captured(1), p99.captured(2));
    load.requestsPerSecond = QRegularExpression(QStringLiteral("Requests/sec:\\s+([0-9.]+)")).match(out).captured(1).toDouble();
    load.requests = QRegularExpression(QStringLiteral("(\\d+) requests in")).match(out).captured(1).toLongLong();
    // wrk names these only when there are any.
    load.non2xx = QRegularExpression(QStringLiteral("Non-2xx or 3xx responses:\\s+(\\d+)")).match(out).captured(1).toLongLong();
    const QRegularExpressionMatch socket = QRegularExpression(
        QStringLiteral("Socket errors: connect (\\d+), read (\\d+), write (\\d+), timeout (\\d+)")).match(out);
    for (int i = 0; i < 4 && socket.hasMatch(); ++i)
        load.socketErrors[i] = socket.captured(i + 1).toLongLong();
    if (!load.requestsPerSecond)
        std::fprintf(stderr, "bench_http: wrk said\n%s%s\n", out.toUtf8().constData(), wrk.readAllStandardError().constData());
    return load;
}

void printErrors(const char *name, const Load &load)
{
    std::printf("%s requests=%lld non_2xx=%lld socket_errors=connect:%lld,read:%lld,write:%lld,timeout:%lld "
                "p99_ms=%.2f avg_ms=%.2f requests_per_s=%.0f\n",
                name, load.requests, load.non2xx, load.socketErrors[0], load.socketErrors[1], load.socketErrors[2],
                load.socketErrors[3], load.p99Ms, load.latencyMs, load.requestsPerSecond);
    std::fflush(stdout);
}

// The fixed page: libmicrohttpd in the pool that library-opac uses against Qt HttpServer.
int compareStaticPage(int seconds)
{
    const QByteArray page = samplePage();
    opac::OpacSettings settings;
    settings.listen = QStringLiteral("127.0.0.1");
    settings.port = freePort();
    settings.threads = QThread::idealThreadCount();
    settings.perAddressLimit = 1000; // wrk's 100 connections all come from one address
    opac::HttpServer ours([&page](const opac::Request &) { return opac::Reply{200, page}; });
    QString error;
    if (!ours.start(settings, &error)) {
        std::fprintf(stderr, "bench_http: %s\n", error.toUtf8().constData());
        return 1;
    }
    QHttpServer ref;
    ref.route(QStringLiteral("/"), [&page] { return QHttpServerResponse("text/html; charset=utf-8", page); });
    const int refPort = ref.listen(QHostAddress::LocalHost, 0);
    if (refPort <= 0) {
        std::fprintf(stderr, "bench_http: Qt HttpServer does not listen\n");
        return 1;
    }
    const Load a = measure(QStringLiteral("http://127.0.0.1:%1/").arg(settings.port), seconds);
    const Load b = measure(QStringLiteral("http://127.0.0.1:%1/").arg(refPort), seconds);
    print("http_page_20k_latency", a.latencyMs, b.latencyMs);
    print("http_page_20k_per_1000", per1000(a.requestsPerSecond), per1000(b.requestsPerSecond));
    return 0;
}

// ---- The catalogue ----

// What the requests ask for: the first two words of real titles, as a reader would type them,
// and real holdings' ids; the same ones on every run, drawn with a fixed seed.
struct Workload {
    QStringList searchTexts;
    std::vector<qint64> holdingIds;
};

Workload drawWorkload(const QString &catalogue, int count)
{
    Workload w;
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(catalogue).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return w;
    }
    std::vector<qint64> ids;
    std::vector<QString> titles;
    sqlite3_stmt *q = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT id, title FROM books ORDER BY id", -1, &q, nullptr) == SQLITE_OK) {
        while (sqlite3_step(q) == SQLITE_ROW) {
            ids.push_back(sqlite3_column_int64(q, 0));
            titles.push_back(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(q, 1))));
        }
    }
    sqlite3_finalize(q);
    sqlite3_close(db);
    if (ids.empty())
        return w;
    std::mt19937 random(27);
    std::uniform_int_distribution<std::size_t> any(0, ids.size() - 1);
    static const QRegularExpression word(QStringLiteral("[\\p{L}\\p{N}]{3,}"));
    while (w.searchTexts.size() < count) {
        QStringList words;
        for (auto it = word.globalMatch(titles[any(random)]); it.hasNext() && words.size() < 2;)
            words << it.next().captured();
        if (!words.isEmpty())
            w.searchTexts << words.join(u' ');
    }
    while (int(w.holdingIds.size()) < count)
        w.holdingIds.push_back(ids[any(random)]);
    return w;
}

QString searchPath(const QString &text)
{
    return QStringLiteral("/search?field=title&q=") + QString::fromLatin1(QUrl::toPercentEncoding(text));
}

opac::Request searchRequest(const QString &text)
{
    opac::Request r;
    r.path = QStringLiteral("/search");
    r.params.add(QStringLiteral("field"), QStringLiteral("title"));
    r.params.add(QStringLiteral("q"), text);
    return r;
}

opac::Request holdingRequest(qint64 id)
{
    opac::Request r;
    r.path = QStringLiteral("/holding");
    r.params.add(QStringLiteral("id"), QString::number(id));
    return r;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Each of wrk's threads takes the paths of the file named after "--" in an order of its own.
const char *const PathsScript = R"(local paths = {}
local threads = 0
function setup(thread)
  threads = threads + 1
  thread:set("number", threads)
end
function init(args)
  for line in io.lines(args[1]) do paths[#paths + 1] = line end
  math.randomseed(number * 7919)
end
function request()
  return wrk.format(nil, paths[math.random(#paths)])
end
)";

bool waitForPort(int port, const QProcess *process, int seconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000) {
        if (process && process->state() == QProcess::NotRunning)
            return false;
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, quint16(port));
        if (s.waitForConnected(200))
            return true;
        QThread::msleep(100);
    }
    return false;
}

void stopProcess(QProcess &p)
{
    if (p.state() == QProcess::NotRunning)
        return;
    p.terminate();
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished(5000);
    }
}

// VmRSS and RssAnon of a process in MiB: what SQLite maps of the catalogue file counts in the
// first (once per connection), only the program's own memory in the second.
struct Memory {
    double resident = 0, anonymous = 0;
};

Memory memoryOf(qint64 pid)
{
    Memory m;
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return m;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 2)
            continue;
        if (parts[0] == "VmRSS:")
            m.resident = parts[1].toDouble() / 1024;
        else if (parts[0] == "RssAnon:")
            m.anonymous = parts[1].toDouble() / 1024;
    }
    return m;
}

// Runs `work(thread, n)` with n = 0, 1, 2... in `threads` threads for `seconds`; calls per second.
double rate(int threads, double seconds, const std::function<void(int, qint64)> &work)
{
    std::atomic<qint64> done{0};
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    const auto began = std::chrono::steady_clock::now();
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            qint64 n = t * 7919;
            qint64 mine = 0;
            while (std::chrono::steady_clock::now() < until) {
                work(t, n++);
                ++mine;
            }
            done += mine;
        });
    for (std::thread &t : pool)
        t.join();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    return double(done) / elapsed;
}

// nginx in the foreground with a configuration of its own, on loopback only; run as nobody
// when this runs as root, so that nothing of it has root's rights.
class Nginx {
public:
    bool start(const QString &folder, int port, const QByteArray &page)
    {
        QDir().mkpath(folder + QStringLiteral("/www"));
        QDir().mkpath(folder + QStringLiteral("/temp"));
        const QByteArray f = QFile::encodeName(folder);
        const QByteArray conf = "daemon off;\nmaster_process on;\nworker_processes auto;\npid " + f + "/nginx.pid;\n"
                                "error_log " + f + "/error.log;\nevents { worker_connections 1024; }\n"
                                "http {\n  access_log off;\n  default_type text/html;\n  sendfile on;\n  tcp_nopush on;\n"
                                "  keepalive_requests 1000000;\n"
                                "  client_body_temp_path " + f + "/temp/body;\n  proxy_temp_path " + f + "/temp/proxy;\n"
                                "  fastcgi_temp_path " + f + "/temp/fastcgi;\n  uwsgi_temp_path " + f + "/temp/uwsgi;\n"
                                "  scgi_temp_path " + f + "/temp/scgi;\n"
                                "  server {\n    listen 127.0.0.1:" + QByteArray::number(port) + ";\n    root " + f + "/www;\n  }\n}\n";
        if (!writeFile(folder + QStringLiteral("/nginx.conf"), conf) || !writeFile(folder + QStringLiteral("/www/page.html"), page))
            return false;
        uid_t uid = 0;
        gid_t gid = 0;
        if (geteuid() == 0) {
            const passwd *nobody = getpwnam("nobody");
            if (!nobody)
                return false;
            uid = nobody->pw_uid;
            gid = nobody->pw_gid;
            // nobody may go through the temporary folder above and owns its own below it.
            chmod(QFile::encodeName(QFileInfo(folder).path()).constData(), 0711);
            for (const char *path : {"", "/www", "/temp", "/nginx.conf", "/www/page.html"})
                if (chown(QFile::encodeName(folder + QLatin1String(path)).constData(), uid, gid) != 0)
                    return false;
        }
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.setChildProcessModifier([uid, gid] {
            if (uid && (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0))
                _exit(127);
        });
        process_.start(QStringLiteral("nginx"), {QStringLiteral("-c"), folder + QStringLiteral("/nginx.conf"),
                                                 QStringLiteral("-p"), folder, QStringLiteral("-e"),
                                                 folder + QStringLiteral("/error.log")});
        if (!waitForPort(port, &process_, 20)) {
            std::fprintf(stderr, "bench_http: nginx did not start: %s\n", process_.readAll().constData());
            return false;
        }
        return true;
    }
    ~Nginx() { stopProcess(process_); }

private:
    QProcess process_;
};

int measureCatalogue(const QString &opacProgram, const QString &catalogue, int seconds)
{
    constexpr int ProgramSeconds = 30;
    const double directSeconds = std::max(2, seconds / 2);
    QTemporaryDir dir;
    const QString iniPath = dir.filePath(QStringLiteral("library.ini"));
    const int port = freePort();
    if (!QFile::link(QFileInfo(catalogue).absoluteFilePath(), dir.filePath(QStringLiteral("library.sdb"))) ||
        !writeFile(iniPath, "[Opac]\r\nPort=" + QByteArray::number(port) +
                                "\r\nListen=127.0.0.1\r\nConnectionsPerAddress=1000\r\n")) {
        std::fprintf(stderr, "bench_http: cannot prepare %s\n", qPrintable(dir.path()));
        return 1;
    }
    const Workload work = drawWorkload(catalogue, 1000);
    if (work.searchTexts.isEmpty()) {
        std::fprintf(stderr, "bench_http: no holdings in %s\n", qPrintable(catalogue));
        return 1;
    }
    QStringList searchPaths, holdingPaths;
    for (const QString &t : work.searchTexts)
        searchPaths << searchPath(t);
    for (const qint64 id : work.holdingIds)
        holdingPaths << QStringLiteral("/holding?id=%1").arg(id);
    const QString script = dir.filePath(QStringLiteral("paths.lua"));
    const QString searchFile = dir.filePath(QStringLiteral("search.txt"));
    const QString holdingFile = dir.filePath(QStringLiteral("holding.txt"));
    if (!writeFile(script, PathsScript) || !writeFile(searchFile, searchPaths.join(u'\n').toUtf8() + '\n') ||
        !writeFile(holdingFile, holdingPaths.join(u'\n').toUtf8() + '\n'))
        return 1;

    // library-opac itself, as a library would run it.
    Load search, holding;
    {
        QProcess opac;
        opac.setStandardErrorFile(dir.filePath(QStringLiteral("opac.log")));
        QElapsedTimer started;
        started.start();
        opac.start(opacProgram, {iniPath});
        if (!waitForPort(port, &opac, 300)) {
            QFile log(dir.filePath(QStringLiteral("opac.log")));
            log.open(QIODevice::ReadOnly);
            std::fprintf(stderr, "bench_http: library-opac did not start: %s\n", log.readAll().constData());
            stopProcess(opac);
            return 1;
        }
        std::printf("opac_start seconds=%.1f (the catalogue opened and its word index made)\n", started.elapsed() / 1000.0);
        const qint64 pid = opac.processId();
        const Memory atStart = memoryOf(pid);
        Memory peak = atStart, searchHalf, holdingHalf;
        const auto sampler = [&](Memory *half) {
            return [&, half](int second) {
                const Memory m = memoryOf(pid);
                peak.resident = std::max(peak.resident, m.resident);
                peak.anonymous = std::max(peak.anonymous, m.anonymous);
                if (second == ProgramSeconds / 2)
                    *half = m;
            };
        };
        const QString url = QStringLiteral("http://127.0.0.1:%1").arg(port);
        search = measure(url, ProgramSeconds, {script, searchFile}, sampler(&searchHalf));
        const Memory afterSearch = memoryOf(pid);
        holding = measure(url, ProgramSeconds, {script, holdingFile}, sampler(&holdingHalf));
        const Memory afterHolding = memoryOf(pid);
        stopProcess(opac);
        print("opac_search_p99", search.p99Ms, 100);
        print("opac_holding_p99", holding.p99Ms, 30);
        printErrors("opac_search_load", search);
        printErrors("opac_holding_load", holding);
        std::printf("opac_rss_anon_mb start=%.0f search_15s=%.0f after_search=%.0f holding_15s=%.0f after_holding=%.0f peak=%.0f\n",
                    atStart.anonymous, searchHalf.anonymous, afterSearch.anonymous, holdingHalf.anonymous,
                    afterHolding.anonymous, peak.anonymous);
        std::printf("opac_rss_mb start=%.0f search_15s=%.0f after_search=%.0f holding_15s=%.0f after_holding=%.0f peak=%.0f "
                    "(with the catalogue file SQLite maps, once per connection)\n",
                    atStart.resident, searchHalf.resident, afterSearch.resident, holdingHalf.resident,
                    afterHolding.resident, peak.resident);
        std::fflush(stdout);
    }

    // The same pages and statements in this process.
    opac::OpacSettings settings;
    std::unique_ptr<opac::OpacSite> site;
    std::shared_ptr<const opac::CatalogueIndex> index;
    store::LoanPeriods periods;
    try {
        settings = opac::readOpacSettings(iniPath);
        settings.port = freePort();
        site = std::make_unique<opac::OpacSite>(settings);
        index = opac::CatalogueIndex::build(*store::openCatalogueForReading(iniPath));
        const store::IniFile ini(iniPath);
        periods = store::readLoanPeriods(&ini);
    } catch (const data::DataError &e) {
        std::fprintf(stderr, "bench_http: %s\n", qPrintable(e.message()));
        return 1;
    }
    qint64 searchBytes = 0, holdingBytes = 0;
    for (const QString &t : work.searchTexts)
        searchBytes += site->answer(searchRequest(t)).body.size();
    for (const qint64 id : work.holdingIds)
        holdingBytes += site->answer(holdingRequest(id)).body.size();
    const qsizetype averagePage = qsizetype(searchBytes / work.searchTexts.size());
    std::printf("opac_page_bytes search_average=%lld holding_average=%lld\n", static_cast<long long>(averagePage),
                static_cast<long long>(holdingBytes / qint64(work.holdingIds.size())));

    // The statements alone: the word index searched, the first page ordered, its rows read and
    // described; a holding's rows. One connection for each thread, as each server thread has.
    const int threads = QThread::idealThreadCount();
    std::vector<std::unique_ptr<data::Connection>> connections;
    for (int t = 0; t < threads; ++t)
        connections.push_back(store::openCatalogueForReading(iniPath));
    const auto n = [](qint64 i, std::size_t size) { return std::size_t(i % qint64(size)); };
    const double statements = rate(threads, directSeconds, [&](int t, qint64 i) {
        opac::SearchRequest request;
        request.field = opac::SearchField::Title;
        request.text = work.searchTexts[qsizetype(n(i, std::size_t(work.searchTexts.size())))];
        opac::OpacCatalogue rows(*connections[std::size_t(t)], periods);
        const std::vector<std::uint32_t> found = index->search(request);
        rows.lines(index->page(found, opac::SortOrder::Title, 0, opac::PageSize));
    });
    const double holdingStatements = rate(threads, directSeconds, [&](int t, qint64 i) {
        opac::OpacCatalogue rows(*connections[std::size_t(t)], periods);
        rows.holding(work.holdingIds[n(i, work.holdingIds.size())]);
    });
    // The whole page without HTTP.
    const double pages = rate(threads, directSeconds, [&](int, qint64 i) {
        site->answer(searchRequest(work.searchTexts[qsizetype(n(i, std::size_t(work.searchTexts.size())))]));
    });
    std::printf("opac_direct_per_s threads=%d search_statements=%.0f search_pages=%.0f holding_statements=%.0f\n", threads,
                statements, pages, holdingStatements);
    print("opac_search_direct_per_1000", per1000(search.requestsPerSecond), per1000(statements));
    print("opac_search_page_per_1000", per1000(pages), per1000(statements));
    print("opac_holding_direct_per_1000", per1000(holding.requestsPerSecond), per1000(holdingStatements));

    // The ceiling: nginx sending a file of the average search page's size.
    {
        QByteArray page = site->answer(searchRequest(work.searchTexts[0])).body;
        page = page.leftJustified(averagePage, ' ', true);
        Nginx nginx;
        const int nginxPort = freePort();
        if (!nginx.start(dir.filePath(QStringLiteral("nginx")), nginxPort, page))
            return 1;
        const Load ceiling = measure(QStringLiteral("http://127.0.0.1:%1/page.html").arg(nginxPort), seconds);
        print("opac_search_per_1000", per1000(search.requestsPerSecond), per1000(ceiling.requestsPerSecond));
        printErrors("nginx_static_load", ceiling);
    }

    // Both HTTP libraries serving the same search pages from this process, each with as many
    // threads making pages as library-opac has.
    {
        settings.perAddressLimit = 1000;
        opac::HttpServer ours([&site](const opac::Request &r) { return site->answer(r); });
        QString error;
        if (!ours.start(settings, &error)) {
            std::fprintf(stderr, "bench_http: %s\n", qPrintable(error));
            return 1;
        }
        QThreadPool::globalInstance()->setMaxThreadCount(settings.threads);
        QHttpServer ref;
        ref.route(QStringLiteral("/search"), [&site](const QHttpServerRequest &r) {
            opac::Request request;
            request.path = QStringLiteral("/search");
            for (const auto &[key, value] : r.query().queryItems(QUrl::FullyDecoded))
                request.params.add(key, value);
            return QtConcurrent::run([&site, request] {
                const opac::Reply reply = site->answer(request);
                return QHttpServerResponse("text/html; charset=utf-8", reply.body,
                                           QHttpServerResponse::StatusCode(reply.status));
            });
        });
        const int refPort = ref.listen(QHostAddress::LocalHost, 0);
        if (refPort <= 0) {
            std::fprintf(stderr, "bench_http: Qt HttpServer does not listen\n");
            return 1;
        }
        const Load a = measure(QStringLiteral("http://127.0.0.1:%1").arg(settings.port), seconds, {script, searchFile});
        const Load b = measure(QStringLiteral("http://127.0.0.1:%1").arg(refPort), seconds, {script, searchFile});
        print("http_search_page_p99", a.p99Ms, b.p99Ms);
        print("http_search_page_per_1000", per1000(a.requestsPerSecond), per1000(b.requestsPerSecond));
        printErrors("http_search_page_load_microhttpd", a);
        printErrors("http_search_page_load_qt", b);
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int at = int(args.indexOf(QStringLiteral("--seconds")));
    const int seconds = at > 0 && at + 1 < args.size() ? args[at + 1].toInt() : 10;
    const int opacAt = int(args.indexOf(QStringLiteral("--opac")));
    if (const int status = compareStaticPage(seconds))
        return status;
    if (opacAt > 0 && opacAt + 2 < args.size())
        return measureCatalogue(args[opacAt + 1], args[opacAt + 2], seconds);
    return 0;
}
