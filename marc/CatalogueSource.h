#pragma once

#include "Catalogues.h"
#include "MarcReader.h"

#include <QString>
#include <atomic>
#include <memory>
#include <vector>

namespace marc {

// What the librarian looks for; empty boxes are left out of the query.
struct SearchRequest {
    QString isbn, author, title;
    int maxRecords = 20;
    bool isEmpty() const { return isbn.trimmed().isEmpty() && author.trimmed().isEmpty() && title.trimmed().isEmpty(); }
};

enum class SearchStatus { Done, Failed, Cancelled };

// What a search brought: the records read (damaged ones carry their reason), the number of hits
// the catalogue counted, or why it failed, in Russian.
struct SearchResult {
    SearchStatus status = SearchStatus::Done;
    int hits = 0;
    std::vector<ReadRecord> records;
    QString error;
};

// A catalogue reached over the network. search() blocks its thread until the answer, the
// timeout or stop(), which any other thread may call.
class CatalogueSource {
public:
    CatalogueSource(CatalogueConfig config, int timeoutSeconds) : config_(std::move(config)), timeoutSeconds_(timeoutSeconds) {}
    virtual ~CatalogueSource() = default;
    CatalogueSource(const CatalogueSource &) = delete;
    CatalogueSource &operator=(const CatalogueSource &) = delete;

    const CatalogueConfig &config() const { return config_; }
    int timeoutSeconds() const { return timeoutSeconds_; }
    virtual SearchResult search(const SearchRequest &request) = 0;
    void stop() { stopped_ = true; }
    bool stopped() const { return stopped_; }

protected:
    CatalogueConfig config_;
    int timeoutSeconds_;
    std::atomic<bool> stopped_{false};
};

// The source for the catalogue's protocol.
std::unique_ptr<CatalogueSource> makeSource(const CatalogueConfig &config, int timeoutSeconds);

} // namespace marc
