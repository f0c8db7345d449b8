#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace opac {

// At most this many parameters of a request are kept; the rest are dropped.
inline constexpr int MaxParams = 32;

// The parameters of a query string as the server library decoded them, in their order.
class Params {
public:
    void add(const QString &key, const QString &value)
    {
        if (items_.size() < MaxParams)
            items_.append({key, value});
    }
    // The first value of the key; empty when there is none.
    QString value(const QString &key) const;
    qsizetype size() const { return items_.size(); }

private:
    QList<QPair<QString, QString>> items_;
};

// The longest search text looked for; a longer one is cut and the page says so.
inline constexpr int MaxSearchText = 256;
// At most this many words of a search count.
inline constexpr int MaxSearchWords = 12;
// The last page number a link may name; any larger number is the last page of the results.
inline constexpr qint64 MaxPage = 1'000'000;

enum class SearchField { Any, Title, Author, Keyword, Isbn };
enum class SortOrder { Title, Author, Newest, Year };

struct SearchRequest {
    SearchField field = SearchField::Any;
    QString text;       // as typed, cut to MaxSearchText
    bool cut = false;   // the text was longer
    qint64 page = 1;    // 1-based, 1 to MaxPage
    SortOrder sort = SortOrder::Title;
    int kind = 0;       // an item kind's id, 0 for all
};

// Fields and sort orders by the names their forms and links use ("title", "author"...).
SearchRequest parseSearch(const Params &params);
// A page number as a link or a form gives it: a whole number from 1 to MaxPage, else 1 (or
// MaxPage for a larger number).
qint64 parsePage(const QString &text);
// A positive id, 0 when the text is not one.
qint64 parseId(const QString &text);

// The query string of a search for another page or order: its values percent-encoded.
QString searchQuery(const SearchRequest &request, qint64 page);
QString fieldName(SearchField field);
QString sortName(SortOrder sort);

// A text as words to look for: lower case, Ё as Е, split at everything but letters and digits;
// at most MaxSearchWords.
QStringList searchWords(const QString &text);
// An ISBN as the index keeps it: its digits and a final X, nothing else.
QString isbnKey(const QString &text);

} // namespace opac
