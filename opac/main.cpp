// library-opac: the catalogue as web pages for readers, to search and browse from any browser.
//
//   library-opac [путь/library.ini]
//
// The settings file names the catalogue as the desktop program opens it (library.sdb beside it, or
// the server of [MySQL]), opened for reading only; [Opac] gives Port= (8080), Listen= (all
// addresses) and the server's limits. It serves until SIGTERM or SIGINT.
#include "HttpServer.h"
#include "OpacSite.h"
#include "data/DataError.h"

#include <QFileInfo>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sqlite3.h>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "library-opac: %s\n", message.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QString ini = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath() + QStringLiteral("/library.ini");
    if (argc > 1)
        ini = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    if (!QFileInfo(ini).isFile())
        return fail(QStringLiteral("нет файла настроек %1").arg(ini));
    // The server's threads are started with these signals blocked: only sigwait below takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // SQLite's memory statistics take one lock for every allocation of every page's thread.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    const opac::OpacSettings settings = opac::readOpacSettings(ini);
    std::unique_ptr<opac::OpacSite> site;
    // A catalogue that cannot be opened is said at once, not to each reader who comes.
    try {
        site = std::make_unique<opac::OpacSite>(settings);
    } catch (const data::DataError &e) {
        return fail(e.message());
    }
    opac::HttpServer server([&site](const opac::Request &request) { return site->answer(request); });
    QString error;
    if (!server.start(settings, &error))
        return fail(error);
    std::fprintf(stderr, "library-opac: страницы каталога на порту %d\n", settings.port);
    int received = 0;
    sigwait(&stopSignals, &received);
    server.stop();
    return 0;
}
