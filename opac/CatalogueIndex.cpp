// Finding and ordering holdings in the index.
#include "CatalogueIndex.h"

#include <algorithm>

namespace opac {

QString authorKey(const QString &heading) { return heading.simplified().toLower().replace(u'ё', u'е'); }

std::vector<std::uint32_t> CatalogueIndex::search(const SearchRequest &request) const
{
    const WordIndex &words = fields_[std::size_t(request.field)];
    const QStringList looked = request.field == SearchField::Isbn ? QStringList{isbnKey(request.text)}
                                                                   : searchWords(request.text);
    HoldingSet found(holdings_.size(), true);
    bool any = false;
    for (const QString &w : looked) {
        if (w.isEmpty())
            continue;
        HoldingSet one(holdings_.size());
        const QByteArray utf8 = w.toUtf8();
        words.addWordsBeginning(std::string_view(utf8.constData(), std::size_t(utf8.size())), one);
        found.intersect(one);
        any = true;
    }
    if (!any)
        return {};
    std::vector<std::uint32_t> out = found.members();
    if (request.kind)
        std::erase_if(out, [&](std::uint32_t n) { return holdings_[n].kind != request.kind; });
    return out;
}

std::vector<std::uint32_t> CatalogueIndex::inRubric(qint64 rubricId) const
{
    const auto it = rubrics_.find(rubricId);
    return it == rubrics_.end() ? std::vector<std::uint32_t>{} : it->second;
}

std::vector<std::uint32_t> CatalogueIndex::byAuthor(const QString &heading) const
{
    const auto it = authorByKey_.constFind(authorKey(heading));
    return it == authorByKey_.constEnd() ? std::vector<std::uint32_t>{} : authorHoldings_[*it];
}

std::vector<std::uint32_t> CatalogueIndex::receivedSince(const QDate &day) const
{
    std::vector<std::uint32_t> out;
    for (std::uint32_t n = 0; n < holdings_.size(); ++n)
        if (holdings_[n].received >= day.toJulianDay())
            out.push_back(n);
    return out;
}

QList<QChar> CatalogueIndex::authorLetters() const
{
    QList<QChar> letters;
    for (const QString &a : authors_)
        if (const QChar c = a.front().toUpper(); letters.isEmpty() || letters.back() != c)
            if (!letters.contains(c))
                letters.append(c);
    return letters;
}

QStringList CatalogueIndex::authorHeadings(QChar letter) const
{
    QStringList out;
    for (const QString &a : authors_)
        if (a.front().toUpper() == letter.toUpper())
            out.append(a);
    return out;
}

std::vector<qint64> CatalogueIndex::page(std::vector<std::uint32_t> found, SortOrder order, qint64 first, int count) const
{
    if (first < 0 || first >= qint64(found.size()) || count <= 0)
        return {};
    const auto before = [&](std::uint32_t a, std::uint32_t b) {
        const IndexedHolding &x = holdings_[a], &y = holdings_[b];
        switch (order) {
        case SortOrder::Author:
            if (x.authorRank != y.authorRank)
                return x.authorRank < y.authorRank;
            break;
        case SortOrder::Newest:
            if (x.received != y.received)
                return x.received > y.received;
            return x.id > y.id;
        case SortOrder::Year:
            if (x.year != y.year)
                return x.year > y.year;
            break;
        case SortOrder::Title: break;
        }
        return x.titleRank != y.titleRank ? x.titleRank < y.titleRank : x.id < y.id;
    };
    const auto from = found.begin() + first;
    const auto to = found.begin() + std::min<qint64>(first + count, qint64(found.size()));
    std::nth_element(found.begin(), from, found.end(), before);
    std::partial_sort(from, to, found.end(), before);
    std::vector<qint64> ids;
    for (auto it = from; it != to; ++it)
        ids.push_back(holdings_[*it].id);
    return ids;
}

} // namespace opac
