#pragma once

#include "CatalogueSource.h"

#include <QObject>
#include <memory>
#include <thread>

namespace marc {

// Runs a catalogue search on a thread of its own so that the window keeps answering; the answer
// comes back as the signal finished, on the thread that started the search.
class CatalogueSearch : public QObject {
    Q_OBJECT
public:
    explicit CatalogueSearch(QObject *parent = nullptr);
    ~CatalogueSearch() override; // stops a search still running and waits for its thread

    // Starts a search; a search still running is stopped first and its answer dropped.
    void start(std::unique_ptr<CatalogueSource> source, const SearchRequest &request);
    void stop();
    bool running() const { return source_ != nullptr; }

signals:
    void finished(const marc::SearchResult &result);

private:
    void join();
    std::shared_ptr<CatalogueSource> source_;
    std::thread worker_;
    quint64 generation_ = 0;
};

} // namespace marc
