// Which page a path asks for, and the rows and index entries it is made of.
#include "OpacSite.h"

#include "CatalogueIndex.h"
#include "IniFile.h"
#include "LoanTerms.h"
#include "OpacCatalogue.h"
#include "Pages.h"
#include "data/Connection.h"
#include "data/DataError.h"

#include <cstdio>

namespace opac {

namespace {

// One page of holdings found by the index, in the order asked for, with their descriptions.
ResultPage resultsOf(const CatalogueIndex &index, OpacCatalogue &catalogue, std::vector<std::uint32_t> found,
                     SortOrder order, qint64 asked)
{
    ResultPage r = resultPage(qint64(found.size()), asked);
    r.lines = catalogue.lines(index.page(std::move(found), order, (r.page - 1) * PageSize, PageSize));
    return r;
}

void logError(const QString &what)
{
    std::fprintf(stderr, "library-opac: %s\n", what.toLocal8Bit().constData());
}

} // namespace

OpacSite::OpacSite(const OpacSettings &settings) : settings_(settings), pool_(settings.iniPath)
{
    {
        auto lease = pool_.take();
        index_ = CatalogueIndex::build(*lease);
    }
    refresher_ = std::thread([this] { refreshLoop(); });
}

OpacSite::~OpacSite()
{
    {
        const std::lock_guard lock(stopMutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    refresher_.join();
}

std::shared_ptr<const CatalogueIndex> OpacSite::index() const
{
    const std::lock_guard lock(indexMutex_);
    return index_;
}

void OpacSite::refreshLoop()
{
    std::unique_lock lock(stopMutex_);
    while (!stopped_.wait_for(lock, std::chrono::seconds(settings_.refreshSeconds), [this] { return stopping_; })) {
        lock.unlock();
        try {
            auto lease = pool_.take();
            std::shared_ptr<const CatalogueIndex> fresh = CatalogueIndex::build(*lease);
            const std::lock_guard swap(indexMutex_);
            index_ = std::move(fresh);
        } catch (const data::DataError &e) {
            // The index of before keeps serving until the catalogue can be read again.
            logError(e.message());
        }
        lock.lock();
    }
}

Reply OpacSite::answer(const QString &path, const Params &params)
{
    try {
        auto lease = pool_.take();
        try {
            return page(path, params, *lease);
        } catch (const data::DataError &) {
            lease.discard();
            throw;
        }
    } catch (const data::DataError &e) {
        logError(e.message());
        const PageContext context{settings_.libraryName, false};
        return {503, messagePage(context, QStringLiteral("Каталог недоступен"),
                                 QStringLiteral("Каталог сейчас не отвечает. Попробуйте открыть страницу через несколько минут."))};
    }
}

Reply OpacSite::page(const QString &path, const Params &params, data::Connection &connection)
{
    const PageContext context{settings_.libraryName, false};
    const std::shared_ptr<const CatalogueIndex> index = this->index();
    const store::IniFile ini(settings_.iniPath);
    OpacCatalogue catalogue(connection, store::readLoanPeriods(&ini));
    const qint64 asked = parsePage(params.value(QStringLiteral("page")));

    if (path == u"/")
        return {200, searchPage(context, SearchRequest{}, index->kinds(), nullptr)};
    if (path == u"/search") {
        const SearchRequest request = parseSearch(params);
        if (searchWords(request.text).isEmpty() && isbnKey(request.text).isEmpty())
            return {200, searchPage(context, request, index->kinds(), nullptr)};
        const ResultPage results = resultsOf(*index, catalogue, index->search(request), request.sort, request.page);
        return {200, searchPage(context, request, index->kinds(), &results)};
    }
    if (path == u"/holding") {
        if (const std::optional<HoldingDetails> h = catalogue.holding(parseId(params.value(QStringLiteral("id")))))
            return {200, holdingPage(context, *h, false)};
        return {404, messagePage(context, QStringLiteral("Издание не найдено"),
                                 QStringLiteral("Такого издания в каталоге нет: возможно, оно списано."))};
    }
    if (path == u"/rubrics") {
        const qint64 id = parseId(params.value(QStringLiteral("id")));
        const QList<RubricRef> rubricPath = catalogue.rubricPath(id);
        if (id && rubricPath.isEmpty())
            return {404, messagePage(context, QStringLiteral("Рубрика не найдена"), QStringLiteral("Такой рубрики в каталоге нет."))};
        const ResultPage results = id ? resultsOf(*index, catalogue, index->inRubric(id), SortOrder::Title, asked) : ResultPage{};
        return {200, rubricsPage(context, rubricPath, catalogue.rubrics(id), results)};
    }
    if (path == u"/authors") {
        const QString letter = params.value(QStringLiteral("letter"));
        const QChar first = letter.isEmpty() ? QChar() : letter.front();
        return {200, authorsPage(context, index->authorLetters(), first, first.isNull() ? QStringList() : index->authorHeadings(first))};
    }
    if (path == u"/author") {
        const QString name = params.value(QStringLiteral("name")).left(MaxSearchText);
        const ResultPage results = resultsOf(*index, catalogue, index->byAuthor(name), SortOrder::Title, asked);
        return {results.total ? 200 : 404, authorPage(context, name.simplified(), results)};
    }
    if (path == u"/new") {
        const QDate since = QDate::currentDate().addDays(-settings_.newDays);
        const ResultPage results = resultsOf(*index, catalogue, index->receivedSince(since), SortOrder::Newest, asked);
        return {200, newAcquisitionsPage(context, settings_.newDays, results)};
    }
    return {404, messagePage(context, QStringLiteral("Страница не найдена"),
                             QStringLiteral("В каталоге нет такой страницы."))};
}

} // namespace opac
