#include "ReferenceList.h"

#include "data/dataset/Dataset.h"
#include "data/dataset/RussianCollator.h"
#include "data/text/Cp1251.h"

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace store {

namespace {

// A key that compares as memcmp: the group (0, or 1 for a Latin first letter), then ICU's key.
std::string sortKey(const UCollator *collator, const QString &text, std::vector<uint8_t> &buffer)
{
    const QString t = text.simplified();
    const bool latin = !t.isEmpty() && t.front().isLetter() && t.front().unicode() < 0x0250;
    std::string key(1, latin ? '\x02' : '\x01');
    const auto *chars = reinterpret_cast<const UChar *>(t.utf16());
    int32_t size = ucol_getSortKey(collator, chars, int32_t(t.size()), buffer.data(), int32_t(buffer.size()));
    if (size > int32_t(buffer.size())) {
        buffer.resize(std::size_t(size));
        size = ucol_getSortKey(collator, chars, int32_t(t.size()), buffer.data(), int32_t(buffer.size()));
    }
    key.append(reinterpret_cast<const char *>(buffer.data()), std::size_t(size));
    return key;
}

} // namespace

QList<BibDescription> sortedReferences(QList<BibDescription> entries)
{
    const data::CollatorPtr collator = data::openRussianCollator(true);
    std::vector<std::string> keys;
    keys.reserve(std::size_t(entries.size()));
    std::vector<uint8_t> buffer(256);
    for (const BibDescription &d : entries)
        keys.push_back(sortKey(collator.get(), d.sortText(), buffer));
    std::vector<qsizetype> order(std::size_t(entries.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](qsizetype a, qsizetype b) { return keys[std::size_t(a)] < keys[std::size_t(b)]; });
    QList<BibDescription> sorted;
    sorted.reserve(entries.size());
    for (qsizetype i : order)
        sorted << std::move(entries[i]);
    return sorted;
}

QByteArray referenceListPage(const QList<BibDescription> &sorted)
{
    QByteArray page = data::encodeCp1251Html(QStringLiteral(
        "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"windows-1251\">\r\n<title>Список литературы</title>\r\n"
        "<style>\r\nbody { font-family: \"Times New Roman\", serif; font-size: 12pt; margin: 2cm; }\r\n"
        "h1 { font-size: 14pt; text-align: center; }\r\nli { margin-bottom: 4pt; }\r\n"
        "</style>\r\n</head>\r\n<body>\r\n<h1>Список литературы</h1>\r\n"));
    page.reserve(page.size() + sorted.size() * 200);
    if (sorted.isEmpty())
        page += data::encodeCp1251Html(QStringLiteral("<p>В списке нет ни одной записи.</p>\r\n"));
    else {
        page += "<ol>\r\n";
        for (const BibDescription &d : sorted) {
            page += "<li>";
            if (!d.heading.isEmpty()) {
                data::appendCp1251HtmlValue(page, d.heading);
                page += ' ';
            }
            data::appendCp1251HtmlValue(page, d.body);
            page += "</li>\r\n";
        }
        page += "</ol>\r\n";
    }
    return page + "</body>\r\n</html>\r\n";
}

QByteArray referenceListOf(const data::Dataset &books, const QList<int> &positions,
                           const QHash<qint64, QString> &kindNames)
{
    // Each row is described as it is read, so that a hundred thousand holdings' fields are never
    // held all at once.
    const HoldingRows rows(books, kindNames);
    const int n = positions.isEmpty() ? books.recordCount() : int(positions.size());
    QList<BibDescription> entries;
    entries.reserve(n);
    for (int i = 0; i < n; ++i)
        entries << describeHolding(rows.fields(positions.isEmpty() ? i : positions[i]));
    return referenceListPage(sortedReferences(std::move(entries)));
}

} // namespace store
