// Making the index: the holdings in one pass, their keywords in another, then the Russian order
// of titles and authors, each text's collation key made once.
#include "CatalogueIndex.h"

#include "AuthorNames.h"
#include "RubricText.h"
#include "data/Connection.h"
#include "data/dataset/RussianCollator.h"
#include "data/dataset/TableCollationKeys.h"

#include <QHash>
#include <algorithm>
#include <map>
#include <numeric>
#include <unicode/ucol.h>

namespace opac {

namespace {

QString cellText(const data::CellView &cell)
{
    if (cell.type == data::CellType::Integer)
        return QString::number(cell.integer);
    return QString::fromUtf8(cell.bytes.data(), qsizetype(cell.bytes.size()));
}

qint64 cellInteger(const data::CellView &cell)
{
    return cell.type == data::CellType::Integer ? cell.integer : cellText(cell).toLongLong();
}

// Statements read row by row: the index holds far less than the rows themselves.
template <typename Each>
void eachRow(data::Connection &connection, const QString &sql, Each each)
{
    auto statement = connection.prepare(sql);
    statement->execute();
    std::vector<data::CellView> cells(std::size_t(statement->columnCount()));
    while (statement->next()) {
        statement->readRow(cells.data());
        each(cells);
    }
}

// Positions of the texts in Russian order, equal texts sharing one.
std::vector<std::uint32_t> russianRanks(const std::vector<std::string> &texts)
{
    const data::TableCollationKeys &table = data::TableCollationKeys::russian(true);
    std::vector<std::string> keys(texts.size());
    std::vector<char> fromTable(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
        fromTable[i] = table.append(texts[i], keys[i]);
    const data::CollatorPtr icu = data::openRussianCollator(true);
    const auto compare = [&](std::uint32_t a, std::uint32_t b) {
        if (fromTable[a] && fromTable[b])
            return keys[a].compare(keys[b]);
        UErrorCode status = U_ZERO_ERROR;
        return int(ucol_strcollUTF8(icu.get(), texts[a].data(), int32_t(texts[a].size()), texts[b].data(),
                                    int32_t(texts[b].size()), &status));
    };
    std::vector<std::uint32_t> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return compare(a, b) < 0; });
    std::vector<std::uint32_t> ranks(texts.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        ranks[order[i]] = i && compare(order[i - 1], order[i]) == 0 ? ranks[order[i - 1]] : std::uint32_t(i);
    return ranks;
}

} // namespace

class CatalogueIndexBuilder {
public:
    explicit CatalogueIndexBuilder(CatalogueIndex &index) : index_(index) {}

    void addWords(SearchField field, const QString &text, std::uint32_t n)
    {
        for (const QString &w : searchWords(text)) {
            const QByteArray utf8 = w.toUtf8();
            const std::string_view word(utf8.constData(), std::size_t(utf8.size()));
            index_.fields_[std::size_t(field)].add(word, n);
            if (field != SearchField::Any)
                index_.fields_[std::size_t(SearchField::Any)].add(word, n);
        }
    }

    void addHolding(const std::vector<data::CellView> &c)
    {
        const auto n = std::uint32_t(index_.holdings_.size());
        IndexedHolding h;
        h.id = cellInteger(c[0]);
        h.year = int(cellInteger(c[3]));
        h.kind = int(cellInteger(c[4]));
        const QDate received = QDate::fromString(cellText(c[5]).left(10), Qt::ISODate);
        h.received = received.isValid() ? received.toJulianDay() : 0;
        index_.holdings_.push_back(h);
        byId_.insert(h.id, n);
        const QString title = cellText(c[1]), author = cellText(c[2]);
        titles_.push_back(title.toStdString());
        authorTexts_.push_back(author.toStdString());
        addWords(SearchField::Title, title, n);
        addWords(SearchField::Author, author, n);
        for (std::size_t i = 8; i < c.size(); ++i)
            addWords(SearchField::Any, cellText(c[i]), n);
        if (const QString isbn = isbnKey(cellText(c[7])); !isbn.isEmpty()) {
            index_.fields_[std::size_t(SearchField::Isbn)].add(isbn.toStdString(), n);
            index_.fields_[std::size_t(SearchField::Any)].add(isbn.toStdString(), n);
        }
        addAuthors(author, n);
        addRubrics(cellText(c[6]), n);
    }

    void addAuthors(const QString &text, std::uint32_t n)
    {
        for (const store::AuthorName &name : store::parseAuthorNames(text)) {
            const QString heading = name.headingForm().simplified();
            if (heading.isEmpty() || !heading.front().isLetter())
                continue;
            const QString key = authorKey(heading);
            auto it = authors_.find(key);
            if (it == authors_.end())
                it = authors_.insert(key, {heading, {}});
            if (it->second.empty() || it->second.back() != n)
                it->second.push_back(n);
        }
    }

    void addRubrics(const QString &text, std::uint32_t n)
    {
        for (const QString &element : store::rubricElements(text))
            for (const qint64 id : store::rubricPath(element)) {
                std::vector<std::uint32_t> &in = index_.rubrics_[id];
                if (in.empty() || in.back() != n)
                    in.push_back(n);
            }
    }

    void addKeyword(const std::vector<data::CellView> &c)
    {
        const auto it = byId_.constFind(cellInteger(c[0]));
        if (it != byId_.constEnd())
            addWords(SearchField::Keyword, cellText(c[1]), *it);
    }

    void finish()
    {
        for (WordIndex &w : index_.fields_)
            w.build();
        const std::vector<std::uint32_t> titleRanks = russianRanks(titles_);
        const std::vector<std::uint32_t> authorRanks = russianRanks(authorTexts_);
        for (std::size_t i = 0; i < index_.holdings_.size(); ++i) {
            index_.holdings_[i].titleRank = titleRanks[i];
            index_.holdings_[i].authorRank = authorRanks[i];
        }
        std::vector<std::string> headings;
        std::vector<std::pair<QString, std::vector<std::uint32_t>>> all;
        for (auto it = authors_.begin(); it != authors_.end(); ++it) {
            headings.push_back(it->first.toStdString());
            all.push_back(std::move(*it));
        }
        const std::vector<std::uint32_t> ranks = russianRanks(headings);
        std::vector<std::uint32_t> order(all.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return ranks[a] < ranks[b]; });
        for (const std::uint32_t i : order) {
            index_.authorByKey_.insert(authorKey(all[i].first), std::uint32_t(index_.authors_.size()));
            index_.authors_.push_back(all[i].first);
            index_.authorHoldings_.push_back(std::move(all[i].second));
        }
    }

private:
    CatalogueIndex &index_;
    QHash<qint64, std::uint32_t> byId_;
    std::vector<std::string> titles_, authorTexts_;
    QHash<QString, std::pair<QString, std::vector<std::uint32_t>>> authors_;
};

std::shared_ptr<const CatalogueIndex> CatalogueIndex::build(data::Connection &connection)
{
    auto index = std::make_shared<CatalogueIndex>();
    CatalogueIndexBuilder builder(*index);
    eachRow(connection,
            QStringLiteral("SELECT id, title, author, year_p, itemkind_id, date_reg, rubric, isbn, publisher, annotation,"
                           " notes, source, location FROM books ORDER BY id"),
            [&](const std::vector<data::CellView> &c) { builder.addHolding(c); });
    eachRow(connection, QStringLiteral("SELECT book_id, keyword FROM keywords"),
            [&](const std::vector<data::CellView> &c) { builder.addKeyword(c); });
    eachRow(connection, QStringLiteral("SELECT id, itemkind_name FROM v_itemkind ORDER BY id"),
            [&](const std::vector<data::CellView> &c) { index->kinds_.append({int(cellInteger(c[0])), cellText(c[1])}); });
    builder.finish();
    return index;
}

} // namespace opac
