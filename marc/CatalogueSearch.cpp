#include "CatalogueSearch.h"

#include <QMetaObject>
#include <QPointer>

namespace marc {

CatalogueSearch::CatalogueSearch(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<marc::SearchResult>("marc::SearchResult");
}

CatalogueSearch::~CatalogueSearch()
{
    stop();
    join();
}

void CatalogueSearch::join()
{
    if (worker_.joinable())
        worker_.join();
}

void CatalogueSearch::stop()
{
    if (source_)
        source_->stop();
    source_.reset();
    ++generation_;
}

void CatalogueSearch::start(std::unique_ptr<CatalogueSource> source, const SearchRequest &request)
{
    stop();
    join();
    source_ = std::move(source);
    const quint64 generation = ++generation_;
    QPointer<CatalogueSearch> self(this);
    std::shared_ptr<CatalogueSource> running = source_;
    worker_ = std::thread([self, running, request, generation] {
        SearchResult result = running->search(request);
        if (!self)
            return;
        // Back on the window's thread; an answer to a search stopped since is dropped.
        QMetaObject::invokeMethod(
            self.data(),
            [self, result, generation] {
                if (!self || self->generation_ != generation)
                    return;
                self->source_.reset();
                emit self->finished(result);
            },
            Qt::QueuedConnection);
    });
}

} // namespace marc
