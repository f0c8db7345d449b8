#pragma once

#include "ConnectionPool.h"
#include "data/Connection.h"
#include "OpacRequest.h"
#include "OpacSettings.h"

#include <QByteArray>
#include <QDate>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace opac {

class CatalogueIndex;

struct Reply {
    int status = 200;
    QByteArray body;
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

    Reply answer(const QString &path, const Params &params);

private:
    std::shared_ptr<const CatalogueIndex> index() const;
    Reply page(const QString &path, const Params &params, data::Connection &catalogue);
    void refreshLoop();

    OpacSettings settings_;
    ConnectionPool pool_;
    mutable std::mutex indexMutex_;
    std::shared_ptr<const CatalogueIndex> index_;
    std::mutex stopMutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    std::thread refresher_;
};

} // namespace opac
