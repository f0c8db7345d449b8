#pragma once

#include "OpacRequest.h"
#include "WordIndex.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

namespace data {
class Connection;
}

namespace opac {

// What the index keeps of a holding to find and order it; the page reads the rest from the
// catalogue itself.
struct IndexedHolding {
    qint64 id = 0;
    std::uint32_t titleRank = 0;  // place of the title in Russian order; equal titles share it
    std::uint32_t authorRank = 0;
    int year = 0;
    int kind = 0;
    qint64 received = 0; // the day of registration as a Julian day, 0 when unknown
};

// A heading as it is looked up: lower case, Ё as Е.
QString authorKey(const QString &heading);

struct ItemKind {
    int id = 0;
    QString name;
};

// The catalogue's words, authors and rubrics held in memory for the web catalogue's searches,
// made from the catalogue in one pass and replaced whole by a newer one (never changed in place,
// so the threads serving pages share it without locks).
class CatalogueIndex {
public:
    static std::shared_ptr<const CatalogueIndex> build(data::Connection &connection);

    std::size_t size() const { return holdings_.size(); }
    const IndexedHolding &holding(std::uint32_t n) const { return holdings_[n]; }

    // Holdings with every word of the search, each as the beginning of a word of the field.
    std::vector<std::uint32_t> search(const SearchRequest &request) const;
    std::vector<std::uint32_t> inRubric(qint64 rubricId) const;
    // The holdings of one author's heading as authorHeadings gives it.
    std::vector<std::uint32_t> byAuthor(const QString &heading) const;
    std::vector<std::uint32_t> receivedSince(const QDate &day) const;

    // The first letters of the authors' headings, and the headings under one, in Russian order.
    QList<QChar> authorLetters() const;
    QStringList authorHeadings(QChar letter) const;
    const QList<ItemKind> &kinds() const { return kinds_; }

    // The ids of holdings first to first + count - 1 of the found ones in the order asked for.
    std::vector<qint64> page(std::vector<std::uint32_t> found, SortOrder order, qint64 first, int count) const;

private:
    friend class CatalogueIndexBuilder;
    std::vector<IndexedHolding> holdings_;
    std::array<WordIndex, 5> fields_; // by SearchField
    std::vector<QString> authors_;    // headings in Russian order
    std::vector<std::vector<std::uint32_t>> authorHoldings_;
    QHash<QString, std::uint32_t> authorByKey_; // by authorKey of the heading
    std::unordered_map<qint64, std::vector<std::uint32_t>> rubrics_;
    QList<ItemKind> kinds_;
};

} // namespace opac
