// Which page a path asks for, and the rows and index entries it is made of.
#include "OpacSite.h"

#include "CatalogueIndex.h"
#include "IniFile.h"
#include "LoanTerms.h"
#include "OpacCatalogue.h"
#include "Pages.h"
#include "data/Connection.h"
#include "data/DataError.h"
#include "ReaderPins.h"

#include <QFileInfo>
#include <QMimeDatabase>

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

Reply notFound(const PageContext &context, const QString &title, const QString &text)
{
    return {404, messagePage(context, title, text)};
}

// Where the browser goes next, with the cookie set or cleared on the way.
Reply seeOther(const QByteArray &location, const QByteArray &cookie)
{
    Reply r{303, QByteArray()};
    r.headers = {{"Location", location}, {"Set-Cookie", cookie}, {"Cache-Control", "no-store"}};
    return r;
}

QByteArray sessionCookie(const QByteArray &token, bool secure)
{
    // Never read by a script, never sent with another site's request or form.
    return "opac_session=" + token + "; Path=/; HttpOnly; SameSite=Strict" + (secure ? "; Secure" : "") +
           (token.isEmpty() ? "; Max-Age=0" : "");
}

void logError(const QString &what)
{
    std::fprintf(stderr, "library-opac: %s\n", what.toLocal8Bit().constData());
}

} // namespace

OpacSite::OpacSite(const OpacSettings &settings)
    : settings_(settings), pool_(settings.iniPath), sessions_(std::chrono::minutes(settings.sessionMinutes))
{
    {
        auto lease = pool_.take();
        index_ = CatalogueIndex::build(*lease);
    }
    periods_ = loanPeriods();
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

store::LoanPeriods OpacSite::loanPeriods() const
{
    const store::IniFile ini(settings_.iniPath);
    return store::readLoanPeriods(&ini);
}

void OpacSite::refreshLoop()
{
    std::unique_lock lock(stopMutex_);
    while (!stopped_.wait_for(lock, std::chrono::seconds(settings_.refreshSeconds), [this] { return stopping_; })) {
        lock.unlock();
        try {
            auto lease = pool_.take();
            std::shared_ptr<const CatalogueIndex> fresh = CatalogueIndex::build(*lease);
            const store::LoanPeriods periods = loanPeriods();
            const std::lock_guard swap(indexMutex_);
            index_ = std::move(fresh);
            periods_ = periods;
        } catch (const data::DataError &e) {
            // The index of before keeps serving until the catalogue can be read again.
            logError(e.message());
        }
        lock.lock();
    }
}

Reply OpacSite::answer(const QString &path, const Params &params)
{
    Request request;
    request.path = path;
    request.params = params;
    return answer(request);
}

Reply OpacSite::answer(const Request &request)
{
    try {
        auto lease = pool_.take();
        try {
            // A page's statements read the catalogue file as one snapshot, under one lock rather
            // than one each.
            data::Connection &catalogue = *lease;
            const bool snapshot = !catalogue.isServer();
            if (snapshot)
                catalogue.runStatement(QStringLiteral("BEGIN"));
            Reply reply = page(request, catalogue);
            if (snapshot)
                catalogue.runStatement(QStringLiteral("COMMIT"));
            return reply;
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

Reply OpacSite::page(const Request &request, data::Connection &connection)
{
    const std::optional<ReaderSessions::Session> session = sessions_.find(request.session);
    const PageContext context{settings_.libraryName, session.has_value()};
    const QString &path = request.path;
    const Params &params = request.params;
    // The forms of "Мои книги" are the only ones that post; nothing else changes anything.
    if (request.method == "POST") {
        if (path == u"/signin")
            return signIn(request, context, connection);
        if (path == u"/signout") {
            sessions_.close(request.session);
            return seeOther("/", sessionCookie(QByteArray(), request.secure));
        }
        return {405, QByteArray()};
    }
    store::LoanPeriods periods;
    {
        const std::lock_guard lock(indexMutex_);
        periods = periods_;
    }
    OpacCatalogue catalogue(connection, periods);
    if (path == u"/signin" || path == u"/signout" || path == u"/my") {
        // Her own loans only, found by the session's reader, and never kept by a cache on the way.
        Reply r{200, session ? myBooksPage(context, session->card, catalogue.openLoans(session->readerId, QDate::currentDate()))
                             : signInPage(context, QString(), QString())};
        r.headers = {{"Cache-Control", "no-store"}};
        return r;
    }
    if (path == u"/file")
        return download(parseId(params.value(QStringLiteral("id"))), context, catalogue);
    const std::shared_ptr<const CatalogueIndex> index = this->index();
    const qint64 asked = parsePage(params.value(QStringLiteral("page")));

    if (path == u"/")
        return {200, searchPage(context, SearchRequest{}, index->kinds(), nullptr)};
    if (path == u"/search") {
        const SearchRequest search = parseSearch(params);
        if (searchWords(search.text).isEmpty() && isbnKey(search.text).isEmpty())
            return {200, searchPage(context, search, index->kinds(), nullptr)};
        const ResultPage results = resultsOf(*index, catalogue, index->search(search), search.sort, search.page);
        return {200, searchPage(context, search, index->kinds(), &results)};
    }
    if (path == u"/holding") {
        if (const std::optional<HoldingDetails> h = catalogue.holding(parseId(params.value(QStringLiteral("id")))))
            return {200, holdingPage(context, *h, settings_.files)};
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
    return notFound(context, QStringLiteral("Страница не найдена"), QStringLiteral("В каталоге нет такой страницы."));
}

Reply OpacSite::signIn(const Request &request, const PageContext &context, data::Connection &connection)
{
    const QString card = request.params.value(QStringLiteral("card")).trimmed().left(64);
    const QString pin = request.params.value(QStringLiteral("pin")).left(64);
    const auto refused = [&](int status, const QString &why) {
        Reply r{status, signInPage(context, card, why)};
        r.headers = {{"Cache-Control", "no-store"}};
        return r;
    };
    if (card.isEmpty() || pin.isEmpty())
        return refused(200, QStringLiteral("Введите номер читательского билета и PIN."));
    if (const std::chrono::seconds wait = guard_.wait(card, request.address); wait.count() > 0)
        return refused(429, QStringLiteral("Слишком много неудачных попыток входа. Попробуйте снова через %1 мин.")
                                .arg((wait.count() + 59) / 60));
    if (!hashing_.try_acquire_for(std::chrono::seconds(10)))
        return refused(503, QStringLiteral("Сейчас входят слишком многие читатели. Попробуйте через минуту."));
    std::optional<qint64> reader;
    try {
        reader = store::readerWithPin(connection, card, pin);
    } catch (...) {
        hashing_.release();
        throw;
    }
    hashing_.release();
    if (!reader) {
        guard_.failed(card, request.address);
        return refused(403, QStringLiteral("Неверный номер билета или PIN."));
    }
    guard_.succeeded(card);
    sessions_.close(request.session);
    return seeOther("/my", sessionCookie(sessions_.open(*reader, card), request.secure));
}

Reply OpacSite::download(qint64 id, const PageContext &context, OpacCatalogue &catalogue)
{
    const QString filesDir = QFileInfo(settings_.iniPath).absolutePath() + QStringLiteral("/files/");
    const QString file = settings_.files ? catalogue.ebookPath(id, filesDir) : QString();
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return notFound(context, QStringLiteral("Файла нет"), QStringLiteral("Электронной версии этого издания в каталоге нет."));
    Reply r{200, QByteArray()};
    r.file = file;
    r.contentType = QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension).name().toLatin1();
    // The file's name is the holding's inventory number and a plain extension: nothing to quote.
    r.headers = {{"Content-Disposition", "attachment; filename=\"" + QFileInfo(file).fileName().toLatin1() + '"'}};
    return r;
}

} // namespace opac
