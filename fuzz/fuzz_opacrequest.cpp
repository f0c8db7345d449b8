// A reader's request to the web catalogue and the page made of it: every parsed value within its
// bounds, and the page's markup the same whatever text the request and the catalogue hold, so
// that no text ever becomes a tag.
#include "FuzzCheck.h"
#include "Pages.h"

#include <cstddef>
#include <cstdint>

using fuzzcheck::check;
using fuzzcheck::shown;

namespace {

// A text of the same emptiness that cannot hold markup.
QString plain(const QString &text) { return text.isEmpty() ? QString() : QStringLiteral("x"); }

qsizetype tags(const QByteArray &page) { return page.count('<'); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    opac::Params params;
    const char *const keys[] = {"q", "field", "sort", "page", "kind", "id"};
    while (in.remaining_bytes() > 0 && params.size() < opac::MaxParams) {
        const bool known = in.ConsumeBool();
        const QString key = known ? QString::fromLatin1(keys[in.ConsumeIntegralInRange<int>(0, 5)]) : fuzzcheck::consumeText(in, 8);
        params.add(key, fuzzcheck::consumeText(in, 400));
    }
    const opac::SearchRequest request = opac::parseSearch(params);
    check(request.page >= 1 && request.page <= opac::MaxPage, "the page is within 1..MaxPage", QString::number(request.page));
    check(request.text.size() <= opac::MaxSearchText, "the search is cut", QString::number(request.text.size()));
    check(request.kind >= 0, "the kind is an id or none", QString::number(request.kind));
    const QStringList words = opac::searchWords(request.text);
    check(words.size() <= opac::MaxSearchWords, "the words are bounded", shown(request.text));
    for (const QString &w : words)
        check(!w.isEmpty() && w == w.toLower(), "a word is lower case and not empty", shown(w));
    const qint64 id = opac::parseId(params.value(QStringLiteral("id")));
    check(id >= 0, "an id is positive or none", QString::number(id));

    // The page of those results, with texts of the catalogue taken from the input too.
    const qint64 total = in.ConsumeIntegralInRange<qint64>(0, 1'000'000'000'000);
    opac::ResultPage results = opac::resultPage(total, request.page);
    check(results.page >= 1 && results.page <= results.pages, "the page shown is one of the results'",
          QString::number(results.page) + u'/' + QString::number(results.pages));
    const QString heading = request.text.left(40), body = params.value(QStringLiteral("field")),
                  kindName = params.value(QStringLiteral("sort")), library = params.value(QStringLiteral("kind"));
    results.lines = {{1, heading, body, false}, {2, body, heading, true}};
    const QByteArray page = opac::searchPage({library, false}, request, {{1, kindName}}, &results);

    opac::SearchRequest neutral = request;
    neutral.text = plain(request.text);
    opac::ResultPage neutralResults = results;
    neutralResults.lines = {{1, plain(heading), plain(body), false}, {2, plain(body), plain(heading), true}};
    const QByteArray expected = opac::searchPage({plain(library), false}, neutral, {{1, plain(kindName)}}, &neutralResults);
    check(tags(page) == tags(expected), "the text of a request makes no tag", shown(request.text));

    // "Мои книги": the card number typed back into the form, the message, her loans' descriptions.
    const QDate lent(2024, 1, 2);
    check(tags(opac::signInPage({library, false}, heading, body)) == tags(opac::signInPage({plain(library), false}, plain(heading), plain(body))),
          "the card typed makes no tag", shown(heading));
    const QList<opac::MyLoan> loans{{heading, body, lent, lent.addDays(30), int(total % 100)}};
    const QList<opac::MyLoan> plainLoans{{plain(heading), plain(body), lent, lent.addDays(30), int(total % 100)}};
    check(tags(opac::myBooksPage({library, true}, kindName, loans)) == tags(opac::myBooksPage({plain(library), true}, plain(kindName), plainLoans)),
          "a loan's description makes no tag", shown(heading));
    return 0;
}
