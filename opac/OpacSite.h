#pragma once

#include "ConnectionPool.h"
#include "LoanTerms.h"
#include "data/Connection.h"
#include "OpacRequest.h"
#include "OpacSettings.h"
#include "ReaderSessions.h"

#include <QByteArray>
#include <QDate>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <semaphore>
#include <thread>

namespace opac {

class CatalogueIndex;
struct PageContext;
class OpacCatalogue;

// A request as the HTTP layer hands it over.
struct Request {
    QByteArray method = "GET";
    QString path;
    Params params;        // of the query string, or of the form a POST sends
    QByteArray session;   // the session cookie, as the browser sent it
    QString address;      // the reader's address (the proxy's X-Real-IP when it comes through one)
    bool secure = false;  // it came over HTTPS through the proxy
};

struct Reply {
    Reply(int code = 200, QByteArray page = {}) : status(code), body(std::move(page)) {}
    int status;
    QByteArray body;
    QByteArray contentType = "text/html; charset=utf-8";
    QList<std::pair<QByteArray, QByteArray>> headers;
    QString file;  // a file sent instead of the body
};

// The web catalogue's pages by their paths. Any number of threads may ask at once: each page
// borrows a catalogue connection and reads the word index of the moment, which a thread of its
// own makes anew every Refresh= seconds.
class OpacSite {
public:
    // Opens the catalogue and makes the index; raises data::DataError when it cannot.
    explicit OpacSite(const OpacSettings &settings);
    ~OpacSite();
    OpacSite(const OpacSite &) = delete;
    OpacSite &operator=(const OpacSite &) = delete;

    Reply answer(const Request &request);
    // A page asked for by GET, with nobody signed in.
    Reply answer(const QString &path, const Params &params);

private:
    std::shared_ptr<const CatalogueIndex> index() const;
    store::LoanPeriods loanPeriods() const;  // as library.ini has them now
    Reply page(const Request &request, data::Connection &catalogue);
    Reply signIn(const Request &request, const PageContext &context, data::Connection &catalogue);
    Reply download(qint64 id, const PageContext &context, OpacCatalogue &catalogue);
    void refreshLoop();

    OpacSettings settings_;
    ConnectionPool pool_;
    mutable std::mutex indexMutex_;
    std::shared_ptr<const CatalogueIndex> index_;
    store::LoanPeriods periods_;  // read with the index, not for every page
    std::mutex stopMutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    std::thread refresher_;
    ReaderSessions sessions_;
    SignInGuard guard_;
    // Each PIN checked takes libsodium 64 MB for a moment: two at a time at most.
    std::counting_semaphore<2> hashing_{2};
};

} // namespace opac
