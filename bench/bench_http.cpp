// The web catalogue's HTTP server (libmicrohttpd in its own thread pool, as library-opac runs
// it) against Qt HttpServer, each serving the same page of about 20 KB on loopback to wrk with
// 100 connections: the average latency and the time per 1,000 pages.
// Usage: bench_http [--seconds N]
#include "HttpServer.h"

#include <QCoreApplication>
#include <QHttpServer>
#include <QHttpServerResponse>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QThread>
#include <cstdio>

namespace {

struct Load {
    double latencyMs = 0;
    double requestsPerSecond = 0;
};

int freePort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost);
    return s.serverPort();
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

// wrk's figures, run while the event loop goes on serving the Qt side.
Load measure(int port, int seconds)
{
    QProcess wrk;
    wrk.start(QStringLiteral("wrk"), {QStringLiteral("-t2"), QStringLiteral("-c100"), QStringLiteral("-d%1s").arg(seconds),
                                      QStringLiteral("http://127.0.0.1:%1/").arg(port)});
    while (wrk.state() != QProcess::NotRunning)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const QString out = QString::fromUtf8(wrk.readAllStandardOutput());
    Load load;
    const QRegularExpressionMatch latency = QRegularExpression(QStringLiteral("Latency\\s+([0-9.]+)(us|ms|s)")).match(out);
    if (latency.hasMatch()) {
        const double scale = latency.captured(2) == u"us" ? 0.001 : latency.captured(2) == u"s" ? 1000 : 1;
        load.latencyMs = latency.captured(1).toDouble() * scale;
    }
    load.requestsPerSecond = QRegularExpression(QStringLiteral("Requests/sec:\\s+([0-9.]+)")).match(out).captured(1).toDouble();
    if (!load.requestsPerSecond)
        std::fprintf(stderr, "bench_http: wrk said\n%s%s\n", out.toUtf8().constData(), wrk.readAllStandardError().constData());
    return load;
}

void print(const char *name, double ours, double ref)
{
    std::printf("%s ours_ms=%.3f ref_ms=%.3f ratio=%.3f\n", name, ours, ref, ref > 0 ? ours / ref : 0.0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int at = int(args.indexOf(QStringLiteral("--seconds")));
    const int seconds = at > 0 && at + 1 < args.size() ? args[at + 1].toInt() : 10;
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
    const Load a = measure(settings.port, seconds);
    const Load b = measure(refPort, seconds);
    print("http_page_20k_latency", a.latencyMs, b.latencyMs);
    print("http_page_20k_per_1000", a.requestsPerSecond ? 1e6 / a.requestsPerSecond : 0, b.requestsPerSecond ? 1e6 / b.requestsPerSecond : 0);
    return 0;
}
